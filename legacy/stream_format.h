#pragma once

// What the Access reader process sends back to the program that started it,
// on its standard output. libmdb runs only in that process, so a damaged file
// that makes it hang or crash takes only the reader down; the program reads
// the stream, checks it, and writes the roster itself.
//
// The stream is a run of frames: one byte naming the frame, its payload's
// length (4 bytes), then the payload. Numbers are little-endian.
//
//   Hello    format version (1 byte), Jet version (1 byte: 0 Jet 3, 1 Jet 4,
//            2 and up ACE), the record count the table declares (4 bytes)
//   Columns  count (2 bytes), then per column: Jet's type code (1 byte),
//            flags (1 byte), the name (2-byte length, UTF-8)
//   Row      per column one value: a tag (ValueTag) and its data
//   End      the number of records sent (4 bytes)
//   Failure  the failure's number (4 bytes), its text (4-byte length, UTF-8)
//
// A reader that ends without End or Failure has crashed.

#include <cstdint>

namespace varnel::legacy::stream {

inline constexpr std::uint8_t kFormatVersion = 1;

// The reader's exit code when libmdb went on printing warnings past any
// sense (a damaged catalog can make it loop, printing as it goes).
inline constexpr int kWarningFloodExit = 4;

enum class Frame : std::uint8_t {
    Hello = 'H',
    Columns = 'C',
    Row = 'R',
    End = 'E',
    Failure = 'F',
};

// Column flags.
inline constexpr std::uint8_t kAutoNumber = 0x01; // the Long Integer the file numbers itself
inline constexpr std::uint8_t kShortDate = 0x02;  // a Date/Time shown as a date only

enum class ValueTag : std::uint8_t {
    Null = 0,
    Integer = 1,   // 8 bytes, signed
    Real = 2,      // 8 bytes, IEEE double
    Text = 3,      // 4-byte length, UTF-8
    YesNo = 4,     // 1 byte, 0 or 1
    Date = 5,      // 8 bytes, IEEE double: days since 12/30/1899, as stored
    Currency = 6,  // 8 bytes, signed, in units of 1/10,000
    TooLong = 7,   // 4 bytes: the buffer the text filled; the value is not sent
    Unreadable = 8, // 4-byte length, UTF-8: why the value could not be read
};

// Jet's column type codes (libmdb's MDB_* constants).
namespace jet {
inline constexpr std::uint8_t Boolean = 0x01;
inline constexpr std::uint8_t Byte = 0x02;
inline constexpr std::uint8_t Integer = 0x03;
inline constexpr std::uint8_t Long = 0x04;
inline constexpr std::uint8_t Currency = 0x05;
inline constexpr std::uint8_t Single = 0x06;
inline constexpr std::uint8_t Double = 0x07;
inline constexpr std::uint8_t DateTime = 0x08;
inline constexpr std::uint8_t Binary = 0x09;
inline constexpr std::uint8_t Text = 0x0a;
inline constexpr std::uint8_t OleObject = 0x0b;
inline constexpr std::uint8_t Memo = 0x0c;
inline constexpr std::uint8_t ReplicationId = 0x0f;
inline constexpr std::uint8_t Decimal = 0x10;
inline constexpr std::uint8_t Attachment = 0x12;
} // namespace jet

} // namespace varnel::legacy::stream
