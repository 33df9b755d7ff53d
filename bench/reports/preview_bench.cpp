// The print preview of a report: the time from asking for it to its first
// page on screen, to its last page on screen, and the program's peak
// memory.
//   varnel-bench-preview LAYOUT          the program's own preview
//   varnel-bench-preview LAYOUT --qt     Qt's QPrintPreviewDialog, which
//                                        paints every page before it shows
// Prints one line: open_ms=... last_page_ms=... peak_rss_mib=... pages=...

#include "reports/report_engine.h"
#include "reports/report_progress.h"
#include "reports/report_renderer.h"
#include "ui/preview_presenter.h"
#include "ui/report_preview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

double peakMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Qt's own preview of the same pages, as the program had it before.
class QtPreviewPresenter final : public varnel::reports::ReportPresenter {
public:
    void present(const varnel::reports::ReportRenderer& report, varnel::reports::ReportProgress& progress) override
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageLayout(report.pageLayout());
        QPrintPreviewDialog dialog(&printer);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                         [&](QPrinter* target) { report.render(*target, progress); });
        dialog.exec();
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: varnel-bench-preview LAYOUT [--qt]\n");
        return 2;
    }
    const bool qtPreview = argc > 2 && QByteArray(argv[2]) == "--qt";
    QElapsedTimer clock;
    double openMs = -1, lastMs = -1;
    int pages = 0;

    // Once the preview is up: its time, then its last page shown and drawn.
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        watch.stop();
        // grab() paints the page view as the screen would show it.
        if (auto* ours = qobject_cast<varnel::ui::ReportPreview*>(modal)) {
            ours->view().viewport()->grab();
            openMs = double(clock.nsecsElapsed()) / 1e6;
            pages = ours->pageCount();
            ours->view().showPage(pages - 1);
            ours->view().viewport()->grab();
        } else if (auto* widget = modal->findChild<QPrintPreviewWidget*>()) {
            widget->grab();
            openMs = double(clock.nsecsElapsed()) / 1e6;
            pages = widget->pageCount();
            widget->setCurrentPage(pages);
            widget->grab();
        }
        lastMs = double(clock.nsecsElapsed()) / 1e6;
        modal->close();
    });
    watch.start();

    std::unique_ptr<varnel::reports::ReportPresenter> presenter;
    if (qtPreview)
        presenter = std::make_unique<QtPreviewPresenter>();
    else
        presenter = std::make_unique<varnel::ui::PreviewPresenter>();
    varnel::reports::ReportEngine engine(std::move(presenter), std::make_unique<varnel::reports::SilentProgress>());
    engine.setReportFileName(QString::fromLocal8Bit(argv[1]));
    clock.start();
    try {
        engine.setAction(0);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "varnel-bench-preview: %s\n", failure.what());
        return 1;
    }
    std::printf("open_ms=%.1f last_page_ms=%.1f peak_rss_mib=%.1f pages=%d\n", openMs, lastMs, peakMiB(), pages);
    return pages > 0 ? 0 : 1;
}
