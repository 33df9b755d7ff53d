#pragma once

#include "store/record_layout.h"
#include "store/value.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>

namespace varnel::store {

// Stored records read in blocks of neighbouring positions for the grid, so
// showing a screenful of rows costs one query whatever the roster's size.
// Keeps a few blocks, dropping the oldest.
class RowCache {
public:
    static constexpr int kBlockSize = 64;
    static constexpr int kMaxBlocks = 32;

    RowCache(QSqlDatabase db, QString table, const RecordLayout& layout);

    // The stored record at `position` whose key is keys[position].
    const QList<Value>& row(const QList<qint64>& keys, int position);
    void clear();

private:
    void load(const QList<qint64>& keys, int block);

    QSqlDatabase db_;
    QString table_;
    const RecordLayout& layout_;
    QHash<int, QList<QList<Value>>> blocks_;
    QList<int> age_; // oldest first
};

} // namespace varnel::store
