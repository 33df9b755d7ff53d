// `varnel-roster report`: the report engine without a window.

#include "app/varnel_version.h"
#include "common/failure.h"
#include "reports/report_failures.h"
#include "reports/report_pdf.h"

#include <QString>
#include <cstdio>

int runReport(const QString& layout, const QString& pdf, bool force)
{
    using namespace varnel::reports;
    try {
        writeReportPdf(layout, pdf, force ? ExistingPdf::Replace : ExistingPdf::Refuse);
    } catch (const varnel::Failure& failure) {
        if (failure.number() == failure::OutputExists)
            std::fprintf(stderr, VARNEL_ROSTER_PROGRAM ": give --force to replace %s.\n", qPrintable(pdf));
        throw;
    }
    // Only now is the PDF whole and in place.
    std::printf("Wrote %s\n", qPrintable(pdf));
    return 0;
}
