#include "reports/report_presenter.h"

#include "app/varnel_version.h"
#include "common/failure.h"
#include "common/output_target.h"
#include "reports/pdf_document.h"
#include "reports/pdf_target.h"
#include "reports/report_failures.h"
#include "reports/report_layout.h"
#include "reports/report_renderer.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

namespace varnel::reports {

namespace {

[[noreturn]] void outputFailed(const QString& path, const QString& why)
{
    throw Failure(failure::OutputFailed, QCoreApplication::translate("varnel::reports", "The report could not be written to the file %1: %2.")
                                             .arg(QDir::toNativeSeparators(path), why));
}

} // namespace

void PdfPresenter::present(const ReportRenderer& report, ReportProgress& progress)
{
    if (checkPdfTarget(pdfPath_, report.layout()) == PdfTarget::Existing && existing_ == ExistingPdf::Refuse)
        throw Failure(failure::OutputExists,
                      QCoreApplication::translate("varnel::reports", "The file %1 already exists; the report was not written over it.")
                          .arg(QDir::toNativeSeparators(pdfPath_)));

    // QSaveFile writes to a temporary file beside the target and renames it
    // into place in commit(), after flushing it to the disk; destroyed
    // without commit() it removes the temporary file. Never a direct write:
    // a folder where no temporary file can be made is a failure.
    QSaveFile file(pdfPath_);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        outputFailed(pdfPath_, file.errorString());

    ReportRenderer::Outcome outcome;
    {
        PdfDocument pdf(file, report.pageLayout(), report.layout().title, QStringLiteral(VARNEL_PRODUCT_NAME));
        outcome = pdf.startPage() ? ReportPages(report, pdf.metrics())
                                        .paintAll(pdf, progress, [&] { return pdf.startPage(); })
                                  : ReportRenderer::Outcome::DeviceFailed;
        if (outcome == ReportRenderer::Outcome::Done && !pdf.finish())
            outcome = ReportRenderer::Outcome::DeviceFailed;
    }
    switch (outcome) {
    case ReportRenderer::Outcome::Stopped:
        file.cancelWriting();
        return;
    case ReportRenderer::Outcome::DeviceFailed:
        outputFailed(pdfPath_, varnel::writeFailureText(file));
    case ReportRenderer::Outcome::Done:
        break;
    }
    // The PDF writer does not look at the device's errors: a short write
    // (a full disk) shows here, or in commit().
    if (file.error() != QFileDevice::NoError || !file.flush() || !file.commit())
        outputFailed(pdfPath_, varnel::writeFailureText(file));
}

} // namespace varnel::reports
