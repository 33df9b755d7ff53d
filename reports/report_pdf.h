#pragma once

#include <QString>

namespace varnel::reports {

// Produces the report of the layout file `layoutPath` straight into the PDF
// file `pdfPath` (replaced if it exists), with no window. Throws
// varnel::Failure with the engine's numbers (report_failures.h).
void writeReportPdf(const QString& layoutPath, const QString& pdfPath);

} // namespace varnel::reports
