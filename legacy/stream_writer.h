#pragma once

// The reader process's side of the stream (stream_format.h). Plain C++: the
// reader links libmdb and nothing of Qt.

#include "legacy/stream_format.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace varnel::legacy::stream {

class Writer {
public:
    explicit Writer(std::FILE* out) : out_(out) {}

    void hello(std::uint8_t jetVersion, std::uint32_t declaredRows);
    void beginColumns(std::uint16_t count);
    void column(std::uint8_t type, std::uint8_t flags, std::string_view name);
    void endColumns() { send(Frame::Columns); }

    // A row: one value per column, in the columns' order, then endRow().
    void null() { tag(ValueTag::Null); }
    void integer(std::int64_t value);
    void real(double value);
    void text(std::string_view utf8);
    void yesNo(bool value);
    void date(double storedDays);
    void currency(std::int64_t tenThousandths);
    void tooLong(std::uint32_t bufferBytes);
    void unreadable(std::string_view why);
    void endRow() { send(Frame::Row); }

    void end(std::uint32_t rows);
    void failure(std::int32_t number, std::string_view text);

    // False once a write failed: the program that reads the stream is gone.
    bool ok() const { return ok_; }

private:
    void tag(ValueTag t) { u8(std::uint8_t(t)); }
    void u8(std::uint8_t v) { payload_.push_back(char(v)); }
    void u16(std::uint16_t v);
    void u32(std::uint32_t v);
    void u64(std::uint64_t v);
    void bytes32(std::string_view data);
    void send(Frame frame);

    std::FILE* out_;
    std::string payload_;
    bool ok_ = true;
};

} // namespace varnel::legacy::stream
