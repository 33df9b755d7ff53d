#pragma once

#include "common/failure.h"
#include "store/roster_backend.h"
#include "store/value.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace varnel::store {

// What a store found when another writer (a second copy of the program, or
// any other program) had changed the record since this copy read it. Both
// versions stay available, so the clerk can choose between them.
struct RecordConflict {
    qint64 key = 0;
    QString soldier;         // the record's Name as this copy read it
    QStringList columns;     // the columns the other writer changed, in table order
    QList<Value> readBefore; // the record as this copy read it
    QList<Value> storedNow;  // the record as the file holds it now
    QList<Value> entered;    // the record as this copy was about to store it
};

// Failure 3197: the record was changed by another writer; nothing was stored.
class ConflictFailure : public Failure {
public:
    ConflictFailure(RecordConflict conflict, const QString& path);
    const RecordConflict& conflict() const { return conflict_; }

private:
    RecordConflict conflict_;
};

// The columns of a record read under the write lock (`now`) that refuse
// `request`: a written or guarded column that no longer holds what was
// read, unless it already holds what was entered. In table order.
QList<int> columnsChangedSinceRead(const RosterBackend::StoreRequest& request, const QList<Value>& now);

} // namespace varnel::store
