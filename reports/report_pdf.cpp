#include "reports/report_pdf.h"

#include "reports/report_engine.h"
#include "reports/report_presenter.h"
#include "reports/report_progress.h"

namespace varnel::reports {

void writeReportPdf(const QString& layoutPath, const QString& pdfPath)
{
    ReportEngine engine(std::make_unique<PdfPresenter>(pdfPath), std::make_unique<SilentProgress>());
    engine.setReportFileName(layoutPath);
    engine.setAction(0);
}

} // namespace varnel::reports
