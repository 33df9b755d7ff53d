#pragma once

#include "common/failure_numbers.h"

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
inline constexpr int OutputFailed = OutputError::WriteFailed; // the PDF file could not be written
inline constexpr int QueryTimedOut = 5108;     // the query ran past the engine's time limit
inline constexpr int ReportTooLarge = 5109;    // the query's values outgrew the engine's memory bounds
inline constexpr int LayoutTooLarge = 5110;    // the layout file or one of its values is beyond the engine's limits
inline constexpr int OutputIsInput = OutputError::WouldOverwriteInput; // the PDF would be written over the data source or the layout
inline constexpr int OutputExists = OutputError::ExistsNotReplaced; // the PDF file exists and replacing it was not allowed
inline constexpr int EngineFault = 5113;       // an unexpected error inside the engine
inline constexpr int RosterOnServer = 5114;    // the open roster is on a server and no report address was given
inline constexpr int WritingRole = 5115;       // the report's role on the server may change the Soldier table
inline constexpr int PrintFailed = OutputError::PrintFailed; // the printer could not take the report
} // namespace failure

} // namespace varnel::reports
