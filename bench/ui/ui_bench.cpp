// The main window's start-up, scrolling and row moves on the roster file of
// the current directory. main() builds the window exactly as the program's
// own main() does; after the first paint it scrolls the grid from top to
// bottom a page at a time and moves the current row through the roster,
// timing every step including its repaint, and prints the figures.
//
//   varnel-bench-ui [--database URI | --no-roster] [--first-paint-only]
//
// --database opens the roster on that server instead, as varnel's own
// option does; --no-roster opens none, which measures the window alone;
// --first-paint-only prints the time to the first paint and the peak
// memory until then, and ends there.

#include "probe.h"

#include "ui/application.h"
#include "ui/main_form.h"
#include "ui/roster_grid.h"
#include "ui/roster_grid_model.h"

#include <QApplication>
#include <QScrollBar>
#include <QTimer>

namespace {

bench::StepTimes scrollTopToBottom(varnel::ui::RosterGrid* grid)
{
    bench::StepTimes steps;
    QScrollBar* bar = grid->verticalScrollBar();
    bar->setValue(bar->minimum());
    while (bar->value() < bar->maximum()) {
        QElapsedTimer step;
        step.start();
        bar->setValue(std::min(bar->value() + bar->pageStep(), bar->maximum()));
        grid->viewport()->repaint();
        steps.ms.push_back(bench::milliseconds(step));
    }
    return steps;
}

// Row moves as the clerk makes them: one row down at a time for a while,
// then jumps spread over the whole roster, ending on the last record. Each
// step repaints the whole window, detail controls included.
bench::StepTimes moveRows(varnel::ui::MainForm& form)
{
    bench::StepTimes steps;
    varnel::ui::RosterGrid* grid = form.grid();
    const int records = grid->rosterModel()->recordRows();
    if (records == 0)
        return steps;
    QList<int> targets;
    for (int r = 1; r < std::min(records, 200); ++r)
        targets << r;
    const int jumps = 300;
    for (int i = 1; i <= jumps; ++i)
        targets << int(qint64(records - 1) * i / jumps);
    for (int row : targets) {
        QElapsedTimer step;
        step.start();
        grid->setCurrentIndex(grid->model()->index(row, 0));
        form.repaint();
        steps.ms.push_back(bench::milliseconds(step));
    }
    return steps;
}

} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer sinceMain;
    sinceMain.start();

    // As app/main.cpp.
    QApplication app(argc, argv);
    varnel::ui::setUpApplication();

    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype databaseAt = arguments.indexOf(QStringLiteral("--database"));
    const QString database = databaseAt > 0 ? arguments.value(databaseAt + 1) : QString();
    const bool firstPaintOnly = arguments.contains(QStringLiteral("--first-paint-only"));
    const bool noRoster = arguments.contains(QStringLiteral("--no-roster"));

    varnel::ui::MainForm form;
    if (!noRoster && !(database.isEmpty() ? varnel::ui::loadFromCurrentDirectory(form) : varnel::ui::loadServerRoster(form, database)))
        return 1;

    bench::FirstPaintProbe probe(form.grid()->viewport(), [&] {
        const double firstPaint = bench::milliseconds(sinceMain);
        const double rssAtFirstPaint = bench::peakRssMiB();
        if (firstPaintOnly) {
            std::printf("first_paint_ms=%.1f rows=%d peak_rss_mib=%.1f\n", firstPaint, form.grid()->rosterModel()->recordRows(),
                        rssAtFirstPaint);
            std::fflush(stdout);
            QCoreApplication::exit(0);
            return;
        }
        const bench::StepTimes scroll = scrollTopToBottom(form.grid());
        const bench::StepTimes rows = moveRows(form);
        std::printf("first_paint_ms=%.1f rows=%d peak_rss_mib=%.1f rss_at_first_paint_mib=%.1f "
                    "scroll_steps=%zu scroll_median_ms=%.2f scroll_p99_ms=%.2f scroll_max_ms=%.2f scroll_slowest_step=%zu "
                    "row_moves=%zu row_median_ms=%.2f row_p99_ms=%.2f row_max_ms=%.2f row_slowest_step=%zu\n",
                    firstPaint, form.grid()->rosterModel()->recordRows(), bench::peakRssMiB(), rssAtFirstPaint,
                    scroll.ms.size(), scroll.percentile(0.5), scroll.percentile(0.99), scroll.max(), scroll.slowest(),
                    rows.ms.size(), rows.percentile(0.5), rows.percentile(0.99), rows.max(), rows.slowest());
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    form.show();
    QTimer::singleShot(600000, [] { QCoreApplication::exit(2); });
    return QApplication::exec();
}
