#include "store/row_cache.h"

#include "store/row_statement.h"

namespace varnel::store {

RowCache::RowCache(QSqlDatabase db, QString table, const RecordLayout& layout, QString path)
    : db_(std::move(db)), table_(std::move(table)), layout_(layout), path_(std::move(path))
{
}

const QList<Value>& RowCache::row(const QList<qint64>& keys, int position)
{
    auto it = rows_.constFind(keys.at(position));
    if (it == rows_.constEnd()) {
        load(keys, position);
        it = rows_.constFind(keys.at(position));
    }
    return *it;
}

void RowCache::replace(qint64 key, const QList<Value>& values)
{
    if (auto it = rows_.find(key); it != rows_.end())
        *it = values;
}

void RowCache::forget(qint64 key)
{
    rows_.remove(key);
}

void RowCache::clear()
{
    rows_.clear();
    age_.clear();
}

void RowCache::load(const QList<qint64>& keys, int position)
{
    // The block of positions around `position`, less the rows already here.
    const int first = position / kBlockSize * kBlockSize;
    const int last = std::min<int>(int(keys.size()), first + kBlockSize);
    QStringList wanted;
    for (int i = first; i < last; ++i) {
        if (!rows_.contains(keys.at(i)))
            wanted << QString::number(keys.at(i));
    }

    RowStatement query(db_, QStringLiteral("SELECT _rowid_, * FROM %1 WHERE _rowid_ IN (%2)").arg(table_, wanted.join(u',')), path_);
    QHash<qint64, QList<Value>> found;
    while (query.next())
        found.insert(query.integer(0), query.record(layout_, 1));

    for (const QString& text : wanted) {
        const qint64 key = text.toLongLong();
        // A record that another program deleted shows as an empty row.
        auto it = found.find(key);
        rows_.insert(key, it != found.end() ? *it : QList<Value>(layout_.count(), Value::null()));
        age_.push_back(key);
    }
    // Keys of rows forgotten meanwhile may still stand in the age list.
    if (age_.size() > size_t(2 * kMaxRows))
        std::erase_if(age_, [this](qint64 key) { return !rows_.contains(key); });
    // Drop the oldest rows, never one of the block just read.
    const QList<qint64> block = keys.mid(first, last - first);
    while (rows_.size() > kMaxRows && !age_.empty()) {
        const qint64 oldest = age_.front();
        age_.pop_front();
        if (block.contains(oldest))
            age_.push_back(oldest);
        else
            rows_.remove(oldest);
    }
}

} // namespace varnel::store
