#include "store/row_cache.h"

#include "store/sql_support.h"

#include <QSqlQuery>

namespace varnel::store {

RowCache::RowCache(QSqlDatabase db, QString table, const RecordLayout& layout)
    : db_(std::move(db)), table_(std::move(table)), layout_(layout)
{
}

const QList<Value>& RowCache::row(const QList<qint64>& keys, int position)
{
    const int block = position / kBlockSize;
    auto it = blocks_.find(block);
    if (it == blocks_.end()) {
        load(keys, block);
        it = blocks_.find(block);
    }
    return it->at(position - block * kBlockSize);
}

void RowCache::clear()
{
    blocks_.clear();
    age_.clear();
}

void RowCache::load(const QList<qint64>& keys, int block)
{
    const int first = block * kBlockSize;
    const int last = std::min<int>(int(keys.size()), first + kBlockSize);
    QStringList placeholders;
    for (int i = first; i < last; ++i)
        placeholders << QString::number(keys.at(i));

    QSqlQuery query(db_);
    query.setForwardOnly(true);
    const QString sql = QStringLiteral("SELECT _rowid_, * FROM %1 WHERE _rowid_ IN (%2)").arg(table_, placeholders.join(u','));
    if (!query.exec(sql))
        throw sqlFailure(query.lastError(), QStringLiteral("Cannot read the roster records"));

    QHash<qint64, QList<Value>> byKey;
    const int columns = layout_.count();
    while (query.next()) {
        QList<Value> values;
        values.reserve(columns);
        for (int c = 0; c < columns; ++c)
            values.append(valueFromSql(query.value(c + 1), layout_.at(c).kind));
        byKey.insert(query.value(0).toLongLong(), std::move(values));
    }

    QList<QList<Value>> rows;
    rows.reserve(last - first);
    for (int i = first; i < last; ++i) {
        // A record that another program deleted shows as an empty row.
        auto found = byKey.find(keys.at(i));
        rows.append(found != byKey.end() ? *found : QList<Value>(columns, Value::null()));
    }

    if (age_.size() >= kMaxBlocks)
        blocks_.remove(age_.takeFirst());
    blocks_.insert(block, std::move(rows));
    age_.append(block);
}

} // namespace varnel::store
