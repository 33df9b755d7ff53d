#include "tools/roster_copy.h"

#include "common/failure.h"
#include "common/failure_numbers.h"
#include "common/server_connection.h"
#include "store/new_roster_file.h"
#include "store/roster_backend.h"
#include "tools/roster_files.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QUuid>
#include <memory>
#include <optional>

namespace varnel::tools {

namespace {

using store::RecordLayout;
using store::RosterBackend;
using store::Value;

using store::kSoldierTable;

QString tr(const char* text)
{
    return QCoreApplication::translate("varnel::tools", text);
}

QString uniqueConnection(const char* what)
{
    return QStringLiteral("varnel-%1-").arg(QLatin1String(what)) + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// A value as the clerk reads it, whatever the engine's encoding: what the
// copy must keep.
QString shown(const Value& value)
{
    return value.isNull() ? QStringLiteral("<no value>") : value.displayText();
}

QString soldierOf(const QList<Value>& record, const RecordLayout& layout)
{
    const int name = layout.indexOf(QStringLiteral("Name"));
    return name >= 0 && record.value(name).hasValue() ? record.at(name).asText() : tr("(no name)");
}

} // namespace

CopySummary copyRoster(const RosterLocation& from, const RosterLocation& to)
{
    const QString connection = uniqueConnection("copy-from");
    CopySummary summary;
    {
        std::unique_ptr<RosterBackend> source = store::openRosterBackend(connection, from);
        const RecordLayout layout = source->readLayout(kSoldierTable);
        source->requireKeyedTable(kSoldierTable, layout);
        if (const QString wrong = layout.mismatch(); !wrong.isEmpty())
            throw Failure(RecordsetError::BadLayout,
                          tr("The table \"Soldier\" of \"%1\" does not have the Soldier record layout: %2.").arg(from.inWords(), wrong));
        const QString sourceTable = source->quoteIdentifier(kSoldierTable);
        const QList<qint64> keys =
            source->readKeys(QStringLiteral("SELECT %1 FROM %2 ORDER BY %1").arg(source->keyColumn(), sourceTable));

        store::NewRoster target(to, layout);
        const RecordLayout& written = target.layout();
        // A source without a key column of its own gets one after its last
        // column: its value is the record's key.
        const bool keyAdded = written.count() > layout.count();
        constexpr int kBatch = 1000;
        for (qsizetype start = 0; start < keys.size(); start += kBatch) {
            const QList<qint64> batch = keys.mid(start, kBatch);
            const QHash<qint64, QList<Value>> records = source->readRecords(layout, batch);
            QHash<qint64, QList<Value>> copied;
            for (qint64 key : batch) {
                QList<Value> values = records.value(key);
                if (keyAdded)
                    values << Value::integer(key);
                try {
                    copied.insert(key, values);
                    target.backend().insertRecord(written, values);
                } catch (const Failure& failure) {
                    throw Failure(failure.number(), tr("Cannot copy the record of %1 (key %2): %3")
                                                        .arg(soldierOf(values, layout))
                                                        .arg(key)
                                                        .arg(failure.description()));
                }
            }
            // Read back and compared before anything is committed.
            const QHash<qint64, QList<Value>> stored = target.backend().readRecords(written, batch);
            for (qint64 key : batch) {
                const QList<Value>& wanted = copied.value(key);
                const QList<Value> got = stored.value(key);
                for (int c = 0; c < written.count(); ++c) {
                    if (got.size() != written.count() || shown(got.at(c)) != shown(wanted.value(c)))
                        throw Failure(ServerError::TypeConversion,
                                      tr("The copy of the record of %1 (key %2) does not read back as it was: column %3 "
                                         "holds \"%4\" in \"%5\" but \"%6\" in the copy. Nothing was copied.")
                                          .arg(soldierOf(wanted, layout))
                                          .arg(key)
                                          .arg(written.at(c).name, shown(wanted.value(c)), from.inWords(),
                                               got.size() == written.count() ? shown(got.at(c)) : tr("<no record>")));
                }
            }
        }
        target.finish();
        summary.records = int(keys.size());
        summary.columns = layout.count();
    }
    QSqlDatabase::removeDatabase(connection);
    return summary;
}

} // namespace varnel::tools
