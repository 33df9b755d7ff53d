#pragma once

#include "reports/report_presenter.h"

#include <QString>

namespace varnel::reports {

// Produces the report of the layout file `layoutPath` straight into the PDF
// file `pdfPath`, with no window, through PdfPresenter: the file appears
// only once it is whole, the roster and the layout are never written over,
// and an existing file is replaced only when `existing` is Replace (the
// default, for programs that rewrite their own output; the command line
// asks for Refuse unless told to force). Throws varnel::Failure with the
// engine's numbers (report_failures.h).
void writeReportPdf(const QString& layoutPath, const QString& pdfPath, ExistingPdf existing = ExistingPdf::Replace);

} // namespace varnel::reports
