#include "tools/roster_copy.h"

#include "common/failure.h"
#include "common/failure_numbers.h"
#include "store/postgres_backend.h"
#include "store/roster_backend.h"
#include "store/sql_support.h"
#include "store/sqlite_backend.h"
#include "store/new_roster_file.h"
#include "tools/roster_files.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QUuid>
#include <memory>
#include <optional>

namespace varnel::tools {

namespace {

using store::ColumnKind;
using store::RecordLayout;
using store::RosterBackend;
using store::Value;

const QString kTable = QStringLiteral("Soldier");

QString tr(const char* text)
{
    return QCoreApplication::translate("varnel::tools", text);
}

QString uniqueConnection(const char* what)
{
    return QStringLiteral("varnel-%1-").arg(QLatin1String(what)) + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// The table in a file, for a layout read from a server: each kind in the
// declared type a file gives it, the generated key the file's row key.
QStringList fileTableStatements(const RecordLayout& layout)
{
    QStringList columns;
    bool keyed = false;
    for (const store::Column& c : layout.columns()) {
        QString type;
        if (c.generatedKey && !keyed) {
            type = QStringLiteral("INTEGER PRIMARY KEY");
            keyed = true;
        } else {
            switch (c.kind) {
            case ColumnKind::Text: type = QStringLiteral("TEXT"); break;
            case ColumnKind::Integer: type = QStringLiteral("INTEGER"); break;
            case ColumnKind::Real: type = QStringLiteral("REAL"); break;
            case ColumnKind::YesNo: type = QStringLiteral("BOOLEAN"); break;
            case ColumnKind::Date: type = QStringLiteral("DATE"); break;
            }
        }
        columns << store::quoteIdentifier(c.name) + u' ' + type;
    }
    QStringList statements{QStringLiteral("CREATE TABLE %1 (%2)").arg(store::quoteIdentifier(kTable), columns.join(QStringLiteral(", ")))};
    if (const int name = layout.indexOf(QStringLiteral("Name")); name >= 0)
        statements << QStringLiteral("CREATE INDEX \"SoldierByName\" ON %1 (%2)")
                          .arg(store::quoteIdentifier(kTable), store::quoteIdentifier(layout.at(name).name));
    return statements;
}

// `text` as an SQL string literal.
QString sqlText(QString text)
{
    return u'\'' + text.replace(u'\'', QStringLiteral("''")) + u'\'';
}

[[noreturn]] void refuseTakenServer(const QString& uri)
{
    throw Failure(ToolError::FileExists,
                  tr("The database on the server \"%1\" already holds a table \"Soldier\"; name a new database.").arg(locationInWords(uri)));
}

const char* const kMakingTable = QT_TRANSLATE_NOOP("varnel::tools", "Cannot make the roster's table on the server \"%1\"");

// Makes the Soldier table of `layout` on the server, in the transaction the
// caller has begun; refuses a database that already has one.
void makeServerTable(store::PostgresBackend& server, const RecordLayout& layout, const QString& uri)
{
    if (server.hasTable(kTable))
        refuseTakenServer(uri);
    server.beginWrite();
    for (const QString& statement : store::serverTableStatements(kTable, layout))
        server.run(statement, tr(kMakingTable));
}


// The new roster being written at `to`: a file under a temporary name, or a
// server database inside one transaction. Nothing stays when it is not
// finished.
class NewRoster {
public:
    NewRoster(const QString& to, const RecordLayout& layout)
    {
        if (store::isServerLocation(to)) {
            auto server = std::make_unique<store::PostgresBackend>(to);
            server_ = server.get();
            backend_ = std::move(server);
            // The table is made in the copy's own transaction: a copy that
            // fails leaves no table behind.
            makeServerTable(*server_, layout, to);
        } else {
            file_.emplace(to);
            for (const QString& statement : fileTableStatements(layout))
                file_->exec(statement);
            backend_ = std::make_unique<store::SqliteBackend>(file_->db(), to);
            backend_->beginWrite();
        }
        layout_ = backend_->readLayout(kTable);
        backend_->requireKeyedTable(kTable, layout_);
        table_ = backend_->quoteIdentifier(kTable);
    }
    ~NewRoster()
    {
        if (backend_ && !finished_)
            backend_->rollbackWrite();
    }

    RosterBackend& backend() { return *backend_; }
    const RecordLayout& layout() const { return layout_; }
    const QString& table() const { return table_; }

    void finish()
    {
        // Keys were given as they were: the server's next key comes after
        // the last of them.
        if (server_) {
            server_->run(QStringLiteral("SELECT setval(pg_get_serial_sequence(%1, %2), COALESCE(MAX(%3), 0) + 1, false) FROM %4")
                             .arg(sqlText(table_), sqlText(keyName()), backend_->keyColumn(), table_),
                         tr(kMakingTable));
        }
        backend_->commitWrite();
        finished_ = true;
        backend_.reset();
        if (file_)
            file_->finish();
    }

private:
    // The name of the key column the server fills, as the catalog has it.
    QString keyName() const
    {
        for (const store::Column& c : layout_.columns())
            if (c.generatedKey)
                return c.name;
        return {};
    }

    std::optional<store::NewRosterFile> file_;
    std::unique_ptr<RosterBackend> backend_;
    store::PostgresBackend* server_ = nullptr; // backend_, when the copy goes to a server
    RecordLayout layout_;
    QString table_;
    bool finished_ = false;
};

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

RecordLayout standardSoldierLayout()
{
    return store::layoutOfFileTable(soldierTableStatements().first(), kTable);
}

void createServerRoster(const QString& uri)
{
    store::PostgresBackend server(uri);
    makeServerTable(server, standardSoldierLayout(), uri);
    server.commitWrite();
}

CopySummary copyRoster(const QString& from, const QString& to)
{
    const QString connection = uniqueConnection("copy-from");
    CopySummary summary;
    {
        std::unique_ptr<RosterBackend> source = store::openRosterBackend(connection, from);
        const RecordLayout layout = source->readLayout(kTable);
        source->requireKeyedTable(kTable, layout);
        if (const QString wrong = layout.mismatch(); !wrong.isEmpty())
            throw Failure(RecordsetError::BadLayout,
                          tr("The table \"Soldier\" of \"%1\" does not have the Soldier record layout: %2.").arg(locationInWords(from), wrong));
        const QString sourceTable = source->quoteIdentifier(kTable);
        const QList<qint64> keys =
            source->readKeys(QStringLiteral("SELECT %1 FROM %2 ORDER BY %1").arg(source->keyColumn(), sourceTable));

        NewRoster target(to, layout);
        const RecordLayout& written = target.layout();
        // A source without a key column of its own gets one after its last
        // column: its value is the record's key.
        const bool keyAdded = written.count() > layout.count();
        constexpr int kBatch = 1000;
        for (qsizetype start = 0; start < keys.size(); start += kBatch) {
            const QList<qint64> batch = keys.mid(start, kBatch);
            const QHash<qint64, QList<Value>> records = source->readRecords(sourceTable, layout, batch);
            QHash<qint64, QList<Value>> copied;
            for (qint64 key : batch) {
                QList<Value> values = records.value(key);
                if (keyAdded)
                    values << Value::integer(key);
                try {
                    copied.insert(key, values);
                    target.backend().insertRecord(target.table(), written, values);
                } catch (const Failure& failure) {
                    throw Failure(failure.number(), tr("Cannot copy the record of %1 (key %2): %3")
                                                        .arg(soldierOf(values, layout))
                                                        .arg(key)
                                                        .arg(failure.description()));
                }
            }
            // Read back and compared before anything is committed.
            const QHash<qint64, QList<Value>> stored = target.backend().readRecords(target.table(), written, batch);
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
                                          .arg(written.at(c).name, shown(wanted.value(c)), locationInWords(from),
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
