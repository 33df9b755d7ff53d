#include "legacy/access_stream.h"

#include <cstring>

namespace varnel::legacy {

namespace {

using stream::Frame;
using stream::ValueTag;

// Reads a frame's payload; every read past its end is a broken stream.
class Cursor {
public:
    Cursor(const char* data, qint64 size) : p_(data), end_(data + size) {}

    quint64 number(int bytes)
    {
        need(bytes);
        quint64 v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = (v << 8) | quint8(p_[i]);
        p_ += bytes;
        return v;
    }
    double real()
    {
        const quint64 bits = number(8);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    QByteArray bytes(quint64 size)
    {
        need(size);
        QByteArray b(p_, qsizetype(size));
        p_ += size;
        return b;
    }
    bool atEnd() const { return p_ == end_; }

private:
    void need(quint64 bytes) const
    {
        if (bytes > quint64(end_ - p_))
            throw StreamError("a frame of the Access reader is shorter than its contents");
    }

    const char* p_;
    const char* end_;
};

AccessValue readValue(Cursor& in)
{
    AccessValue v;
    const auto tag = ValueTag(in.number(1));
    v.tag = tag;
    switch (tag) {
    case ValueTag::Null: break;
    case ValueTag::Integer:
    case ValueTag::Currency: v.integer = qint64(in.number(8)); break;
    case ValueTag::Real:
    case ValueTag::Date: v.real = in.real(); break;
    case ValueTag::Text:
    case ValueTag::Unreadable: v.text = in.bytes(in.number(4)); break;
    case ValueTag::YesNo: {
        const quint64 b = in.number(1);
        if (b > 1)
            throw StreamError("a Yes/No value of the Access reader is neither 0 nor 1");
        v.integer = qint64(b);
        break;
    }
    case ValueTag::TooLong: v.integer = qint64(in.number(4)); break;
    default: throw StreamError("the Access reader sent a value of an unknown kind");
    }
    return v;
}

} // namespace

void StreamDecoder::feed(const QByteArray& bytes)
{
    pending_.append(bytes);
    qsizetype used = 0;
    while (pending_.size() - used >= 5) {
        const char* header = pending_.constData() + used;
        quint64 size = 0;
        for (int i = 3; i >= 0; --i)
            size = (size << 8) | quint8(header[1 + i]);
        if (qint64(size) > maxFrameBytes_)
            throw StreamError("a frame of the Access reader claims more bytes than any frame may have");
        if (quint64(pending_.size() - used - 5) < size)
            break;
        frame(Frame(quint8(header[0])), header + 5, qint64(size));
        used += 5 + qsizetype(size);
    }
    pending_.remove(0, used);
}

void StreamDecoder::frame(Frame type, const char* data, qint64 size)
{
    if (stage_ == Stage::Done)
        throw StreamError("the Access reader went on after its last frame");
    Cursor in(data, size);
    switch (type) {
    case Frame::Hello: {
        if (stage_ != Stage::Hello)
            throw StreamError("the Access reader greeted twice");
        if (in.number(1) != stream::kFormatVersion)
            throw StreamError("the Access reader speaks another version of the stream");
        const int jet = int(in.number(1));
        const auto declared = quint32(in.number(4));
        stage_ = Stage::Columns;
        handler_.hello(jet, declared);
        break;
    }
    case Frame::Columns: {
        if (stage_ != Stage::Columns)
            throw StreamError("the Access reader sent the columns out of turn");
        const int count = int(in.number(2));
        QList<AccessColumn> columns;
        columns.reserve(count);
        for (int i = 0; i < count; ++i) {
            AccessColumn c;
            c.type = quint8(in.number(1));
            const quint64 flags = in.number(1);
            c.autoNumber = flags & stream::kAutoNumber;
            c.shortDate = flags & stream::kShortDate;
            c.name = QString::fromUtf8(in.bytes(in.number(2)));
            columns.append(c);
        }
        columnCount_ = count;
        stage_ = Stage::Rows;
        handler_.columns(columns);
        break;
    }
    case Frame::Row: {
        if (stage_ != Stage::Rows)
            throw StreamError("the Access reader sent a record before the columns");
        QList<AccessValue> values;
        values.reserve(columnCount_);
        for (int i = 0; i < columnCount_; ++i)
            values.append(readValue(in));
        if (!in.atEnd())
            throw StreamError("a record of the Access reader holds more values than the table has columns");
        handler_.row(values);
        return;
    }
    case Frame::End:
        if (stage_ != Stage::Rows)
            throw StreamError("the Access reader ended before it sent the columns");
        stage_ = Stage::Done;
        handler_.end(quint32(in.number(4)));
        break;
    case Frame::Failure: {
        stage_ = Stage::Done;
        const int number = int(qint32(quint32(in.number(4))));
        const QString text = QString::fromUtf8(in.bytes(in.number(4)));
        handler_.failure(number, text);
        break;
    }
    default: throw StreamError("the Access reader sent a frame of an unknown kind");
    }
    if (!in.atEnd())
        throw StreamError("a frame of the Access reader holds more than its contents");
}

} // namespace varnel::legacy
