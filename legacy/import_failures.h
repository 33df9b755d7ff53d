#pragma once

#include "common/failure_numbers.h"

// The numbers of the failures an import of an Access roster raises. Where
// the clerk's old platform (Access and its data engine) had a number for the
// same refusal, the import uses it; its own numbers start at 5201. The new
// file's database engine fails with SQLite's own codes (13 a full disk, 14 a
// folder where no file can be made). docs/failures.md lists them all.
namespace varnel::legacy::failure {

inline constexpr int TargetExists = ToolError::FileExists; // the new roster's name is taken
inline constexpr int NoSuchTable = 3011;         // the Access file has no table Soldier
inline constexpr int FileNotFound = 3024;        // there is no Access file at that path
inline constexpr int DamagedFile = 3049;         // libmdb could not read the file whole
inline constexpr int BadLayout = RecordsetError::BadLayout; // a fixed position holds the wrong column
inline constexpr int NoSuchColumn = RecordsetError::NoSuchColumn; // no Name column to order the roster by
inline constexpr int NotAnAccessFile = 3343;     // not a Jet or ACE database
inline constexpr int ReaderStalled = 5201;       // the reader made no progress in time: stopped
inline constexpr int TextTooLong = 5202;         // a text longer than the reader takes whole
inline constexpr int DateOutOfRange = 5203;      // a date outside the years 100 to 9999
inline constexpr int UnsupportedColumn = 5204;   // a column type a roster cannot hold
inline constexpr int ReaderMissing = 5205;       // the reader program is not installed
inline constexpr int RenameFailed = 5206;        // a file of the conversion could not be renamed
inline constexpr int Cancelled = 5207;           // the clerk cancelled the import

} // namespace varnel::legacy::failure
