#pragma once

// The numbers varnel::Failure carries where the program itself refuses.
// Where the database engine fails, a failure carries SQLite's own extended
// result code instead (13 a full disk, 8 a read-only file, 5 a file locked
// by another program, ...); where the clerk's original platform had a
// number for the same refusal, the program uses that one. The report
// engine's own numbers (5101 and up) are in reports/report_failures.h, the
// Access import's (5201 and up) in legacy/import_failures.h.
// docs/failures.md lists every number with its meaning: keep it in step.
//
// Plain constants only: the Access reader, a program without Qt, takes
// them too.
namespace varnel {

// A file the clerk names (a PDF, a CSV export) that cannot be written, or a
// print that fails: the report engine's numbers, which the roster export
// shares.
namespace OutputError {
inline constexpr int WriteFailed = 5107;        // the file could not be written whole
inline constexpr int WouldOverwriteInput = 5111; // it would go over the roster file (or a layout)
inline constexpr int ExistsNotReplaced = 5112;  // it exists and was not to be replaced
inline constexpr int PrintFailed = 5116;        // the printer (or the file printed to) could not take the report
} // namespace OutputError

// The roster store's own refusals.
namespace RecordsetError {
inline constexpr int Overflow = 6;              // a sum that does not fit a whole number
inline constexpr int DamagedFile = 11;          // the roster file failed SQLite's check
inline constexpr int TypeMismatch = 13;         // text or a date added as a number
inline constexpr int RosterFileMoved = 1032;    // the open file is no longer at its path
inline constexpr int NoEditInProgress = 3020;
inline constexpr int NoCurrentRecord = 3021;
inline constexpr int BadRecordSource = 3078;
inline constexpr int RecordGone = 3167;
inline constexpr int BadLayout = 3190;
inline constexpr int ChangedByAnotherWriter = 3197;
inline constexpr int NoSuchColumn = 3265;
inline constexpr int NotOpen = 3420;
inline constexpr int TypeConversion = 3421;     // typed text that is not of the column's kind
// An export the clerk names.
inline constexpr int OutputFailed = OutputError::WriteFailed;
inline constexpr int WouldOverwriteRoster = OutputError::WouldOverwriteInput;
inline constexpr int ExistsNotReplaced = OutputError::ExistsNotReplaced;
} // namespace RecordsetError

// A roster on a PostgreSQL server: the server's SQLSTATE mapped to the
// number the clerk's original platform gave the same failure of a server
// (its ODBC numbers); the description carries the SQLSTATE.
namespace ServerError {
inline constexpr int DuplicateKey = 3022;       // 23505: a key value that is already taken
inline constexpr int LoginRefused = 3029;       // 28000, 28P01: the server does not accept the user
inline constexpr int NoPermission = 3033;       // 42501: the user may not read or write the table
inline constexpr int CallFailed = 3146;         // any other SQLSTATE
inline constexpr int ConnectionFailed = 3151;   // 08xxx, 57P0x, 53300: no connection, or it was lost
inline constexpr int Conflict = 3197;           // 40001, 40P01, 55P03: another clerk's write came first
inline constexpr int TypeConversion = 3421;     // 22xxx, 42804: a value of the wrong kind for its column
} // namespace ServerError

// The refusals of varnel-roster's own commands (create, sample, recover)
// and of the Access import for a name that is taken: the platform's error
// numbers for the same condition, and SQLite's general one where none fits.
namespace ToolError {
inline constexpr int GeneralError = 1;          // SQLite's general SQLITE_ERROR: a new file not given its name, or an
                                                // engine failure without a number of its own
inline constexpr int FileExists = 17;           // a file to create is already there (EEXIST)
inline constexpr int InvalidArgument = 22;      // an argument that cannot be right (EINVAL)
} // namespace ToolError

} // namespace varnel
