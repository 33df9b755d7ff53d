#pragma once

#include <QByteArrayView>
#include <QList>
#include <QtGlobal>
#include <memory>
#include <optional>
#include <vector>

namespace varnel::store {

// The names of a roster as the name order reads them, each written once in
// a compact form into blocks that never move: the name's sort key, what
// orders names of one sort key (for most names the case of their letters,
// for the rest the exact text; see plainNameKey), and the keys of the
// records that hold it. Rows that come one after another with the same name
// (as they do from an index on Name) share one entry. No name's text is
// kept beside its sort key.
class NamePool {
public:
    // Where an entry begins: its block, then its offset there.
    using Address = quint64;

    // An entry as read back; its views point into the pool.
    struct Entry {
        QByteArrayView sortKey;
        QByteArrayView tieBreak; // the case bits, or the exact text
        bool plain = false;      // tieBreak holds case bits
        QByteArrayView records;  // the record keys, packed

        bool sameName(const Entry& other) const
        {
            return plain == other.plain && sortKey == other.sortKey && tieBreak == other.tieBreak;
        }
        // The record's key when the name has only one here.
        std::optional<qint64> onlyRecord() const;
    };

    // Begins an entry for a name; its records follow with addRecord.
    void addName(QByteArrayView sortKey, QByteArrayView tieBreak, bool plain);
    // Adds a record to the last name's entry (past some 20,000 records, to
    // a new entry of the same name).
    void addRecord(qint64 key);

    qsizetype entries() const { return entries_; }
    Entry at(Address address) const;
    // Asks for an entry's first bytes ahead of their use: a sort reads
    // entries in an order of their own, each from another place.
    void prefetch(Address address) const
    {
#if defined(__GNUC__)
        __builtin_prefetch(pointer(address));
#else
        Q_UNUSED(address);
#endif
    }

    // Calls visit(address, entry) for every entry, in the order added.
    template <typename Visit>
    void forEach(Visit visit) const
    {
        for (std::size_t b = 0; b < blocks_.size(); ++b) {
            const std::size_t used = b + 1 == blocks_.size() ? used_ : ends_[b];
            for (std::size_t offset = 0; offset < used;) {
                const Address address = Address(b) << 32 | offset;
                const Entry e = at(address);
                visit(address, e);
                offset = std::size_t(e.records.data() + e.records.size() - blocks_[b].get());
            }
        }
    }

    // An entry's record keys copied to the end of `list`, to be read from
    // where they begin when the pool is gone.
    static void appendRecordList(const Entry& e, std::vector<char>& list);
    static void readRecordList(const char* from, QList<qint64>& keys);

private:
    char* pointer(Address address) const { return blocks_[std::size_t(address >> 32)].get() + (address & 0xFFFFFFFFu); }
    void startBlock(std::unique_ptr<char[]> block, std::size_t capacity);
    char* reserve(std::size_t size);

    std::vector<std::unique_ptr<char[]>> blocks_;
    std::vector<std::size_t> ends_; // bytes used in each block but the last
    std::size_t capacity_ = 0, used_ = 0;
    Address entry_ = 0; // the last name's
    qsizetype entries_ = 0;
};

} // namespace varnel::store
