#pragma once

#include <QList>
#include <QtGlobal>
#include <deque>
#include <optional>
#include <utility>

namespace varnel::store {

// The open roster's record keys, in its order, and a generation that moves
// on with every change to them or to the records behind them. Whatever was
// read from the records under an older generation (the grid's rows, the
// names Find Soldier looks through) may be out of date; a reader compares
// generations before it trusts what it holds. A change names the one
// record it touched where it touched one, so a reader can let go of that
// record alone.
class RosterKeys {
public:
    explicit RosterKeys(QList<qint64> keys = {}) : keys_(std::move(keys)) {}

    int size() const { return int(keys_.size()); }
    bool isEmpty() const { return keys_.isEmpty(); }
    qint64 at(int position) const { return keys_.at(position); }
    const QList<qint64>& list() const { return keys_; }

    quint64 generation() const { return generation_; }
    // The keys of the records changed since generation `seen`; nothing when
    // any record may have changed, or the changes since are no longer kept.
    std::optional<QList<qint64>> touchedSince(quint64 seen) const;

    void append(qint64 key);
    void removeAt(int position);
    // The roster was read again: every key and record may differ.
    void replaceAll(QList<qint64> keys);
    // The record's stored values changed, or were read again.
    void recordChanged(qint64 key);
    // Any record may have changed: another program committed, or a write of
    // many records ended.
    void recordsChanged();

private:
    static constexpr size_t kChangesKept = 16;
    void changed(std::optional<qint64> key);

    QList<qint64> keys_;
    quint64 generation_ = 0;
    // The latest changes, oldest first: the generation each one began and
    // the record it touched (none: any record).
    std::deque<std::pair<quint64, std::optional<qint64>>> changes_;
};

} // namespace varnel::store
