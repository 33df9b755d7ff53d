#include "reports/pdf_target.h"

#include "common/failure.h"
#include "common/output_target.h"
#include "common/server_connection.h"
#include "reports/report_failures.h"
#include "reports/report_layout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace varnel::reports {

namespace {

[[noreturn]] void refuse(const QString& pdf, const QString& what)
{
    throw Failure(failure::OutputIsInput,
                  QCoreApplication::translate("varnel::reports", "The report was not written to %1: that is %2, which a report never writes over.")
                      .arg(QDir::toNativeSeparators(pdf), what));
}

} // namespace

PdfTarget checkPdfTarget(const QString& pdfPath, const ReportLayout& layout)
{
    if (pdfPath.trimmed().isEmpty())
        throw Failure(failure::OutputFailed, QCoreApplication::translate("varnel::reports", "No PDF file was named for the report."));

    const QList<KeptFile> kept{
        {layout.dataSource.text(),
         QCoreApplication::translate("varnel::reports", "the report's data source %1").arg(layout.dataSource.inWords()), true},
        {layout.path, QCoreApplication::translate("varnel::reports", "the report layout file %1").arg(QDir::toNativeSeparators(layout.path))}};
    if (const std::optional<KeptFile> input = keptFileAt(pdfPath, kept))
        refuse(pdfPath, input->what);

    const QFileInfo target(pdfPath);
    if (!target.exists())
        return PdfTarget::New;
    if (target.isDir())
        throw Failure(failure::OutputFailed, QCoreApplication::translate("varnel::reports", "The report could not be written to %1: it is a folder.")
                                                 .arg(QDir::toNativeSeparators(pdfPath)));
    // A device or a pipe cannot take a file renamed over it, and replacing
    // the device itself would be worse.
    if (!target.isFile())
        throw Failure(failure::OutputFailed,
                      QCoreApplication::translate("varnel::reports", "The report could not be written to %1: it is not a plain file.")
                          .arg(QDir::toNativeSeparators(pdfPath)));
    return PdfTarget::Existing;
}

} // namespace varnel::reports
