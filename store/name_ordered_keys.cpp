#include "store/roster_backend.h"

#include "common/name_order.h"
#include "store/name_pool.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace varnel::store {

namespace {

// A name in the sort: eight bytes of its sort key from the depth the sort
// has reached, as one number, and where its entry is. Once in order, its
// records: marks in `chunk`, and in `at` the one record's key or where the
// list of them begins.
struct Item {
    quint64 chunk;
    NamePool::Address at;
};
constexpr quint64 kOneRecord = 1;
constexpr quint64 kSameName = 2; // the same name as the item before

// Eight bytes of `sortKey` from `depth`, as a number that compares as the
// bytes do; past the key's end it is filled with zeros, which no key holds,
// so a key that ends sorts before all that go on from it.
quint64 chunkOf(QByteArrayView sortKey, qsizetype depth)
{
    const qsizetype left = sortKey.size() - depth;
    quint64 chunk = 0;
    for (qsizetype i = 0; i < 8; ++i)
        chunk = chunk << 8 | (i < left ? uchar(sortKey[depth + i]) : 0u);
    return chunk;
}

// The chunk holds the end of its keys: all keys of one chunk are alike.
bool keyEnds(quint64 chunk)
{
    return (chunk & 0xFF) == 0;
}

// Calls `visit` with each item and its entry, the entries a few items
// ahead asked for meanwhile.
template <typename Visit>
void forEntries(const NamePool& pool, Item* begin, Item* end, Visit visit)
{
    constexpr std::ptrdiff_t ahead = 8;
    for (Item* i = begin; i != end; ++i) {
        if (end - i > ahead)
            pool.prefetch(i[ahead].at);
        visit(*i, pool.at(i->at));
    }
}

// The order of two names: sort key, then exact text.
int compareEntries(const NamePool::Entry& a, const NamePool::Entry& b)
{
    if (const int c = a.sortKey.compare(b.sortKey); c != 0)
        return c;
    if (a.plain && b.plain)
        return a.tieBreak.compare(b.tieBreak);
    // Rare: a plain name against one of other characters, whose texts are
    // only alike in their keys. The plain one's text is read back.
    const QByteArray textA = a.plain ? plainNameText(a.sortKey, a.tieBreak) : QByteArray();
    const QByteArray textB = b.plain ? plainNameText(b.sortKey, b.tieBreak) : QByteArray();
    return compareKeyedNames(a.sortKey, a.plain ? QByteArrayView(textA) : a.tieBreak, b.sortKey,
                             b.plain ? QByteArrayView(textB) : b.tieBreak);
}

constexpr std::ptrdiff_t kReadBackAtMost = 4096;

// Orders names of one sort key by their texts. Names of printable ASCII up
// to 64 characters (most) go by the case of their letters as one number.
void sortAlike(const NamePool& pool, Item* begin, Item* end)
{
    const auto plainAndShort = [&pool](const Item& i) {
        const NamePool::Entry e = pool.at(i.at);
        return e.plain && e.tieBreak.size() <= 8;
    };
    if (std::all_of(begin, end, plainAndShort)) {
        forEntries(pool, begin, end, [](Item& i, const NamePool::Entry& e) { i.chunk = chunkOf(e.tieBreak, 0); });
        std::sort(begin, end, [](const Item& a, const Item& b) { return a.chunk < b.chunk; });
        return;
    }
    // Names of other characters among them. Where many soldiers share one
    // key (a roster of test records), their entries are read at each
    // comparison: no copy of their texts is made.
    const auto before = [&pool](const Item& a, const Item& b) {
        return compareEntries(pool.at(a.at), pool.at(b.at)) < 0;
    };
    if (end - begin > kReadBackAtMost) {
        std::sort(begin, end, before);
        return;
    }
    // Else each plain text is read back once.
    struct Member {
        QByteArray readBack;
        QByteArrayView text;
        Item item;
    };
    std::vector<Member> members;
    members.reserve(std::size_t(end - begin));
    for (Item* i = begin; i != end; ++i) {
        const NamePool::Entry e = pool.at(i->at);
        Member& m = members.emplace_back(Member{QByteArray(), e.tieBreak, *i});
        if (e.plain) {
            m.readBack = plainNameText(e.sortKey, e.tieBreak);
            m.text = m.readBack;
        }
    }
    const QByteArrayView sortKey = pool.at(begin->at).sortKey;
    std::sort(members.begin(), members.end(), [sortKey](const Member& a, const Member& b) {
        return compareKeyedNames(sortKey, a.text, sortKey, b.text) < 0;
    });
    for (std::size_t m = 0; m < members.size(); ++m)
        begin[m] = members[m].item;
}

// Sorts items whose keys agree in their first `depth` bytes: by eight
// bytes at a time, each item's next eight read only when its first ones
// are all alike with others' (most names differ early), then the items of
// one sort key by their texts.
void sortFrom(const NamePool& pool, Item* begin, Item* end, qsizetype depth)
{
    std::sort(begin, end, [](const Item& a, const Item& b) { return a.chunk < b.chunk; });
    for (Item* run = begin; run != end;) {
        Item* runEnd = std::find_if(run + 1, end, [run](const Item& i) { return i.chunk != run->chunk; });
        if (runEnd - run > 1) {
            if (keyEnds(run->chunk)) {
                sortAlike(pool, run, runEnd);
            } else {
                forEntries(pool, run, runEnd,
                           [depth](Item& i, const NamePool::Entry& e) { i.chunk = chunkOf(e.sortKey, depth + 8); });
                sortFrom(pool, run, runEnd, depth + 8);
            }
        }
        run = runEnd;
    }
}

// Gathers the names of the records as they are read: each distinct name
// once in the pool, as its sort key (and the case of its letters, or its
// text), with its records; the records with no name apart.
class NameGathering {
public:
    void add(qint64 key, std::optional<QByteArrayView> exact)
    {
        if (!exact) {
            unnamed_.append(key);
            return;
        }
        if (!hasLast_ || *exact != last_) {
            if (plainNameKey(*exact, sortKey_, lowerCase_))
                pool_->addName(sortKey_, lowerCase_, true);
            else
                pool_->addName(nameSortKeyOfUtf8(*exact), *exact, false);
            // Only a name short enough to key whole is looked for again.
            hasLast_ = exact->size() <= kNameKeyLength;
            if (hasLast_) {
                last_.resize(exact->size());
                std::copy(exact->begin(), exact->end(), last_.begin());
            }
        }
        pool_->addRecord(key);
        ++named_;
    }

    // The keys in the roster's order: no name first, then by name, the
    // records of one name by key.
    QList<qint64> keysInOrder();

private:
    std::unique_ptr<NamePool> pool_ = std::make_unique<NamePool>();
    QList<qint64> unnamed_;
    qsizetype named_ = 0;
    QByteArray sortKey_, lowerCase_, last_;
    bool hasLast_ = false;
};

// The names in order, as items.
std::vector<Item> orderedItems(const NamePool& pool)
{
    std::vector<Item> items;
    items.reserve(std::size_t(pool.entries()));
    pool.forEach([&items](NamePool::Address at, const NamePool::Entry& e) { items.push_back({chunkOf(e.sortKey, 0), at}); });
    // Rows an engine already handed over in this order (presortByName)
    // need no sort; elsewhere the check ends at the first row out of place.
    const bool sorted = std::is_sorted(items.begin(), items.end(), [&pool](const Item& a, const Item& b) {
        return a.chunk != b.chunk ? a.chunk < b.chunk : compareEntries(pool.at(a.at), pool.at(b.at)) < 0;
    });
    if (!sorted)
        sortFrom(pool, items.data(), items.data() + items.size(), 0);
    return items;
}

QList<qint64> NameGathering::keysInOrder()
{
    std::vector<Item> items = orderedItems(*pool_);
    // The record keys leave the entries, and the names go, before the list
    // of keys is made: a name's one record (most names) in its item, the
    // records of names that several soldiers share in a list of their own.
    std::vector<char> shared;
    std::optional<NamePool::Entry> previous;
    forEntries(*pool_, items.data(), items.data() + items.size(), [&](Item& i, const NamePool::Entry& e) {
        const quint64 sameName = previous && previous->sameName(e) ? kSameName : 0;
        previous = e;
        if (const std::optional<qint64> only = e.onlyRecord()) {
            i = {kOneRecord | sameName, quint64(*only)};
        } else {
            i = {sameName, quint64(shared.size())};
            NamePool::appendRecordList(e, shared);
        }
    });
    pool_.reset();

    std::sort(unnamed_.begin(), unnamed_.end());
    QList<qint64> keys;
    keys.reserve(unnamed_.size() + named_);
    keys.append(std::exchange(unnamed_, {}));
    // Records of one name, in one entry or in several, by record key.
    qsizetype sameFrom = keys.size();
    for (const Item& i : items) {
        if (!(i.chunk & kSameName)) {
            std::sort(keys.begin() + sameFrom, keys.end());
            sameFrom = keys.size();
        }
        if (i.chunk & kOneRecord)
            keys.append(qint64(i.at));
        else
            NamePool::readRecordList(shared.data() + i.at, keys);
    }
    std::sort(keys.begin() + sameFrom, keys.end());
    return keys;
}

} // namespace

// SQLite compares text by its bytes, in which "de la Cruz" follows
// "Zimmerman": the order is made here from each name's sort key, worked out
// once. Records with no name come first, then by the name order, and the
// record key.
QList<qint64> RosterBackend::readKeysInNameOrder(const QString& sql)
{
    NameGathering names;
    readKeyedTexts(sql, [&names](qint64 key, std::optional<QByteArrayView> exact) { names.add(key, exact); });
    return names.keysInOrder();
}

} // namespace varnel::store
