#include "legacy/stream_writer.h"

#include <cstring>

namespace varnel::legacy::stream {

void Writer::u16(std::uint16_t v)
{
    u8(std::uint8_t(v));
    u8(std::uint8_t(v >> 8));
}

void Writer::u32(std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        u8(std::uint8_t(v >> (8 * i)));
}

void Writer::u64(std::uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        u8(std::uint8_t(v >> (8 * i)));
}

void Writer::bytes32(std::string_view data)
{
    u32(std::uint32_t(data.size()));
    payload_.append(data);
}

void Writer::hello(std::uint8_t jetVersion, std::uint32_t declaredRows)
{
    u8(kFormatVersion);
    u8(jetVersion);
    u32(declaredRows);
    send(Frame::Hello);
}

void Writer::beginColumns(std::uint16_t count)
{
    payload_.clear();
    u16(count);
}

void Writer::column(std::uint8_t type, std::uint8_t flags, std::string_view name)
{
    u8(type);
    u8(flags);
    const std::string_view cut = name.substr(0, 0xFFFF);
    u16(std::uint16_t(cut.size()));
    payload_.append(cut);
}

void Writer::integer(std::int64_t value)
{
    tag(ValueTag::Integer);
    u64(std::uint64_t(value));
}

void Writer::real(double value)
{
    tag(ValueTag::Real);
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    u64(bits);
}

void Writer::text(std::string_view utf8)
{
    tag(ValueTag::Text);
    bytes32(utf8);
}

void Writer::yesNo(bool value)
{
    tag(ValueTag::YesNo);
    u8(value ? 1 : 0);
}

void Writer::date(double storedDays)
{
    tag(ValueTag::Date);
    std::uint64_t bits;
    std::memcpy(&bits, &storedDays, sizeof bits);
    u64(bits);
}

void Writer::currency(std::int64_t tenThousandths)
{
    tag(ValueTag::Currency);
    u64(std::uint64_t(tenThousandths));
}

void Writer::tooLong(std::uint32_t bufferBytes)
{
    tag(ValueTag::TooLong);
    u32(bufferBytes);
}

void Writer::unreadable(std::string_view why)
{
    tag(ValueTag::Unreadable);
    bytes32(why);
}

void Writer::end(std::uint32_t rows)
{
    payload_.clear();
    u32(rows);
    send(Frame::End);
    if (std::fflush(out_) != 0)
        ok_ = false;
}

void Writer::failure(std::int32_t number, std::string_view text)
{
    payload_.clear();
    u32(std::uint32_t(number));
    bytes32(text);
    send(Frame::Failure);
    if (std::fflush(out_) != 0)
        ok_ = false;
}

void Writer::send(Frame frame)
{
    char header[5] = {char(frame)};
    const auto size = std::uint32_t(payload_.size());
    for (int i = 0; i < 4; ++i)
        header[1 + i] = char(std::uint8_t(size >> (8 * i)));
    if (ok_ && (std::fwrite(header, 1, sizeof header, out_) != sizeof header
                || std::fwrite(payload_.data(), 1, payload_.size(), out_) != payload_.size()))
        ok_ = false;
    payload_.clear();
}

} // namespace varnel::legacy::stream
