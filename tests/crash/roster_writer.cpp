// A writer for the crash test: opens a roster file through the program's own
// store and keeps storing changes until it is killed.
//
//   varnel-crash-writer FILE FIRST_COUNTER SEED [STEPS]
//
// Each step takes the next counter value and either stores it into both
// evaluation columns (positions 23 and 24) of a record chosen at random, or
// adds a new record named "ADDED <counter>" that carries it in both. Once the
// command has returned, one line goes to stdout and is flushed:
//
//   EDIT <name>\t<counter>
//   ADD <name>\t<counter>
//
// so everything the reader has seen was stored before the line was written.
// Edits go alternately through the recordset (Edit, field writes, Update)
// and through the binding as the window does (pending control values, then
// the Update command). Given STEPS it stops after that many steps and
// closes the roster as the program does on exit; without, it stops on its
// own only after a great many, so a test that loses it cannot leave it
// running for ever.
#include "common/failure.h"
#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/record_layout.h"

#include <QCoreApplication>
#include <cstdio>
#include <random>

using varnel::store::DataControl;
using varnel::store::Recordset;
using varnel::store::Value;
namespace ordinal = varnel::store::ordinal;

namespace {

constexpr int kMaximumSteps = 1'000'000;

void acknowledge(const char* what, const QString& name, qint64 counter)
{
    const QByteArray line = QStringLiteral("%1 %2\t%3\n").arg(QLatin1String(what), name).arg(counter).toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv); // through it Qt loads the SQLite driver
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4 && args.size() != 5) {
        std::fprintf(stderr, "usage: varnel-crash-writer FILE FIRST_COUNTER SEED [STEPS]\n");
        return 2;
    }
    qint64 counter = args.at(2).toLongLong();
    std::mt19937_64 random(args.at(3).toULongLong());
    const int steps = args.size() == 5 ? args.at(4).toInt() : kMaximumSteps;

    try {
        DataControl data1;
        data1.setDatabaseName(args.at(1));
        data1.setRecordSource(varnel::store::kRosterQuery);
        data1.refresh();
        Recordset& rs = data1.recordset();
        const int nameOrdinal = rs.layout().indexOf(varnel::store::column::Name);
        const QString first = rs.layout().at(ordinal::FirstEvaluation).name;
        const QString second = rs.layout().at(ordinal::SecondEvaluation).name;

        for (int step = 0; step < steps; ++step, ++counter) {
            const Value stamp = Value::integer(counter);
            if (rs.recordCount() == 0 || random() % 8 == 0) {
                const QString name = QStringLiteral("ADDED %1").arg(counter);
                rs.addNew();
                rs.fields(nameOrdinal).setValue(Value::text(name));
                rs.fields(ordinal::FirstEvaluation).setValue(stamp);
                rs.fields(ordinal::SecondEvaluation).setValue(stamp);
                rs.update();
                acknowledge("ADD", name, counter);
                continue;
            }
            rs.moveTo(int(random() % quint64(rs.recordCount())));
            const QString name = rs.fields(nameOrdinal).value().asText();
            if (step % 2 == 0) {
                rs.edit();
                rs.fields(ordinal::FirstEvaluation).setValue(stamp);
                rs.fields(ordinal::SecondEvaluation).setValue(stamp);
                rs.update();
            } else {
                data1.setPending(first, stamp);
                data1.setPending(second, stamp);
                varnel::store::updateRecord(data1);
            }
            acknowledge("EDIT", name, counter);
        }
    } catch (const varnel::Failure& failure) {
        std::fprintf(stderr, "failure %d: %s\n", failure.number(), qPrintable(failure.description()));
        return 1;
    }
    return 0;
}
