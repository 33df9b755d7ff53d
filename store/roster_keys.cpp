#include "store/roster_keys.h"

#include "store/roster_backend.h"

#include <algorithm>

namespace varnel::store {

const QList<qint64>& RosterKeys::list() const
{
    if (gapSize_ > 0) {
        keys_.remove(gapAt_, gapSize_);
        gapAt_ = 0;
        gapSize_ = 0;
    }
    return keys_;
}

std::optional<QList<qint64>> RosterKeys::touchedSince(quint64 seen) const
{
    QList<qint64> touched;
    if (seen == generation_)
        return touched;
    // Each change moves the generation on by one: the kept changes must
    // reach back to the first one after `seen`.
    if (seen > generation_ || changes_.empty() || changes_.front().first > seen + 1)
        return std::nullopt;
    for (const auto& [generation, key] : changes_) {
        if (generation <= seen)
            continue;
        if (!key)
            return std::nullopt;
        touched.append(*key);
    }
    return touched;
}

bool RosterKeys::takeWhole(QList<qint64>& whole) const
{
    if (isWhole())
        return true;
    // Only a whole list loses keys: this one has no gap.
    if (whole.size() != count_ || !std::equal(keys_.cbegin(), keys_.cend(), whole.cbegin()))
        return false;
    keys_ = std::move(whole);
    return true;
}

void RosterKeys::append(qint64 key)
{
    Q_ASSERT(isWhole());
    keys_.append(key);
    ++count_;
    changed(key);
}

void RosterKeys::removeAt(int position)
{
    Q_ASSERT(isWhole());
    const qint64 key = at(position);
    // The gap moves to the position, the keys between the two places
    // crossing it, and takes in the key there.
    if (gapSize_ == 0) {
        gapAt_ = position;
    } else if (position != gapAt_) {
        qint64* keys = keys_.data();
        if (position < gapAt_)
            std::move_backward(keys + position, keys + gapAt_, keys + gapAt_ + gapSize_);
        else
            std::move(keys + gapAt_ + gapSize_, keys + position + gapSize_, keys + gapAt_);
        gapAt_ = position;
    }
    ++gapSize_;
    --count_;
    changed(key);
}

void RosterKeys::replaceAll(QList<qint64> keys)
{
    keys_ = std::move(keys);
    gapAt_ = 0;
    gapSize_ = 0;
    count_ = int(keys_.size());
    changed(std::nullopt);
}

void RosterKeys::recordChanged(qint64 key)
{
    changed(key);
}

void RosterKeys::recordsChanged()
{
    changed(std::nullopt);
}

void RosterKeys::changed(std::optional<qint64> key)
{
    ++generation_;
    changes_.emplace_back(generation_, key);
    if (changes_.size() > kChangesKept)
        changes_.pop_front();
}

KeysReader::KeysReader(const RosterLocation& location, QString sql, std::function<void()> done)
    : BackgroundRead(
        location, QStringLiteral("keys"),
        [sql = std::move(sql)](RosterBackend& backend) { return std::optional(backend.readKeysInNameOrder(sql)); },
        std::move(done))
{
}

} // namespace varnel::store
