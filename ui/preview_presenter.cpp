#include "ui/preview_presenter.h"

#include "common/failure.h"
#include "common/shipped_files.h"
#include "reports/pdf_target.h"
#include "reports/report_engine.h"
#include "reports/report_failures.h"
#include "reports/report_layout.h"
#include "reports/report_progress.h"
#include "reports/report_renderer.h"
#include "ui/dialog_progress.h"
#include "ui/product.h"
#include "ui/report_preview.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrinter>
#include <new>
#include <optional>

namespace varnel::ui {

using reports::ExistingPdf;
using reports::PdfPresenter;
using reports::PdfTarget;
using reports::ReportLayout;
using reports::ReportProgress;
using reports::ReportRenderer;

namespace {

const char* const kContext = "varnel::ui::PreviewPresenter";

QString askWithFileDialog(QWidget* parent, const QString& suggested)
{
    // The replace question is asked by the presenter itself, after the
    // roster and the layout were refused: never "replace the roster?".
    return QFileDialog::getSaveFileName(parent, QCoreApplication::translate(kContext, "Export PDF"), suggested,
                                        QCoreApplication::translate(kContext, "PDF files (*.pdf)"), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

bool askWithQuestionBox(QWidget* parent, const QString& path)
{
    return QMessageBox::question(
               parent, kCaption,
               QCoreApplication::translate(kContext, "The file %1 already exists.\nDo you want to replace it?")
                   .arg(QDir::toNativeSeparators(path)),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

// Runs `work` inside one of the dialog's event handlers, where nothing may
// be thrown: a failure is kept for present() to throw once the dialog is
// closed, and closes it. Memory running out becomes the engine's failure.
template <typename Work>
void keepingFailure(std::optional<Failure>& kept, QDialog& dialog, const ReportLayout& layout, Work&& work) noexcept
{
    try {
        try {
            work();
            return;
        } catch (const Failure& failure) {
            kept = failure;
        } catch (const std::bad_alloc&) {
            kept = Failure(reports::failure::ReportTooLarge,
                           QCoreApplication::translate(
                               kContext, "The report of the layout %1 needs more memory than there is; it was stopped.")
                               .arg(layout.path));
        } catch (const std::exception& error) {
            kept = Failure(reports::failure::EngineFault,
                           QCoreApplication::translate(kContext, "The report of the layout %1 failed unexpectedly: %2.")
                               .arg(layout.path, QString::fromLocal8Bit(error.what())));
        }
    } catch (...) {
        // Even the failure could not be kept (no memory left for its text):
        // the preview still closes and the report ends.
    }
    QMetaObject::invokeMethod(&dialog, &QDialog::reject, Qt::QueuedConnection);
}

// Where a print went, as the clerk chose it in the print dialog.
QString printedTo(const QPrinter& printer)
{
    if (!printer.outputFileName().isEmpty())
        return QCoreApplication::translate(kContext, "the file %1")
            .arg(QDir::toNativeSeparators(printer.outputFileName()));
    if (printer.printerName().isEmpty())
        return QCoreApplication::translate(kContext, "the printer");
    return QCoreApplication::translate(kContext, "the printer \"%1\"").arg(printer.printerName());
}

// Prints the report on `target`, laid out for it. A device that fails is
// the printer's: one that cannot begin, refuses a page or the finished job,
// or ends in its error state.
void paintReport(QDialog& dialog, const ReportRenderer& report, QPrinter& target, ReportProgress& progress)
{
    const ReportRenderer::Outcome outcome = report.render(target, progress);
    if (outcome == ReportRenderer::Outcome::Stopped) {
        QMetaObject::invokeMethod(&dialog, &QDialog::reject, Qt::QueuedConnection);
        return;
    }
    if (outcome == ReportRenderer::Outcome::DeviceFailed || target.printerState() == QPrinter::Error)
        throw Failure(reports::failure::PrintFailed,
                      QCoreApplication::translate(kContext, "The report \"%1\" (layout %2) could not be printed to %3.")
                          .arg(report.layout().title, QDir::toNativeSeparators(report.layout().path),
                               printedTo(target)));
}

} // namespace

PreviewPresenter::PreviewPresenter(QWidget* parent, AskPdfPath askPdfPath, AskReplace askReplace)
    : parent_(parent), askPdfPath_(askPdfPath ? std::move(askPdfPath) : AskPdfPath(&askWithFileDialog)),
      askReplace_(askReplace ? std::move(askReplace) : AskReplace(&askWithQuestionBox))
{
}

void PreviewPresenter::present(const ReportRenderer& report, ReportProgress& progress)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(report.pageLayout());
    printer.setDocName(report.layout().title);
    printer.setCreator(kProductName);

    // The pages are laid out once; the preview draws each when it is shown.
    progress.begin(QCoreApplication::translate(kContext, "Laying out the pages..."), 1);
    ReportPreview dialog(report, printer, parent_);
    const bool goOn = progress.step(1);
    progress.end();
    if (!goOn)
        return;

    // Failures must not cross the dialog's event loop: kept, thrown after it.
    std::optional<Failure> failure;

    QObject::connect(&dialog, &ReportPreview::printRequested, &dialog, [&](QPrinter* target) {
        keepingFailure(failure, dialog, report.layout(), [&] { paintReport(dialog, report, *target, progress); });
        progress.end();
    });
    QObject::connect(&dialog, &ReportPreview::exportRequested, &dialog, [&] {
        keepingFailure(failure, dialog, report.layout(), [&] {
            const QString suggested = QDir::current().filePath(report.layout().title + QStringLiteral(".pdf"));
            const QString path = askPdfPath_(&dialog, suggested);
            if (path.isEmpty())
                return;
            // "No" leaves the file and the preview as they are.
            if (reports::checkPdfTarget(path, report.layout()) == PdfTarget::Existing && !askReplace_(&dialog, path))
                return;
            PdfPresenter(path, ExistingPdf::Replace).present(report, progress);
        });
        progress.end();
    });
    dialog.exec();
    if (failure)
        throw *failure;
}

std::unique_ptr<reports::ReportEngine> makePreviewReportEngine(QWidget* parent)
{
    auto engine = std::make_unique<reports::ReportEngine>(std::make_unique<PreviewPresenter>(parent),
                                                          std::make_unique<DialogProgress>(parent));
    engine->setShippedLayoutFolders(shippedFileFolders());
    return engine;
}

} // namespace varnel::ui
