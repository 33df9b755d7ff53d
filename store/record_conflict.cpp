#include "store/record_conflict.h"

#include "common/failure_numbers.h"

#include <QCoreApplication>

namespace varnel::store {

namespace {

QString describe(const RecordConflict& c, const QString& path)
{
    // A name another program stored may be of any length; the message shows
    // its beginning.
    QString name = c.soldier;
    if (name.size() > 60)
        name = name.left(60) + QChar(0x2026);
    const QString soldier = name.isEmpty() ? QCoreApplication::translate("varnel::store", "a soldier without a name") : u'"' + name + u'"';
    return QCoreApplication::translate("varnel::store", "Another program changed the record of %1 in the roster file \"%2\" since it was read "
                          "(%3). Nothing was saved.")
        .arg(soldier, path, c.columns.join(QStringLiteral(", ")));
}

} // namespace

ConflictFailure::ConflictFailure(RecordConflict conflict, const QString& path)
    : Failure(RecordsetError::ChangedByAnotherWriter, describe(conflict, path)), conflict_(std::move(conflict))
{
}

QList<int> columnsChangedSinceRead(const RosterBackend::StoreRequest& request, const QList<Value>& now)
{
    QList<int> changed;
    for (int c = 0; c < now.size(); ++c) {
        const bool written = request.written.contains(c);
        if (!(written || request.guarded.contains(c)) || now.at(c) == request.readBefore.at(c))
            continue;
        if (written && now.at(c) == request.entered.at(c))
            continue;
        changed << c;
    }
    return changed;
}

} // namespace varnel::store
