// Store benchmarks: Refresh and the single-record operations at 1,000,
// 10,000 and 100,000 records, and the memory the open roster holds.

#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/record_layout.h"
#include "store/recordset.h"
#include "tools/roster_files.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <map>

using namespace varnel::store;

namespace {

QTemporaryDir* workDir = nullptr;

// One sample roster per size, written once and reused by every benchmark.
QString rosterDir(int count)
{
    static std::map<int, QString> dirs;
    auto it = dirs.find(count);
    if (it != dirs.end())
        return it->second;
    const QString dir = workDir->filePath(QString::number(count));
    QDir().mkpath(dir);
    varnel::tools::writeSampleRoster(rosterPath(dir), {count, 42});
    return dirs[count] = dir;
}

size_t heapInUse()
{
    return mallinfo2().uordblks;
}

void BM_Refresh(benchmark::State& state)
{
    const QString dir = rosterDir(int(state.range(0)));
    DataControl data1;
    loadRoster(data1, dir);
    for (auto _ : state)
        data1.refresh();
    state.counters["records"] = double(data1.recordset().recordCount());
}

// The baseline: the sqlite3 shell printing the roster query's result to
// the null device, on the same file.
void BM_SqliteShellBaseline(benchmark::State& state)
{
    const QString path = rosterPath(rosterDir(int(state.range(0))));
    for (auto _ : state) {
        QProcess shell;
        shell.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        shell.start(QStringLiteral("sqlite3"), {path, QString(kRosterQuery)});
        shell.waitForFinished(-1);
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        if (shell.exitCode() != 0)
            state.SkipWithError("sqlite3 shell failed");
    }
}

void BM_RosterMemory(benchmark::State& state)
{
    const QString dir = rosterDir(int(state.range(0)));
    double perRecord = 0;
    for (auto _ : state) {
        const size_t before = heapInUse();
        auto data1 = std::make_unique<DataControl>();
        loadRoster(*data1, dir);
        const size_t after = heapInUse();
        perRecord = double(after - before) / double(state.range(0));
        benchmark::DoNotOptimize(data1.get());
    }
    state.counters["bytes_per_record"] = perRecord;
}

// Each operation on a roster of the given size, from the middle of it.
template <typename Op>
void runOperation(benchmark::State& state, Op op)
{
    const QString dir = rosterDir(int(state.range(0)));
    DataControl data1;
    loadRoster(data1, dir);
    data1.recordset().moveTo(data1.recordset().recordCount() / 2);
    for (auto _ : state)
        op(data1.recordset(), state);
}

void BM_EditUpdate(benchmark::State& state)
{
    qint64 n = 0;
    runOperation(state, [&n](Recordset& rs, benchmark::State&) {
        rs.edit();
        rs.fields(ordinal::TISPoints).setValue(Value::integer(++n % 50));
        rs.update();
    });
}

void BM_AddNewUpdate(benchmark::State& state)
{
    runOperation(state, [](Recordset& rs, benchmark::State&) {
        rs.addNew();
        rs.update();
    });
}

void BM_DeleteMoveNext(benchmark::State& state)
{
    runOperation(state, [](Recordset& rs, benchmark::State& st) {
        if (rs.eof() || rs.position() + 2 >= rs.recordCount()) {
            st.PauseTiming();
            rs.moveTo(rs.recordCount() / 4);
            st.ResumeTiming();
        }
        rs.deleteRecord();
        rs.moveNext();
    });
}

void BM_MoveNext(benchmark::State& state)
{
    runOperation(state, [](Recordset& rs, benchmark::State& st) {
        if (rs.position() + 1 >= rs.recordCount()) {
            st.PauseTiming();
            rs.moveFirst();
            st.ResumeTiming();
        }
        rs.moveNext();
    });
}

void BM_MoveLast(benchmark::State& state)
{
    runOperation(state, [](Recordset& rs, benchmark::State&) { rs.moveLast(); });
}

void BM_FieldRead(benchmark::State& state)
{
    runOperation(state, [](Recordset& rs, benchmark::State&) { benchmark::DoNotOptimize(rs.fields(ordinal::APFT).value()); });
}

void BM_FieldWrite(benchmark::State& state)
{
    bool editing = false;
    runOperation(state, [&editing](Recordset& rs, benchmark::State&) {
        if (!editing) {
            rs.edit();
            editing = true;
        }
        rs.fields(ordinal::TOTAL).setValue(Value::integer(100));
    });
}

// The grid's reads: a screenful of rows somewhere in the roster.
void BM_GridScreenful(benchmark::State& state)
{
    const QString dir = rosterDir(int(state.range(0)));
    DataControl data1;
    loadRoster(data1, dir);
    const int count = data1.recordset().recordCount();
    int top = 0;
    const int name = data1.recordset().layout().indexOf("Name");
    for (auto _ : state) {
        top = (top + 4099) % std::max(1, count - 20);
        for (int row = top; row < top + 20 && row < count; ++row)
            benchmark::DoNotOptimize(data1.displayValue(row, name));
    }
}

#define SIZES ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_Refresh) SIZES->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SqliteShellBaseline)->Arg(1000)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RosterMemory) SIZES->Iterations(1);
BENCHMARK(BM_EditUpdate) SIZES;
BENCHMARK(BM_AddNewUpdate) SIZES;
BENCHMARK(BM_DeleteMoveNext) SIZES;
BENCHMARK(BM_MoveNext) SIZES;
BENCHMARK(BM_MoveLast) SIZES;
BENCHMARK(BM_FieldRead) SIZES;
BENCHMARK(BM_FieldWrite) SIZES;
BENCHMARK(BM_GridScreenful) SIZES;

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    workDir = &dir;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
