#pragma once

#include "store/change_history.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace varnel::store {

class Recordset;

// A safety copy of a roster file (store/safety_copy.h), as the clerk picks
// one: when it was saved and how many soldiers it holds.
struct SafetyCopyEntry {
    QString path;
    QDateTime saved;
    int soldiers = -1; // -1: the copy cannot be read
};

// The safety copies of the roster file at `rosterPath`, newest first.
QList<SafetyCopyEntry> listSafetyCopies(const QString& rosterPath);

// A soldier a copy holds otherwise than the open roster does now: deleted
// since (or his key given to another soldier since), or changed since.
struct SoldierInCopy {
    enum class Since { Deleted, Changed };
    Since since = Since::Deleted;
    QString name;
    QStringList columns; // Changed: the columns that differ, in table order
    // What bringing him back stores: the record added again (under its key
    // where that is free), or the differing columns set to the copy's
    // values, if they still hold what they hold now.
    RecordChange change;
};

// The soldiers of the copy at `copyPath` that differ from the open roster
// `roster`, in the copy's order of keys. Fails (3190) when the copy's
// Soldier table has other columns than the roster's, and with SQLite's
// number when the copy cannot be read. Soldiers added since are not listed:
// a restore never deletes.
QList<SoldierInCopy> soldiersToRestore(Recordset& roster, const QString& copyPath);

} // namespace varnel::store
