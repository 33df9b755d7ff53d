#include "reports/report_presenter.h"
#include "reports/report_layout.h"
#include "reports/report_progress.h"
#include "reports/report_renderer.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

namespace varnel::reports {

void PreviewPresenter::present(const ReportRenderer& report, ReportProgress& progress)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(report.pageLayout());
    printer.setDocName(report.layout().title);
    printer.setCreator(QStringLiteral("Varnel"));

    QPrintPreviewDialog dialog(&printer, parent_);
    dialog.setWindowTitle(report.layout().title);
    // The preview asks for the pages again after every page setup change and
    // for printing; each request paints them afresh on the printer given.
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
        if (report.render(*target, progress) == ReportRenderer::Outcome::Stopped)
            QMetaObject::invokeMethod(&dialog, &QDialog::reject, Qt::QueuedConnection);
        progress.end();
    });
    dialog.exec();
}

} // namespace varnel::reports
