// The roster on a PostgreSQL server against the same roster in a file: the
// store's time to open it (the layout, the keys in name order and the first
// record, which the window waits for), and for each command its time
// and the statements it sends the server, each one round trip.
//
//   varnel-bench-server FILE URI SERVER_LOG
//
// FILE and URI hold the same roster (varnel-roster copy); SERVER_LOG is the
// server's log, which must log every statement (log_statement = all).
// scripts/bench-server.sh sets all of this up.
#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/recordset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace varnel::store;

namespace {

double medianMs(int repeats, const std::function<void()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Statements the server logged while `run` ran.
int statementsDuring(const QString& log, const std::function<void()>& run)
{
    QFile file(log);
    const qint64 before = file.size();
    run();
    QCoreApplication::processEvents();
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    file.seek(before);
    return int(file.readAll().count("LOG:  statement:"));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FILE URI SERVER_LOG\n", argv[0]);
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const QString server = QString::fromLocal8Bit(argv[2]);
    const QString log = QString::fromLocal8Bit(argv[3]);

    std::printf("%-34s %12s %12s %8s\n", "", "file", "server", "ratio");
    const auto row = [](const char* what, double f, double s) {
        std::printf("%-34s %9.3f ms %9.3f ms %7.2fx\n", what, f, s, s / f);
    };
    DataControl fileRoster, serverRoster;
    const double openFile = medianMs(5, [&] { openRosterAt(fileRoster, file); });
    const double openServer = medianMs(5, [&] { openRosterAt(serverRoster, server); });
    row("store open, median of 5", openFile, openServer);

    const auto moveNext = [](DataControl& d) {
        return [&d] {
            Recordset& rs = d.recordset();
            rs.moveTo((rs.position() + 1) % 1000);
        };
    };
    const auto update = [](DataControl& d) {
        return [&d] {
            static int n = 0;
            d.setPending(QStringLiteral("PrefDates"), Value::text(QStringLiteral("JUN %1").arg(++n)));
            updateRecord(d);
        };
    };
    row("move to the next record, median of 51", medianMs(51, moveNext(fileRoster)), medianMs(51, moveNext(serverRoster)));
    row("Update of one field, median of 51", medianMs(51, update(fileRoster)), medianMs(51, update(serverRoster)));

    std::printf("\nstatements sent to the server (each one round trip):\n");
    std::printf("  open:   %d\n", statementsDuring(log, [&] { openRosterAt(serverRoster, server); }));
    std::printf("  move:   %d\n", statementsDuring(log, moveNext(serverRoster)));
    std::printf("  Update: %d\n", statementsDuring(log, update(serverRoster)));
    std::printf("  Add:    %d\n", statementsDuring(log, [&] { addRecord(serverRoster); }));
    std::printf("  Delete: %d\n", statementsDuring(log, [&] { deleteRecord(serverRoster); }));
    return 0;
}
