#include "store/change_history.h"

#include <cstring>

namespace varnel::store {

namespace {

// The packed form of a change: its kind (a byte), its key (8 bytes, so it
// can be rewritten in place), then
//   Changed: the column count, and for each column its ordinal, a byte
//            that says whether it kept its value, the value before and,
//            unless it was kept, the value after;
//   Added, Deleted: the column count and each column's value.
// Counts and ordinals are variable-length unsigned numbers; a value is a
// tag byte and its content (a whole number zigzag-encoded, a real's 8
// bytes, a text's UTF-8 or a blob's bytes after their length).
enum Tag : quint8 { Null, Integer, Real, Text, Bytes };
constexpr int kKeyOffset = 1;

void putNumber(QByteArray& out, quint64 n)
{
    while (n >= 0x80) {
        out.append(char(quint8(n) | 0x80));
        n >>= 7;
    }
    out.append(char(n));
}

void putKey(char* at, qint64 key)
{
    std::memcpy(at, &key, sizeof key);
}

void putValue(QByteArray& out, const StoredValue& value)
{
    if (value.isNull()) {
        out.append(char(Null));
        return;
    }
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::ULongLong:
    case QMetaType::UInt: {
        const qint64 n = value.toLongLong();
        out.append(char(Integer));
        putNumber(out, (quint64(n) << 1) ^ quint64(n >> 63));
        return;
    }
    case QMetaType::Double: {
        const double d = value.toDouble();
        out.append(char(Real));
        out.append(reinterpret_cast<const char*>(&d), sizeof d);
        return;
    }
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        out.append(char(Bytes));
        putNumber(out, quint64(bytes.size()));
        out.append(bytes);
        return;
    }
    default: {
        const QByteArray text = value.toString().toUtf8();
        out.append(char(Text));
        putNumber(out, quint64(text.size()));
        out.append(text);
    }
    }
}

class Reader {
public:
    Reader(const QByteArray& packed, quint32 at) : p_(packed.constData() + at) {}

    quint8 byte() { return quint8(*p_++); }
    quint64 number()
    {
        quint64 n = 0;
        for (int shift = 0;; shift += 7) {
            const quint8 b = byte();
            n |= quint64(b & 0x7f) << shift;
            if (!(b & 0x80))
                return n;
        }
    }
    qint64 key()
    {
        qint64 k = 0;
        std::memcpy(&k, p_, sizeof k);
        p_ += sizeof k;
        return k;
    }
    StoredValue value()
    {
        switch (byte()) {
        case Integer: {
            const quint64 z = number();
            return QVariant(qlonglong(qint64(z >> 1) ^ -qint64(z & 1)));
        }
        case Real: {
            double d = 0;
            std::memcpy(&d, p_, sizeof d);
            p_ += sizeof d;
            return QVariant(d);
        }
        case Text: {
            const auto size = qsizetype(number());
            const QString text = QString::fromUtf8(p_, size);
            p_ += size;
            return QVariant(text);
        }
        case Bytes: {
            const auto size = qsizetype(number());
            const QByteArray bytes(p_, size);
            p_ += size;
            return QVariant(bytes);
        }
        default: return QVariant();
        }
    }

private:
    const char* p_;
};

RecordChange unpack(const QByteArray& packed, quint32 at)
{
    Reader in(packed, at);
    RecordChange change;
    change.kind = RecordChange::Kind(in.byte());
    change.key = in.key();
    const auto columns = int(in.number());
    if (change.kind != RecordChange::Kind::Changed) {
        change.record.reserve(columns);
        for (int c = 0; c < columns; ++c)
            change.record << in.value();
        return change;
    }
    for (int i = 0; i < columns; ++i) {
        change.columns << int(in.number());
        const bool kept = in.byte() != 0;
        change.before << in.value();
        change.after << (kept ? change.before.last() : in.value());
    }
    return change;
}

void pack(QByteArray& out, const RecordChange& change)
{
    out.append(char(change.kind));
    out.append(QByteArray(sizeof(qint64), '\0'));
    putKey(out.data() + out.size() - qsizetype(sizeof(qint64)), change.key);
    if (change.kind != RecordChange::Kind::Changed) {
        putNumber(out, quint64(change.record.size()));
        for (const StoredValue& value : change.record)
            putValue(out, value);
        return;
    }
    putNumber(out, quint64(change.columns.size()));
    for (int i = 0; i < change.columns.size(); ++i) {
        putNumber(out, quint64(change.columns.at(i)));
        const bool kept = sameStored(change.before.at(i), change.after.at(i));
        out.append(char(kept ? 1 : 0));
        putValue(out, change.before.at(i));
        if (!kept)
            putValue(out, change.after.at(i));
    }
}

qsizetype bytesOf(const ChangeHistory::Step& step)
{
    return step.packed.size() + qsizetype(step.offsets.size() * sizeof(quint32));
}

} // namespace

void ChangeHistory::openStep(const QString& what)
{
    if (openDepth_++ > 0)
        return;
    openWhat_ = what;
    openStepStarted_ = false;
}

void ChangeHistory::closeStep()
{
    if (openDepth_ == 0 || --openDepth_ > 0)
        return;
    // A large step grew its buffer by doubling: it keeps only what it uses.
    if (openStepStarted_ && !undo_.empty()) {
        undo_.back().packed.squeeze();
        undo_.back().offsets.shrink_to_fit();
    }
}

void ChangeHistory::stage(const RecordChange& change)
{
    staged_.offsets.push_back(quint32(staged_.packed.size()));
    pack(staged_.packed, change);
}

RecordChange ChangeHistory::firstStaged() const
{
    return hasStaged() ? unpack(staged_.packed, staged_.offsets.front()) : RecordChange();
}

void ChangeHistory::dropStaged()
{
    staged_ = Step();
}

void ChangeHistory::keepStaged(const std::function<QString()>& what)
{
    if (!hasStaged())
        return;
    if (openDepth_ > 0 && openStepStarted_ && !undo_.empty()) {
        Step& step = undo_.back();
        const qsizetype before = bytesOf(step);
        const auto base = quint32(step.packed.size());
        for (quint32 at : staged_.offsets)
            step.offsets.push_back(base + at);
        step.packed.append(staged_.packed);
        bytes_ += bytesOf(step) - before;
        dropStaged();
    } else {
        for (const Step& gone : redo_)
            bytes_ -= bytesOf(gone);
        redo_.clear();
        staged_.what = openDepth_ > 0 ? openWhat_ : what();
        staged_.packed.squeeze();
        bytes_ += bytesOf(staged_);
        undo_.push_back(std::move(staged_));
        staged_ = Step();
        openStepStarted_ = openDepth_ > 0;
    }
    dropOldest();
    changed();
}

void ChangeHistory::forEach(const Step& step, bool newestFirst, const std::function<bool(const RecordChange&)>& apply) const
{
    const int n = step.count();
    for (int i = 0; i < n; ++i) {
        if (!apply(unpack(step.packed, step.offsets.at(size_t(newestFirst ? n - 1 - i : i)))))
            return;
    }
}

void ChangeHistory::forEachToUndo(const std::function<bool(const RecordChange&)>& apply) const
{
    if (!undo_.empty())
        forEach(undo_.back(), true, apply);
}

void ChangeHistory::forEachToRedo(const std::function<bool(const RecordChange&)>& apply) const
{
    if (!redo_.empty())
        forEach(redo_.back(), false, apply);
}

void ChangeHistory::undone()
{
    moveNewest(undo_, redo_);
}

void ChangeHistory::redone()
{
    moveNewest(redo_, undo_);
}

void ChangeHistory::moveNewest(std::vector<Step>& from, std::vector<Step>& to)
{
    if (from.empty())
        return;
    to.push_back(std::move(from.back()));
    from.pop_back();
    openStepStarted_ = false;
    changed();
}

void ChangeHistory::rekey(qint64 from, qint64 to)
{
    for (auto* steps : {&undo_, &redo_}) {
        for (Step& step : *steps) {
            for (quint32 at : step.offsets) {
                char* key = step.packed.data() + at + kKeyOffset;
                qint64 stored = 0;
                std::memcpy(&stored, key, sizeof stored);
                if (stored == from)
                    putKey(key, to);
            }
        }
    }
}

void ChangeHistory::clear()
{
    undo_.clear();
    redo_.clear();
    openDepth_ = 0;
    openStepStarted_ = false;
    bytes_ = 0;
    changed();
}

void ChangeHistory::dropOldest()
{
    // The open step, the newest, always stays.
    while (bytes_ > kBytesKept && undo_.size() > 1) {
        bytes_ -= bytesOf(undo_.front());
        undo_.erase(undo_.begin());
    }
}

void ChangeHistory::changed()
{
    if (onChange_)
        onChange_();
}

} // namespace varnel::store
