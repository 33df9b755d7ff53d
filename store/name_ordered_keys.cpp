#include "store/name_ordered_keys.h"

#include "common/name_order.h"
#include "store/row_statement.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace varnel::store {

namespace {

// One record's place in the order. The texts live in one shared pool; the
// first eight bytes of the folded name, as a number, settle most
// comparisons without touching the pool.
struct Entry {
    qint64 key;
    bool named;
    quint64 head;
    std::size_t folded, foldedSize, exact, exactSize;
};

quint64 headOf(QByteArrayView folded)
{
    quint64 head = 0;
    for (int i = 0; i < 8; ++i)
        head = (head << 8) | (i < folded.size() ? uchar(folded[i]) : 0u);
    return head;
}

} // namespace

QList<qint64> keysInNameOrder(const QSqlDatabase& db, const QString& sql, const QString& path)
{
    std::vector<Entry> entries;
    std::string pool;
    RowStatement query(db, sql, path);
    while (query.next()) {
        Entry e{query.integer(0), !query.isNull(1), 0, 0, 0, 0, 0};
        if (e.named) {
            const QByteArray exact = query.utf8(1);
            const QByteArray folded = nameFoldKeyOfUtf8(exact);
            e.head = headOf(folded);
            e.folded = pool.size();
            e.foldedSize = std::size_t(folded.size());
            pool.append(folded.constData(), e.foldedSize);
            e.exact = pool.size();
            e.exactSize = std::size_t(exact.size());
            pool.append(exact.constData(), e.exactSize);
        }
        entries.push_back(e);
    }
    const std::string_view text(pool);
    std::sort(entries.begin(), entries.end(), [text](const Entry& a, const Entry& b) {
        if (a.named != b.named)
            return !a.named;
        if (a.head != b.head)
            return a.head < b.head;
        if (const int c = text.substr(a.folded, a.foldedSize).compare(text.substr(b.folded, b.foldedSize)); c != 0)
            return c < 0;
        if (const int c = text.substr(a.exact, a.exactSize).compare(text.substr(b.exact, b.exactSize)); c != 0)
            return c < 0;
        return a.key < b.key;
    });
    QList<qint64> keys;
    keys.reserve(qsizetype(entries.size()));
    for (const Entry& e : entries)
        keys.append(e.key);
    return keys;
}

} // namespace varnel::store
