#pragma once

#include "store/record_layout.h"
#include "store/value.h"

#include <QHash>
#include <QList>
#include <deque>

namespace varnel::store {

class RosterBackend;
class RosterKeys;

// Stored records for the grid, read in blocks of neighbouring positions, so
// a screenful of rows costs one query whatever the roster's size. Rows are
// kept by record key, not by position: a record added, deleted or moved in
// the roster's order never makes another row's values stand at the wrong
// place. Every read first compares the roster's generation with the one the
// rows were read under, and reads every row a change since may have touched
// again, so no row outlives a change to its record; while that read fails
// (a server gone), the row stays as it was last read. Keeps the most
// recently read rows, dropping the oldest.
class RowCache {
public:
    static constexpr int kBlockSize = 64;
    static constexpr int kMaxRows = 32 * kBlockSize;

    RowCache(RosterBackend& backend, const RecordLayout& layout);

    // The stored record at `position` (0 <= position < keys.size()). The
    // reference holds until the cache is next used.
    const QList<Value>& row(const RosterKeys& keys, int position);
    // The record with this key holds these values as of the roster's
    // current generation (the program stored or read them itself), so it
    // need not be read again.
    void replace(const RosterKeys& keys, qint64 key, const QList<Value>& values);

private:
    void follow(const RosterKeys& keys);
    void load(const RosterKeys& keys, int position);
    void dropOldest(const QList<qint64>& keep);

    RosterBackend& backend_;
    const RecordLayout& layout_;
    QHash<qint64, QList<Value>> rows_;
    // Rows a change may have made out of date, kept until read again.
    QHash<qint64, QList<Value>> stale_;
    std::deque<qint64> age_; // keys as they were read, oldest first
    quint64 generation_ = 0; // of the roster the rows were read under
};

} // namespace varnel::store
