// The baseline: the plain way to show a roster in Qt. It opens the roster
// file of the current directory, loads the whole roster query into a
// QSqlQueryModel (fetching every row), shows it in a QTableView and prints
// the time from main() to the table's first paint and its peak memory.

#include "probe.h"

#include <QApplication>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QTimer>

int main(int argc, char* argv[])
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    QApplication app(argc, argv);

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(QDir::current().filePath(QStringLiteral("Varnel_DATA.MDB")));
    if (!db.open()) {
        std::fprintf(stderr, "varnel-bench-baseline: %s\n", qPrintable(db.lastError().text()));
        return 1;
    }
    QSqlQueryModel model;
    model.setQuery(QSqlQuery(QStringLiteral("SELECT * FROM Soldier ORDER BY Name Asc"), db));
    while (model.canFetchMore())
        model.fetchMore();
    if (model.lastError().isValid()) {
        std::fprintf(stderr, "varnel-bench-baseline: %s\n", qPrintable(model.lastError().text()));
        return 1;
    }

    QTableView view;
    view.setModel(&model);
    view.setWindowTitle(QStringLiteral("Baseline"));
    view.resize(401, 201);
    bench::FirstPaintProbe probe(view.viewport(), [&] {
        const double firstPaint = bench::milliseconds(sinceMain);
        std::printf("first_paint_ms=%.1f rows=%d peak_rss_mib=%.1f\n", firstPaint, model.rowCount(),
                    bench::peakRssMiB());
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    view.show();
    QTimer::singleShot(60000, [] { QCoreApplication::exit(2); });
    return QApplication::exec();
}
