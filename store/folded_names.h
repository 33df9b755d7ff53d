#pragma once

#include "common/roster_location.h"
#include "store/background_read.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <memory>
#include <string>
#include <vector>

namespace varnel::store {

class RosterBackend;

// Every record's name folded as Find Soldier matches names (nameFoldKey), in
// the roster's order, held compactly: one text of all of them and where
// each begins. A roster of a million soldiers takes some 30 MB and a search
// of every name a few milliseconds.
class FoldedNames {
public:
    // The names of the records of `keys` (the roster's order) from `sql`,
    // whose rows are a key and a name, read through `backend`. A key no row
    // has gets no name.
    static FoldedNames read(RosterBackend& backend, const QString& sql, const QList<qint64>& keys);

    // The first position at `from` or after it, then from the first, whose
    // name holds `folded` (a folded part); -1 when none does.
    int find(QByteArrayView folded, int from) const;
    int size() const { return int(starts_.size()); }

    // Brought up to `keys`, the roster's keys now, after the records of
    // `touched` were changed, added or removed (their names read again
    // through `backend` from `sql`). False when the result does not match
    // `keys` (the caller reads all names again).
    bool follow(RosterBackend& backend, const QString& sql, const QList<qint64>& keys, QList<qint64> touched);

private:
    // A length with this bit is of a name in patched_.
    static constexpr quint32 kPatched = 0x80000000u;
    QByteArrayView at(int position) const
    {
        const quint32 length = lengths_[std::size_t(position)];
        const std::string& text = length & kPatched ? patched_ : text_;
        return QByteArrayView(text.data() + starts_[std::size_t(position)], length & ~kPatched);
    }
    void set(int position, QByteArrayView folded);

    QList<qint64> keys_;            // the keys the names are of, in the roster's order
    std::string text_;              // the folded names as read, in the roster's order
    std::string patched_;           // those read again since (the old text stays unused)
    std::vector<qsizetype> starts_; // where each position's name begins
    std::vector<quint32> lengths_;  // and how long it is
};

// FoldedNames read on a thread of its own, over a connection of its own to
// the roster, while the clerk works: started once the window is up, so the
// first search finds them ready.
class FoldedNamesReader : public BackgroundRead<std::unique_ptr<FoldedNames>> {
public:
    // The names of `sql`'s rows, at the positions of `keys`; the result is
    // nothing when the reading failed.
    FoldedNamesReader(const RosterLocation& location, QString sql, QList<qint64> keys);
};

} // namespace varnel::store
