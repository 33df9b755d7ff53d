#pragma once

namespace varnel::store {

// The numbers of the failures the store raises itself. Where the database
// engine fails, the failure carries SQLite's own extended result code
// instead (13 a full disk, 8 a read-only file, 5 a file locked by another
// program, ...). docs/failures.md lists them all with their meaning.
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
// A file the clerk names (an export) that cannot be written, the same
// numbers as the report engine's for its PDF.
inline constexpr int OutputFailed = 5107;         // the file could not be written whole
inline constexpr int WouldOverwriteRoster = 5111; // it would go over the roster file
inline constexpr int ExistsNotReplaced = 5112;    // it exists and was not to be replaced
inline constexpr int TypeConversion = 3421;     // typed text that is not of the column's kind
} // namespace RecordsetError

} // namespace varnel::store
