#pragma once

namespace varnel::reports {

// The report engine's own failure numbers, carried by varnel::Failure. Each
// description names the file concerned. Documented for layout authors in
// docs/report-layouts.md; keep the two in step.
namespace failure {
inline constexpr int LayoutUnreadable = 5101;  // layout file missing or unreadable
inline constexpr int NotALayout = 5102;        // not JSON, or keys missing or wrong
inline constexpr int UnknownFormat = 5103;     // "format" is not a version this engine reads
inline constexpr int NotARoster = 5104;        // data source missing, not a database, no Soldier table
inline constexpr int QueryRefused = 5105;      // the query could write, or is more than one statement
inline constexpr int QueryFailed = 5106;       // the database rejected or failed the query
inline constexpr int OutputFailed = 5107;      // the PDF file could not be written
} // namespace failure

} // namespace varnel::reports
