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
//
// A deleted key leaves a gap where it stood, which the next deletion moves
// to its own place: the clerk deleting soldier after soldier (Delete, then
// the next moves up into the same place) moves no keys at all, where closing
// up a roster of a million keys would move megabytes each time. list()
// closes the gap.
class RosterKeys {
public:
    explicit RosterKeys(QList<qint64> keys = {}) : keys_(std::move(keys)) {}

    int size() const { return int(keys_.size()) - gapSize_; }
    bool isEmpty() const { return size() == 0; }
    qint64 at(int position) const { return keys_.at(position < gapAt_ ? position : position + gapSize_); }
    // Every key, in order; the reference holds until the keys next change.
    const QList<qint64>& list() const;

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

    // The keys, with gapSize_ unused entries from gapAt_ on (see above).
    // Closing the gap changes no key's position: list() may do it.
    mutable QList<qint64> keys_;
    mutable int gapAt_ = 0;
    mutable int gapSize_ = 0;
    quint64 generation_ = 0;
    // The latest changes, oldest first: the generation each one began and
    // the record it touched (none: any record).
    std::deque<std::pair<quint64, std::optional<qint64>>> changes_;
};

} // namespace varnel::store
