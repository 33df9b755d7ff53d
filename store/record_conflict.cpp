#include "store/record_conflict.h"

#include "common/failure_numbers.h"
#include "store/record_layout.h"

#include <QCoreApplication>

namespace varnel::store {

namespace {

// The other writer as the description's subject: another clerk on a
// server (named by the role the server's history gives), another program
// on a file.
QString writerInWords(const RecordConflict& c)
{
    if (!c.onServer)
        return QCoreApplication::translate("varnel::store", "Another program");
    if (c.changedBy)
        return QCoreApplication::translate("varnel::store", "Another clerk (role %1)").arg(*c.changedBy);
    return QCoreApplication::translate("varnel::store", "Another clerk");
}

QString describe(const RecordConflict& c, const QString& roster)
{
    const QString soldier = soldierInWords(c.soldier);
    const bool deleting = c.action == RecordConflict::Action::Delete;
    if (c.soldierNow) {
        const QString text = deleting
            ? QCoreApplication::translate("varnel::store", "%1 gave the record of %2 in %3 to another soldier since it was "
                                                           "read: it now holds %4. Nothing was deleted.")
            : QCoreApplication::translate("varnel::store", "%1 gave the record of %2 in %3 to another soldier since it was "
                                                           "read: it now holds %4. Nothing was saved.");
        return text.arg(writerInWords(c), soldier, roster, soldierInWords(*c.soldierNow));
    }
    const QString text = deleting
        ? QCoreApplication::translate("varnel::store", "%1 changed the record of %2 in %3 since it was read "
                                                       "(%4). Nothing was deleted.")
        : QCoreApplication::translate("varnel::store", "%1 changed the record of %2 in %3 since it was read "
                                                       "(%4). Nothing was saved.");
    QStringList labels;
    for (const QString& column : c.columns)
        labels << columnLabel(column);
    return text.arg(writerInWords(c), soldier, roster, labels.join(QStringLiteral(", ")));
}

} // namespace

ConflictFailure::ConflictFailure(RecordConflict conflict, const QString& roster)
    : Failure(RecordsetError::ChangedByAnotherWriter, describe(conflict, roster)), conflict_(std::move(conflict))
{
}

QString nameInCaption(const QString& name)
{
    QString shown = name.trimmed();
    if (shown.size() > 40)
        shown = shown.left(40) + QChar(0x2026);
    return shown;
}

QString soldierInWords(const QString& name)
{
    // A name another program stored may be of any length; the message shows
    // its beginning.
    QString shown = name.trimmed();
    if (shown.isEmpty())
        return QCoreApplication::translate("varnel::store", "a soldier without a name");
    if (shown.size() > 60)
        shown = shown.left(60) + QChar(0x2026);
    return u'"' + shown + u'"';
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
