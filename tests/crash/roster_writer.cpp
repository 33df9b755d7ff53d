// A writer for the crash test: varnel-crash-writer FILE FIRST_COUNTER SEED [STEPS]
//
// Each step takes the next counter value and stores it into both evaluation columns of a record chosen at random, or
// adds a record named "ADDED <counter>" carrying it in both; once the command has returned it writes
// "EDIT <name>\t<counter>" or "ADD <name>\t<counter>" to stdout and flushes. Edits go alternately through the recordset
// and through the binding as the window does. Given STEPS it stops after that many and closes the roster as the program
// does on exit; without, only after a great many, so a test that loses it cannot leave it running for ever.
#include "common/failure.h"
#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/record_layout.h"

#include <QCoreApplication>
#include <cstdio>
#include <random>

using namespace varnel::store;

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
    const int steps = args.size() == 5 ? args.at(4).toInt() : 1'000'000;
    const auto acknowledge = [](const char* what, const QString& name, qint64 stamp) {
        std::fputs(QStringLiteral("%1 %2\t%3\n").arg(QLatin1String(what), name).arg(stamp).toUtf8(), stdout);
        std::fflush(stdout);
    };
    try {
        DataControl data1;
        data1.setDatabaseName(args.at(1));
        data1.setRecordSource(kRosterQuery);
        data1.refresh();
        Recordset& rs = data1.recordset();
        const int name = rs.layout().indexOf(column::Name);
        for (int step = 0; step < steps; ++step, ++counter) {
            const Value stamp = Value::integer(counter);
            const bool add = rs.recordCount() == 0 || random() % 8 == 0;
            if (add) {
                rs.addNew();
                rs.fields(name).setValue(Value::text(QStringLiteral("ADDED %1").arg(counter)));
            } else {
                rs.moveTo(int(random() % quint64(rs.recordCount())));
            }
            const QString soldier = add ? QStringLiteral("ADDED %1").arg(counter) : rs.fields(name).value().asText();
            if (add || step % 2 == 0) {
                if (!add)
                    rs.edit();
                rs.fields(ordinal::FirstEvaluation).setValue(stamp);
                rs.fields(ordinal::SecondEvaluation).setValue(stamp);
                rs.update();
            } else {
                data1.setPending(rs.layout().at(ordinal::FirstEvaluation).name, stamp);
                data1.setPending(rs.layout().at(ordinal::SecondEvaluation).name, stamp);
                updateRecord(data1);
            }
            acknowledge(add ? "ADD" : "EDIT", soldier, counter);
        }
    } catch (const varnel::Failure& failure) {
        std::fprintf(stderr, "failure %d: %s\n", failure.number(), qPrintable(failure.description()));
        return 1;
    }
    return 0;
}
