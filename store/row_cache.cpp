#include "store/row_cache.h"

#include "store/roster_backend.h"
#include "store/roster_keys.h"

#include "common/failure.h"

namespace varnel::store {

RowCache::RowCache(RosterBackend& backend, const RecordLayout& layout)
    : backend_(backend), layout_(layout)
{
}

void RowCache::follow(const RosterKeys& keys)
{
    if (keys.generation() == generation_)
        return;
    // What may be out of date is read again before it is shown; until that
    // read succeeds it is kept (see row()).
    if (const std::optional<QList<qint64>> touched = keys.touchedSince(generation_)) {
        for (qint64 key : *touched) {
            if (auto it = rows_.find(key); it != rows_.end()) {
                stale_.insert(key, *it);
                rows_.erase(it);
            }
        }
    } else {
        stale_ = std::move(rows_);
        rows_.clear();
        age_.clear();
    }
    generation_ = keys.generation();
}

const QList<Value>& RowCache::row(const RosterKeys& keys, int position)
{
    follow(keys);
    const qint64 key = keys.at(position);
    auto it = rows_.constFind(key);
    if (it == rows_.constEnd()) {
        try {
            load(keys, position);
        } catch (const Failure&) {
            // The server gone, a page that cannot be read: a row read
            // before stays as it was shown; one never read fails.
            if (auto kept = stale_.constFind(key); kept != stale_.constEnd())
                return *kept;
            throw;
        }
        it = rows_.constFind(key);
    }
    return *it;
}

void RowCache::replace(const RosterKeys& keys, qint64 key, const QList<Value>& values)
{
    follow(keys);
    if (auto it = rows_.find(key); it != rows_.end()) {
        *it = values;
        return;
    }
    rows_.insert(key, values);
    age_.push_back(key);
    dropOldest({key});
}

void RowCache::load(const RosterKeys& keys, int position)
{
    // The block of positions around `position`, less the rows already here.
    const int first = position / kBlockSize * kBlockSize;
    const int last = std::min(keys.size(), first + kBlockSize);
    QList<qint64> block, wanted;
    for (int i = first; i < last; ++i) {
        block << keys.at(i);
        if (!rows_.contains(block.last()))
            wanted << block.last();
    }

    const QHash<qint64, QList<Value>> found = backend_.readRecords(layout_, wanted);
    for (qint64 key : wanted) {
        // A record that another program deleted shows as an empty row.
        auto it = found.find(key);
        rows_.insert(key, it != found.end() ? *it : QList<Value>(layout_.count(), Value::null()));
        stale_.remove(key);
        age_.push_back(key);
    }
    dropOldest(block);
}

void RowCache::dropOldest(const QList<qint64>& keep)
{
    // Keys of rows let go of meanwhile may still stand in the age list.
    if (age_.size() > 2 * size_t(kMaxRows))
        std::erase_if(age_, [this](qint64 key) { return !rows_.contains(key); });
    while (rows_.size() > kMaxRows && !age_.empty()) {
        const qint64 oldest = age_.front();
        age_.pop_front();
        if (keep.contains(oldest))
            age_.push_back(oldest);
        else
            rows_.remove(oldest);
    }
}

} // namespace varnel::store
