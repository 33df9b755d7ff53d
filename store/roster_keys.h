#pragma once

#include "common/roster_location.h"
#include "store/background_read.h"

#include <QList>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <deque>
#include <functional>
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
//
// A large roster on a server opens with its first keys only (`loaded()` of
// `size()`), while the rest are read; the whole list is taken in before
// anything needs a position past them, and before any change to the list
// (so a list with a gap is always whole).
class RosterKeys {
public:
    explicit RosterKeys(QList<qint64> keys = {}) : keys_(std::move(keys)), count_(int(keys_.size())) {}
    // The first keys only, of `count` in all.
    RosterKeys(QList<qint64> first, int count) : keys_(std::move(first)), count_(std::max(count, int(keys_.size()))) {}

    int size() const { return count_; }
    bool isEmpty() const { return count_ == 0; }
    // Below loaded() only.
    qint64 at(int position) const { return keys_.at(position < gapAt_ ? position : position + gapSize_); }
    // The keys held, in order: all of them once isWhole(). The reference
    // holds until the keys next change.
    const QList<qint64>& list() const;
    int loaded() const { return int(keys_.size()) - gapSize_; }
    bool isWhole() const { return loaded() == count_; }
    // Takes in `whole`, the whole list read meanwhile, when it begins with
    // the keys held and has size() keys: the order shown stands, so nothing
    // read under this generation goes out of date (const: the list is the
    // same list, more of it known). False, and nothing taken, otherwise:
    // the caller replaces the list (replaceAll).
    bool takeWhole(QList<qint64>& whole) const;

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
    int count_ = 0;
    quint64 generation_ = 0;
    // The latest changes, oldest first: the generation each one began and
    // the record it touched (none: any record).
    std::deque<std::pair<quint64, std::optional<qint64>>> changes_;
};

// The roster's keys in name order (RosterBackend::readKeysInNameOrder of
// `sql`), read on a thread of its own over a connection of its own, while
// the window already shows the first of them. `done` is called on that
// thread when the reading has ended.
class KeysReader : public BackgroundRead<std::optional<QList<qint64>>> {
public:
    KeysReader(const RosterLocation& location, QString sql, std::function<void()> done);
};

} // namespace varnel::store
