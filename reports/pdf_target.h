#pragma once

#include <QString>

namespace varnel::reports {

struct ReportLayout;

enum class PdfTarget { New, Existing };

// Where the PDF of the report of `layout` may go. A report never writes over
// its own inputs: the PDF may not be the layout's data source (the roster),
// one of the journal files SQLite keeps beside it (-journal, -wal, -shm), or
// the layout file, however the path is spelt (relative, "..", another case
// on a file system that ignores case, a symbolic or a hard link).
//
// Throws varnel::Failure naming the file: failure::OutputIsInput for those;
// failure::OutputFailed when no file is named or the path is a folder or no
// plain file (a device such as /dev/full, a pipe). Otherwise says whether a
// file is there already, for the caller to ask or refuse.
PdfTarget checkPdfTarget(const QString& pdfPath, const ReportLayout& layout);

} // namespace varnel::reports
