#include "store/roster_keys.h"

namespace varnel::store {

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

void RosterKeys::append(qint64 key)
{
    keys_.append(key);
    changed(key);
}

void RosterKeys::removeAt(int position)
{
    const qint64 key = keys_.at(position);
    keys_.removeAt(position);
    changed(key);
}

void RosterKeys::replaceAll(QList<qint64> keys)
{
    keys_ = std::move(keys);
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

} // namespace varnel::store
