#pragma once

#include "store/record_layout.h"
#include "store/value.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <deque>

namespace varnel::store {

// Stored records for the grid, read in blocks of neighbouring positions, so
// a screenful of rows costs one query whatever the roster's size. Rows are
// kept by record key, not by position: a record added, deleted or moved in
// the roster's order never makes another row's values stand at the wrong
// place. Keeps the most recently read rows, dropping the oldest.
class RowCache {
public:
    static constexpr int kBlockSize = 64;
    static constexpr int kMaxRows = 32 * kBlockSize;

    RowCache(QSqlDatabase db, QString table, const RecordLayout& layout, QString path);

    // The stored record at `position` whose key is keys[position]. The
    // reference holds until the cache is next changed.
    const QList<Value>& row(const QList<qint64>& keys, int position);
    // The record with this key was stored with these values.
    void replace(qint64 key, const QList<Value>& values);
    // The record with this key is gone.
    void forget(qint64 key);
    // Every row may have changed (another program wrote to the file).
    void clear();

private:
    void load(const QList<qint64>& keys, int position);

    QSqlDatabase db_;
    QString table_;
    const RecordLayout& layout_;
    QString path_;
    QHash<qint64, QList<Value>> rows_;
    std::deque<qint64> age_; // keys as they were read, oldest first
};

} // namespace varnel::store
