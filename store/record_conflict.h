#pragma once

#include "common/failure.h"
#include "store/roster_backend.h"
#include "store/value.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace varnel::store {

// What a store found when another writer (a second copy of the program, or
// any other program) had changed the record since this copy read it. Both
// versions stay available, so the clerk can choose between them.
struct RecordConflict {
    // What was refused: the store of the clerk's entries, or a Delete.
    enum class Action { Store, Delete };
    Action action = Action::Store;
    qint64 key = 0;
    QString soldier;         // the record's Name as this copy read it
    // The record's Name now, when another writer gave the record to
    // another soldier (a key used again, another roster copied in);
    // otherwise empty.
    std::optional<QString> soldierNow;
    // Who the other writer was: on a server another clerk, by the role the
    // roster's history of changes names when it keeps one; for a file
    // another program.
    bool onServer = false;
    std::optional<QString> changedBy;
    QStringList columns;     // the columns the other writer changed, in table order
    QList<Value> readBefore; // the record as this copy read it
    QList<Value> storedNow;  // the record as the file holds it now
    QList<Value> entered;    // the record as this copy was about to store it
};

// Failure 3197: the record was changed by another writer; nothing was
// stored (or deleted). `roster` names the roster in words ("the roster file
// \"...\"", "the database \"...\" on the server ..."); the columns are
// named by the window's labels (columnLabel).
class ConflictFailure : public Failure {
public:
    ConflictFailure(RecordConflict conflict, const QString& roster);
    const RecordConflict& conflict() const { return conflict_; }

private:
    RecordConflict conflict_;
};

// The columns of a record read under the write lock (`now`) that refuse
// `request`: a written or guarded column that no longer holds what was
// read, unless it already holds what was entered. In table order.
QList<int> columnsChangedSinceRead(const RosterBackend::StoreRequest& request, const QList<Value>& now);

// A soldier's name as a message shows it: in quotes and cut short when
// long, or "a soldier without a name".
QString soldierInWords(const QString& name);
// A soldier's name as the caption of an Undo step shows it: cut short when
// long.
QString nameInCaption(const QString& name);

} // namespace varnel::store
