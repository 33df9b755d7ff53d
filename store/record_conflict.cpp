#include "store/record_conflict.h"

#include "store/failure_numbers.h"

namespace varnel::store {

namespace {

QString describe(const RecordConflict& c, const QString& path)
{
    const QString soldier = c.soldier.isEmpty() ? QStringLiteral("a soldier without a name") : u'"' + c.soldier + u'"';
    return QStringLiteral("Another program changed the record of %1 in the roster file \"%2\" since it was read "
                          "(%3). Nothing was saved.")
        .arg(soldier, path, c.columns.join(QStringLiteral(", ")));
}

} // namespace

ConflictFailure::ConflictFailure(RecordConflict conflict, const QString& path)
    : Failure(RecordsetError::ChangedByAnotherWriter, describe(conflict, path)), conflict_(std::move(conflict))
{
}

} // namespace varnel::store
