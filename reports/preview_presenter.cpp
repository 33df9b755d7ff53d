#include "reports/report_presenter.h"

#include "common/failure.h"
#include "reports/report_layout.h"
#include "reports/report_progress.h"
#include "reports/report_renderer.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolBar>
#include <optional>

namespace varnel::reports {

namespace {

QString askWithFileDialog(QWidget* parent, const QString& suggested)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Export PDF"), suggested,
                                        QStringLiteral("PDF files (*.pdf)"));
}

} // namespace

PreviewPresenter::PreviewPresenter(QWidget* parent, AskPdfPath askPdfPath)
    : parent_(parent), askPdfPath_(askPdfPath ? std::move(askPdfPath) : AskPdfPath(&askWithFileDialog))
{
}

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

    // Failures must not cross the dialog's event loop: kept, thrown after it.
    std::optional<Failure> failure;
    if (auto* toolbar = dialog.findChild<QToolBar*>()) {
        QAction* exportPdf = toolbar->addAction(QStringLiteral("Export PDF..."));
        exportPdf->setObjectName(QStringLiteral("exportPdf"));
        QObject::connect(exportPdf, &QAction::triggered, &dialog, [&] {
            const QString suggested = QDir::current().filePath(report.layout().title + QStringLiteral(".pdf"));
            const QString path = askPdfPath_(&dialog, suggested);
            if (path.isEmpty())
                return;
            try {
                PdfPresenter(path).present(report, progress);
            } catch (const Failure& exportFailure) {
                failure = exportFailure;
                dialog.reject();
            }
            progress.end();
        });
    }
    dialog.exec();
    if (failure)
        throw *failure;
}

} // namespace varnel::reports
