#include "store/name_pool.h"

#include <algorithm>

namespace varnel::store {

namespace {

constexpr std::size_t kBlockSize = 1 << 20;
constexpr int kMaxNumber = 10;
// An entry begins with the bytes its record keys take, in two bytes.
constexpr std::size_t kCountBytes = 2;
constexpr std::size_t kMostRecordBytes = 0xFFFF;

// Record keys are written as unsigned numbers (0, -1, 1, -2 ... as 0, 1, 2,
// 3 ...), and every number in as few bytes as it needs, seven bits each.
quint64 zigzag(qint64 v)
{
    return (quint64(v) << 1) ^ quint64(v >> 63);
}

qint64 unzigzag(quint64 v)
{
    return qint64(v >> 1) ^ -qint64(v & 1);
}

char* writeNumber(char* out, quint64 v)
{
    while (v >= 0x80) {
        *out++ = char(v | 0x80);
        v >>= 7;
    }
    *out++ = char(v);
    return out;
}

quint64 readNumber(const char*& in)
{
    quint64 v = 0;
    for (int shift = 0;; shift += 7) {
        const uchar byte = uchar(*in++);
        v |= quint64(byte & 0x7F) << shift;
        if (byte < 0x80)
            return v;
    }
}

std::size_t recordBytes(const char* entry)
{
    return std::size_t(uchar(entry[0])) << 8 | uchar(entry[1]);
}

void setRecordBytes(char* entry, std::size_t bytes)
{
    entry[0] = char(bytes >> 8);
    entry[1] = char(bytes & 0xFF);
}

} // namespace

std::optional<qint64> NamePool::Entry::onlyRecord() const
{
    const char* p = records.data();
    const qint64 key = unzigzag(readNumber(p));
    if (p != records.data() + records.size())
        return std::nullopt;
    return key;
}

void NamePool::addName(QByteArrayView sortKey, QByteArrayView tieBreak, bool plain)
{
    char header[2 * kMaxNumber];
    char* end = writeNumber(header, quint64(sortKey.size()));
    end = writeNumber(end, quint64(tieBreak.size()) << 1 | (plain ? 1u : 0u));
    const std::size_t size = kCountBytes + std::size_t(end - header) + std::size_t(sortKey.size() + tieBreak.size());
    char* out = reserve(size);
    entry_ = Address(blocks_.size() - 1) << 32 | quint64(used_ - size);
    out = std::fill_n(out, kCountBytes, '\0');
    out = std::copy(header, end, out);
    out = std::copy(sortKey.begin(), sortKey.end(), out);
    std::copy(tieBreak.begin(), tieBreak.end(), out);
    ++entries_;
}

void NamePool::addRecord(qint64 key)
{
    char number[kMaxNumber];
    const std::size_t size = std::size_t(writeNumber(number, zigzag(key)) - number);
    std::size_t held = recordBytes(pointer(entry_));
    if (held + size > kMostRecordBytes) {
        const Entry e = at(entry_);
        addName(e.sortKey, e.tieBreak, e.plain);
        held = 0;
    }
    if (used_ + size > capacity_) {
        // The entry moves whole to a new block.
        const std::size_t offset = std::size_t(entry_ & 0xFFFFFFFFu);
        const std::size_t whole = used_ - offset;
        const std::size_t capacity = std::max(kBlockSize, whole + size);
        auto moved = std::make_unique_for_overwrite<char[]>(capacity);
        std::copy_n(blocks_.back().get() + offset, whole, moved.get());
        used_ = offset;
        startBlock(std::move(moved), capacity);
        used_ = whole;
        entry_ = Address(blocks_.size() - 1) << 32;
    }
    std::copy_n(number, size, blocks_.back().get() + used_);
    used_ += size;
    setRecordBytes(pointer(entry_), held + size);
}

NamePool::Entry NamePool::at(Address address) const
{
    const char* p = pointer(address);
    Entry e;
    const std::size_t records = recordBytes(p);
    p += kCountBytes;
    const qsizetype keySize = qsizetype(readNumber(p));
    const quint64 tie = readNumber(p);
    e.plain = tie & 1u;
    e.sortKey = QByteArrayView(p, keySize);
    e.tieBreak = QByteArrayView(p + keySize, qsizetype(tie >> 1));
    e.records = QByteArrayView(e.tieBreak.data() + e.tieBreak.size(), qsizetype(records));
    return e;
}

void NamePool::appendRecordList(const Entry& e, std::vector<char>& list)
{
    char number[kMaxNumber];
    const char* end = writeNumber(number, quint64(e.records.size()));
    list.insert(list.end(), static_cast<const char*>(number), end);
    list.insert(list.end(), e.records.begin(), e.records.end());
}

void NamePool::readRecordList(const char* from, QList<qint64>& keys)
{
    const qsizetype size = qsizetype(readNumber(from));
    for (const char* end = from + size; from != end;)
        keys.append(unzigzag(readNumber(from)));
}

void NamePool::startBlock(std::unique_ptr<char[]> block, std::size_t capacity)
{
    if (!blocks_.empty())
        ends_.push_back(used_);
    blocks_.push_back(std::move(block));
    capacity_ = capacity;
    used_ = 0;
}

// Room for `size` bytes at the end of the last block, or in a new one (of
// its own size for a text of megabytes, with room for a record key).
char* NamePool::reserve(std::size_t size)
{
    if (blocks_.empty() || used_ + size > capacity_) {
        const std::size_t capacity = std::max(kBlockSize, size + kMaxNumber);
        startBlock(std::make_unique_for_overwrite<char[]>(capacity), capacity);
    }
    char* out = blocks_.back().get() + used_;
    used_ += size;
    return out;
}

} // namespace varnel::store
