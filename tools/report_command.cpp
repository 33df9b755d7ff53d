// `varnel-roster report`: the report engine without a window.

#include "reports/report_pdf.h"

#include <QString>
#include <cstdio>

int runReport(const QString& layout, const QString& pdf)
{
    varnel::reports::writeReportPdf(layout, pdf);
    std::printf("Wrote %s\n", qPrintable(pdf));
    return 0;
}
