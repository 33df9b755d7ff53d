// Store benchmarks: Refresh and the single-record operations at 1,000,
// 10,000 and 100,000 records, and the memory the open roster holds.

#include "disk_sync_probe.h"
#include "points/total_all.h"
#include "store/data_control.h"
#include "store/file_check.h"
#include "store/record_commands.h"
#include "store/record_layout.h"
#include "store/recordset.h"
#include "store/safety_copy.h"
#include "support/fixed_clock.h"
#include "tools/roster_files.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <chrono>
#include <malloc.h>
#include <algorithm>
#include <functional>
#include <map>
#include <vector>
#include <sqlite3.h>
#include <unistd.h>

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

// The same roster in a file without an index on Name, so the order must be
// made by sorting every name.
QString rosterDirWithoutIndex(int count)
{
    static std::map<int, QString> dirs;
    if (auto it = dirs.find(count); it != dirs.end())
        return it->second;
    const QString dir = workDir->filePath(QString::number(count) + QStringLiteral("-unindexed"));
    QDir().mkpath(dir);
    QFile::copy(rosterPath(rosterDir(count)), rosterPath(dir));
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(rosterPath(dir)).constData(), &db);
    sqlite3_exec(db, "DROP INDEX IF EXISTS SoldierByName; VACUUM", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return dirs[count] = dir;
}

// The written record commands' own copy of the sample roster, made once per
// size and synced: the records they add and delete never reach the roster
// of the other benchmarks, which the shuffled order (bench-store.sh) may
// run before or after them.
QString commandsRosterDir(int count)
{
    static std::map<int, QString> dirs;
    if (auto it = dirs.find(count); it != dirs.end())
        return it->second;
    const QString dir = workDir->filePath(QString::number(count) + QStringLiteral("-commands"));
    QDir().mkpath(dir);
    QFile::copy(rosterPath(rosterDir(count)), rosterPath(dir));
    QFile copy(rosterPath(dir));
    if (copy.open(QIODevice::ReadWrite))
        fsync(copy.handle());
    return dirs[count] = dir;
}

size_t heapInUse()
{
    return mallinfo2().uordblks;
}

// The heap and the large blocks malloc maps on their own (a history's
// buffer of megabytes is one of those).
size_t allocatedInAll()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
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

void BM_RefreshWithoutIndex(benchmark::State& state)
{
    const QString dir = rosterDirWithoutIndex(int(state.range(0)));
    DataControl data1;
    loadRoster(data1, dir);
    for (auto _ : state)
        data1.refresh();
}

// The baseline: the sqlite3 shell printing the roster query's result to
// the null device, on the same file.
void shellBaseline(benchmark::State& state, const QString& path)
{
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

void BM_SqliteShellBaseline(benchmark::State& state)
{
    shellBaseline(state, rosterPath(rosterDir(int(state.range(0)))));
}

void BM_SqliteShellBaselineWithoutIndex(benchmark::State& state)
{
    shellBaseline(state, rosterPath(rosterDirWithoutIndex(int(state.range(0)))));
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

// SQLite's check of the whole file, which the window runs in the background
// after its first paint (compare with Refresh).
void BM_FileCheck(benchmark::State& state)
{
    const QString path = rosterPath(rosterDir(int(state.range(0))));
    for (auto _ : state) {
        if (FileCheck::run(path))
            state.SkipWithError("the file check failed");
    }
}

// The safety copy saved before the first write of a run.
void BM_SafetyCopy(benchmark::State& state)
{
    const QString path = rosterPath(rosterDir(int(state.range(0))));
    sqlite3* source = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &source, SQLITE_OPEN_READONLY, nullptr);
    QDateTime when(QDate(2026, 1, 1), QTime(0, 0));
    for (auto _ : state)
        saveSafetyCopy(source, path, when = when.addSecs(1));
    sqlite3_close(source);
}

// Each operation on a roster of the given size, from the middle of it. The
// first write of the run (the file check and the safety copy) is made
// before the timing starts.
DataControl* openForOperations(DataControl& data1, benchmark::State& state, const QString& dir = {})
{
    loadRoster(data1, dir.isEmpty() ? rosterDir(int(state.range(0))) : dir);
    data1.recordset().moveTo(data1.recordset().recordCount() / 2);
    updateRecord(data1);
    return &data1;
}

template <typename Op>
void runOperation(benchmark::State& state, Op op)
{
    DataControl data1;
    openForOperations(data1, state);
    for (auto _ : state)
        op(data1.recordset(), state);
}

// A stored change waits for the disk (SQLite's syncs); the rest is the
// program's own work and SQLite's in memory. Both are counted apart.
template <typename Op>
void runWrite(benchmark::State& state, Op op)
{
    DataControl data1;
    openForOperations(data1, state, commandsRosterDir(int(state.range(0))));
    const varnel::bench::DiskSyncs before = varnel::bench::diskSyncsSoFar();
    std::chrono::nanoseconds wall{0};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        op(data1.recordset(), state);
        wall += std::chrono::steady_clock::now() - start;
    }
    const varnel::bench::DiskSyncs after = varnel::bench::diskSyncsSoFar();
    const double syncNanos = double(after.nanoseconds - before.nanoseconds);
    using benchmark::Counter;
    state.counters["syncs"] = Counter(double(after.count - before.count), Counter::kAvgIterations);
    state.counters["sync_us"] = Counter(syncNanos / 1e3, Counter::kAvgIterations);
    state.counters["rest_us"] = Counter((double(wall.count()) - syncNanos) / 1e3, Counter::kAvgIterations);
}

void BM_EditUpdate(benchmark::State& state)
{
    qint64 n = 0;
    runWrite(state, [&n](Recordset& rs, benchmark::State&) {
        rs.edit();
        rs.fields(ordinal::TISPoints).setValue(Value::integer(++n % 50));
        rs.update();
    });
}

void BM_AddNewUpdate(benchmark::State& state)
{
    runWrite(state, [](Recordset& rs, benchmark::State&) {
        rs.addNew();
        rs.update();
    });
}

void BM_DeleteMoveNext(benchmark::State& state)
{
    runWrite(state, [](Recordset& rs, benchmark::State& st) {
        if (rs.eof() || rs.position() + 2 >= rs.recordCount()) {
            st.PauseTiming();
            rs.moveTo(rs.recordCount() / 4);
            st.ResumeTiming();
        }
        rs.deleteRecord();
        rs.moveNext();
    });
}

// The written commands at 1,000 and at 1,000,000 soldiers in one run, in
// turns of 20 on each roster, so that both sizes meet the machine's busy
// and quiet moments (other builds, the disk's queue) alike: for each, the
// median over the turns of a command's time without the disk's syncs (us).
void BM_WritesInTurns(benchmark::State& state)
{
    qint64 n = 0;
    const std::pair<std::string, std::function<void(Recordset&)>> commands[] = {
        {"EditUpdate", [&n](Recordset& rs) {
             rs.edit();
             rs.fields(ordinal::TISPoints).setValue(Value::integer(++n % 50));
             rs.update();
         }},
        {"AddNewUpdate", [](Recordset& rs) { rs.addNew(); rs.update(); }},
        {"DeleteMoveNext", [](Recordset& rs) {
             if (rs.eof() || rs.position() + 2 >= rs.recordCount())
                 rs.moveTo(rs.recordCount() / 4);
             rs.deleteRecord();
             rs.moveNext();
         }},
    };
    const int sizes[] = {1000, 1000000};
    DataControl rosters[2];
    for (int i = 0; i < 2; ++i) {
        loadRoster(rosters[i], commandsRosterDir(sizes[i]));
        rosters[i].recordset().moveTo(rosters[i].recordset().recordCount() / 2);
        updateRecord(rosters[i]);
    }
    std::map<std::string, std::vector<double>> turns;
    for (auto _ : state) {
        for (const auto& [name, command] : commands) {
            for (int i = 0; i < 2; ++i) {
                const varnel::bench::DiskSyncs before = varnel::bench::diskSyncsSoFar();
                const auto start = std::chrono::steady_clock::now();
                for (int k = 0; k < 20; ++k)
                    command(rosters[i].recordset());
                const double wall = double(std::chrono::nanoseconds(std::chrono::steady_clock::now() - start).count());
                const double syncs = double(varnel::bench::diskSyncsSoFar().nanoseconds - before.nanoseconds);
                turns[name + '_' + std::to_string(sizes[i])].push_back((wall - syncs) / 20 / 1e3);
            }
        }
    }
    for (auto& [name, times] : turns) {
        std::sort(times.begin(), times.end());
        state.counters[name + "_rest_us"] = times[times.size() / 2];
    }
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

// Total All Soldiers: every record's worksheet in one transaction.
void BM_TotalAll(benchmark::State& state)
{
    DataControl data1;
    openForOperations(data1, state);
    varnel::test::FixedClock clock(QDateTime(QDate(2026, 12, 7), QTime(9, 0)));
    int totalled = 0;
    for (auto _ : state)
        totalled = varnel::points::totalAllSoldiers(data1, clock, u'/', [](int, int) { return true; }).totalled;
    state.counters["totalled"] = totalled;
}

// A fresh copy of the sample roster of the benchmark's size, opened, its
// first write (the safety copy and the file check) made. The day the
// benchmarks below total on is not BM_TotalAll's, which may have totalled
// the sample: on it Total All changes every record.
void openFreshCopy(DataControl& data1, benchmark::State& state, const QString& name)
{
    const QString dir = workDir->filePath(QStringLiteral("%1-%2").arg(name).arg(state.range(0)));
    QDir().mkpath(dir);
    QFile::remove(rosterPath(dir));
    QFile::copy(rosterPath(rosterDir(int(state.range(0)))), rosterPath(dir));
    loadRoster(data1, dir);
    updateRecord(data1);
}

// Total All on a fresh copy of the roster each time, on a day on which it
// changes every record: one write of every record.
void BM_TotalAllChangingEvery(benchmark::State& state)
{
    varnel::test::FixedClock clock(QDateTime(QDate(2027, 3, 15), QTime(9, 0)));
    for (auto _ : state) {
        state.PauseTiming();
        DataControl data1;
        openFreshCopy(data1, state, QStringLiteral("every"));
        state.ResumeTiming();
        varnel::points::totalAllSoldiers(data1, clock, u'/', [](int, int) { return true; });
    }
}

// The floor Total All is held to: the cheapest way to write the same
// worksheets, one prepared UPDATE of the seven worksheet columns per
// soldier in one transaction, straight through SQLite with the program's
// own durability (synchronous=EXTRA), on a fresh copy each time. The values
// are those Total All writes on BM_TotalAllChangingEvery's day, read
// beforehand: the floor works nothing out.
void BM_TotalAllPlainUpdates(benchmark::State& state)
{
    const char* columns[] = {"TISPoints", "TIGPoints", "APFTPoints", "WeaponPoints", "AwardPoints", "TotalDate", "TOTAL"};
    std::vector<std::pair<qint64, QVariantList>> sheets;
    {
        varnel::test::FixedClock clock(QDateTime(QDate(2027, 3, 15), QTime(9, 0)));
        DataControl data1;
        openFreshCopy(data1, state, QStringLiteral("plain"));
        varnel::points::totalAllSoldiers(data1, clock, u'/', [](int, int) { return true; });
    }
    const QString totalled = rosterPath(workDir->filePath(QStringLiteral("plain-%1").arg(state.range(0))));
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(totalled).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* read = nullptr;
    QByteArray select = "SELECT _rowid_";
    for (const char* c : columns)
        select += QByteArray(", \"") + c + '"';
    sqlite3_prepare_v2(db, (select + " FROM Soldier").constData(), -1, &read, nullptr);
    while (sqlite3_step(read) == SQLITE_ROW) {
        QVariantList values;
        for (int i = 1; i <= int(std::size(columns)); ++i) {
            if (sqlite3_column_type(read, i) == SQLITE_NULL)
                values << QVariant();
            else if (sqlite3_column_type(read, i) == SQLITE_INTEGER)
                values << qlonglong(sqlite3_column_int64(read, i));
            else
                values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(read, i)));
        }
        sheets.emplace_back(sqlite3_column_int64(read, 0), values);
    }
    sqlite3_finalize(read);
    sqlite3_close(db);

    QByteArray update = "UPDATE Soldier SET ";
    for (const char* c : columns)
        update += QByteArray(c == columns[0] ? "\"" : ", \"") + c + "\" = ?";
    update += " WHERE _rowid_ = ?";
    for (auto _ : state) {
        state.PauseTiming();
        const QString dir = workDir->filePath(QStringLiteral("plain-copy-%1").arg(state.range(0)));
        QDir().mkpath(dir);
        QFile::remove(rosterPath(dir));
        QFile::copy(rosterPath(rosterDir(int(state.range(0)))), rosterPath(dir));
        state.ResumeTiming();
        sqlite3_open_v2(QFile::encodeName(rosterPath(dir)).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, "PRAGMA synchronous=EXTRA; BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_stmt* write = nullptr;
        sqlite3_prepare_v2(db, update.constData(), -1, &write, nullptr);
        for (const auto& [key, values] : sheets) {
            for (int i = 0; i < values.size(); ++i) {
                const QVariant& v = values.at(i);
                if (v.isNull())
                    sqlite3_bind_null(write, i + 1);
                else if (v.typeId() == QMetaType::LongLong)
                    sqlite3_bind_int64(write, i + 1, v.toLongLong());
                else
                    sqlite3_bind_text(write, i + 1, v.toString().toUtf8().constData(), -1, SQLITE_TRANSIENT);
            }
            sqlite3_bind_int64(write, int(values.size()) + 1, key);
            sqlite3_step(write);
            sqlite3_reset(write);
        }
        sqlite3_finalize(write);
        if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
            state.SkipWithError("the plain updates failed");
        sqlite3_close(db);
    }
    state.counters["soldiers"] = double(sheets.size());
}

// Undo of Total All against Total All itself, each on a fresh copy of the
// roster on which Total All changes every record: both write every record
// once, in one transaction. The time is the undo's; total_all_ms is Total
// All's in the same iteration. history_mib is what the history keeps for
// the undo, heap_mib how much the heap grew over Total All with it.
void BM_UndoTotalAll(benchmark::State& state)
{
    varnel::test::FixedClock clock(QDateTime(QDate(2027, 3, 15), QTime(9, 0)));
    double totalAllMs = 0, historyMib = 0, heapMib = 0;
    for (auto _ : state) {
        state.PauseTiming();
        DataControl data1;
        openFreshCopy(data1, state, QStringLiteral("undo"));
        data1.history().clear();
        const size_t heapBefore = allocatedInAll();
        QElapsedTimer timer;
        timer.start();
        varnel::points::totalAllSoldiers(data1, clock, u'/', [](int, int) { return true; });
        totalAllMs += double(timer.nsecsElapsed()) / 1e6;
        historyMib = double(data1.history().bytes()) / (1 << 20);
        heapMib = double(allocatedInAll() - heapBefore) / (1 << 20);
        state.ResumeTiming();
        if (!data1.recordset().undo([](int, int) { return true; }).done) {
            state.SkipWithError("nothing was undone");
            break;
        }
    }
    using benchmark::Counter;
    state.counters["total_all_ms"] = Counter(totalAllMs, Counter::kAvgIterations);
    state.counters["history_mib"] = historyMib;
    state.counters["heap_mib"] = heapMib;
}

// Find Soldier: the first search reads every name once; later ones scan
// them in memory. A part no name holds makes every search look at all.
void BM_FindFirst(benchmark::State& state)
{
    const QString dir = rosterDir(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        DataControl data1;
        loadRoster(data1, dir);
        state.ResumeTiming();
        benchmark::DoNotOptimize(data1.recordset().findName(QStringLiteral("zzqx"), 0));
    }
}

// The first search as the window makes it: the names were read on a thread
// of their own once the window was up (prepareNames), while the clerk got to
// the Find box. read_ms is that reading's time.
void BM_FindFirstPrepared(benchmark::State& state)
{
    const QString dir = rosterDir(int(state.range(0)));
    double readMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        DataControl data1;
        loadRoster(data1, dir);
        QElapsedTimer reading;
        reading.start();
        data1.recordset().prepareNames();
        while (!data1.recordset().namesReady())
            QThread::msleep(1);
        readMs += double(reading.nsecsElapsed()) / 1e6;
        state.ResumeTiming();
        benchmark::DoNotOptimize(data1.recordset().findName(QStringLiteral("zzqx"), 0));
    }
    state.counters["read_ms"] = benchmark::Counter(readMs, benchmark::Counter::kAvgIterations);
}

// A later search: the first one, which reads every name, is not timed.
void BM_FindAgain(benchmark::State& state)
{
    DataControl data1;
    openForOperations(data1, state);
    benchmark::DoNotOptimize(data1.recordset().findName(QStringLiteral("zzqx"), 0));
    for (auto _ : state)
        benchmark::DoNotOptimize(data1.recordset().findName(QStringLiteral("zzqx"), 0));
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
// The record commands and Find also at a whole service's roster, where they
// must take no longer than at a company's.
#define TO_A_MILLION SIZES->Arg(1000000)
// The record commands, held to the same time at every size: 5 runs each,
// their median, the runs of every size taken in turn with the others'
// (bench-store.sh shuffles them), so a busy moment of the disk falls on
// all sizes alike instead of on the size measured then.
#define RECORD_COMMAND TO_A_MILLION->Repetitions(5)->ReportAggregatesOnly(true)
BENCHMARK(BM_Refresh) SIZES->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SqliteShellBaseline)->Arg(1000)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RefreshWithoutIndex) SIZES->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SqliteShellBaselineWithoutIndex)->Arg(1000)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RosterMemory) SIZES->Iterations(1);
BENCHMARK(BM_FileCheck) SIZES->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SafetyCopy) SIZES->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_EditUpdate) RECORD_COMMAND;
BENCHMARK(BM_AddNewUpdate) RECORD_COMMAND;
// A fixed count, 500 in all, so the smallest roster never runs out of
// records to delete.
BENCHMARK(BM_DeleteMoveNext) RECORD_COMMAND->Iterations(100);
BENCHMARK(BM_MoveNext) RECORD_COMMAND;
BENCHMARK(BM_MoveLast) RECORD_COMMAND;
BENCHMARK(BM_WritesInTurns)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FieldRead) TO_A_MILLION;
BENCHMARK(BM_FieldWrite) TO_A_MILLION;
BENCHMARK(BM_GridScreenful) TO_A_MILLION;
BENCHMARK(BM_TotalAll)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TotalAllChangingEvery)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TotalAllPlainUpdates)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_UndoTotalAll)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FindFirst) TO_A_MILLION->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_FindFirstPrepared) TO_A_MILLION->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_FindAgain) TO_A_MILLION;

} // namespace

int main(int argc, char** argv)
{
    varnel::bench::installDiskSyncProbe();
    QTemporaryDir dir;
    // Safety copies go to the run's own folder, not the user's.
    qputenv("XDG_DATA_HOME", dir.filePath("data-home").toLocal8Bit());
    QCoreApplication app(argc, argv);
    workDir = &dir;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
