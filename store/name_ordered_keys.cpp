#include "store/roster_backend.h"

#include "common/name_order.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace varnel::store {

namespace {

// One record's place in the order. The texts live in one shared pool; the
// first eight bytes of the name's sort key, as a number, settle most
// comparisons without touching the pool.
struct Entry {
    qint64 key;
    bool named;
    quint64 head;
    std::size_t sortKey, sortKeySize, exact, exactSize;
};

quint64 headOf(QByteArrayView sortKey)
{
    quint64 head = 0;
    for (int i = 0; i < 8; ++i)
        head = (head << 8) | (i < sortKey.size() ? uchar(sortKey[i]) : 0u);
    return head;
}

} // namespace

// SQLite compares text by its bytes, in which "de la Cruz" follows
// "Zimmerman": the order is made here from each name's sort key, worked out
// once. Records with no name come first, then by the name order, and the
// key.
QList<qint64> RosterBackend::readKeysInNameOrder(const QString& sql)
{
    std::vector<Entry> entries;
    std::string pool;
    readKeyedTexts(sql, [&entries, &pool](qint64 key, std::optional<QByteArrayView> exact) {
        Entry e{key, exact.has_value(), 0, 0, 0, 0, 0};
        if (e.named) {
            const QByteArray sortKey = nameSortKeyOfUtf8(*exact);
            e.head = headOf(sortKey);
            e.sortKey = pool.size();
            e.sortKeySize = std::size_t(sortKey.size());
            pool.append(sortKey.constData(), e.sortKeySize);
            e.exact = pool.size();
            e.exactSize = std::size_t(exact->size());
            pool.append(exact->constData(), e.exactSize);
        }
        entries.push_back(e);
    });
    const std::string_view text(pool);
    const auto before = [text](const Entry& a, const Entry& b) {
        if (a.named != b.named)
            return !a.named;
        if (a.head != b.head)
            return a.head < b.head;
        const auto view = [text](std::size_t at, std::size_t size) {
            return QByteArrayView(text.data() + at, qsizetype(size));
        };
        if (const int c = compareKeyedNames(view(a.sortKey, a.sortKeySize), view(a.exact, a.exactSize),
                                            view(b.sortKey, b.sortKeySize), view(b.exact, b.exactSize));
            c != 0)
            return c < 0;
        return a.key < b.key;
    };
    // Rows an engine already handed over in this order (presortByName)
    // need no sort; elsewhere the check ends at the first row out of place.
    if (!std::is_sorted(entries.begin(), entries.end(), before))
        std::sort(entries.begin(), entries.end(), before);
    QList<qint64> keys;
    keys.reserve(qsizetype(entries.size()));
    for (const Entry& e : entries)
        keys.append(e.key);
    return keys;
}

} // namespace varnel::store
