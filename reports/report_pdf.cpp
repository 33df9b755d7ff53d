#include "reports/report_pdf.h"

#include "reports/report_engine.h"
#include "reports/report_progress.h"

namespace varnel::reports {

void writeReportPdf(const QString& layoutPath, const QString& pdfPath, ExistingPdf existing)
{
    ReportEngine engine(std::make_unique<PdfPresenter>(pdfPath, existing), std::make_unique<SilentProgress>());
    engine.setReportFileName(layoutPath);
    engine.setAction(0);
}

} // namespace varnel::reports
