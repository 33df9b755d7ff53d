#include "reports/report_presenter.h"

#include "common/failure.h"
#include "reports/report_failures.h"
#include "reports/report_layout.h"
#include "reports/report_renderer.h"

#include <QDir>
#include <QPdfWriter>

namespace varnel::reports {

void PdfPresenter::present(const ReportRenderer& report, ReportProgress& progress)
{
    QPdfWriter writer(pdfPath_);
    writer.setPageLayout(report.pageLayout());
    writer.setTitle(report.layout().title);
    writer.setCreator(QStringLiteral("Varnel"));
    if (report.render(writer, progress) == ReportRenderer::Outcome::DeviceFailed)
        throw Failure(failure::OutputFailed,
                      QStringLiteral("The report could not be written to the file %1.")
                          .arg(QDir::toNativeSeparators(pdfPath_)));
}

} // namespace varnel::reports
