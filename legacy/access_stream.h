#pragma once

// The program's side of the Access reader's stream (stream_format.h): frames
// taken apart as they arrive, checked for order and size.

#include "legacy/stream_format.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <stdexcept>

namespace varnel::legacy {

struct AccessColumn {
    QString name;
    quint8 type = 0; // Jet's type code (stream::jet)
    bool autoNumber = false;
    bool shortDate = false;
};

struct AccessValue {
    stream::ValueTag tag = stream::ValueTag::Null;
    qint64 integer = 0; // Integer, YesNo (0 or 1), Currency (1/10,000), TooLong (buffer bytes)
    double real = 0;    // Real; Date: days since 12/30/1899 as stored
    QByteArray text;    // Text (UTF-8); Unreadable: why
};

// A stream that breaks the format: the reader went wrong.
class StreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class StreamDecoder {
public:
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual void hello(int jetVersion, quint32 declaredRows) = 0;
        virtual void columns(const QList<AccessColumn>& columns) = 0;
        virtual void row(const QList<AccessValue>& values) = 0;
        virtual void end(quint32 rows) = 0;
        virtual void failure(int number, const QString& text) = 0;
    };

    // `maxFrameBytes` bounds what one frame may claim, so a broken length
    // never makes the program wait for, or hold, more than that.
    StreamDecoder(Handler& handler, qint64 maxFrameBytes) : handler_(handler), maxFrameBytes_(maxFrameBytes) {}

    // Takes the next bytes of the stream and hands every whole frame to the
    // handler. Throws StreamError when the stream breaks the format; what
    // the handler throws goes on to the caller.
    void feed(const QByteArray& bytes);

    // True once End or Failure arrived.
    bool finished() const { return stage_ == Stage::Done; }
    // Bytes of a frame that has not come whole.
    bool midFrame() const { return !pending_.isEmpty(); }

private:
    enum class Stage { Hello, Columns, Rows, Done };
    void frame(stream::Frame type, const char* data, qint64 size);

    Handler& handler_;
    qint64 maxFrameBytes_;
    QByteArray pending_;
    Stage stage_ = Stage::Hello;
    int columnCount_ = 0;
};

} // namespace varnel::legacy
