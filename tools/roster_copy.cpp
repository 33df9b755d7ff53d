#include "tools/roster_copy.h"

#include "common/failure.h"
#include "common/failure_numbers.h"
#include "store/postgres_backend.h"
#include "store/roster_backend.h"
#include "store/sql_support.h"
#include "store/sqlite_backend.h"
#include "tools/new_roster_file.h"
#include "tools/roster_files.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
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

// Runs one statement on the server; throws the server's failure.
void execOnServer(QSqlDatabase& db, const QString& sql, const QString& uri)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        throw store::serverFailure(query.lastError(), tr("Cannot make the roster's table on the server \"%1\"").arg(uri));
}

bool serverHasTable(QSqlDatabase& db, const QString& uri)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT to_regclass('%1') IS NOT NULL").arg(store::quoteIdentifier(kTable))) || !query.next())
        throw store::serverFailure(query.lastError(), tr("Cannot read the database on the server \"%1\"").arg(uri));
    return query.value(0).toBool();
}

[[noreturn]] void refuseTakenServer(const QString& uri)
{
    throw Failure(ToolError::FileExists,
                  tr("The database on the server \"%1\" already holds a table \"Soldier\"; name a new database.").arg(uri));
}

// The new roster being written at `to`: a file under a temporary name, or a
// server database inside one transaction. Nothing stays when it is not
// finished.
class NewRoster {
public:
    NewRoster(const QString& to, const RecordLayout& layout)
        : to_(to)
    {
        if (store::isServerLocation(to)) {
            connection_ = uniqueConnection("copy-to");
            backend_ = store::PostgresBackend::open(connection_, to);
            if (serverHasTable(backend_->database(), to))
                refuseTakenServer(to);
            // The table is made in the copy's own transaction: a copy that
            // fails leaves no table behind.
            execOnServer(backend_->database(), QStringLiteral("BEGIN"), to);
            for (const QString& statement : store::serverTableStatements(kTable, layout))
                execOnServer(backend_->database(), statement, to);
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
        backend_.reset();
        if (!connection_.isEmpty())
            QSqlDatabase::removeDatabase(connection_);
    }

    RosterBackend& backend() { return *backend_; }
    const RecordLayout& layout() const { return layout_; }
    const QString& table() const { return table_; }

    void finish()
    {
        // Keys were given as they were: the server's next key comes after
        // the last of them.
        if (!connection_.isEmpty()) {
            execOnServer(backend_->database(),
                         QStringLiteral("SELECT setval(pg_get_serial_sequence(%1, %2), COALESCE(MAX(%3), 0) + 1, false) FROM %4")
                             .arg(sqlText(table_), sqlText(keyName()), backend_->keyColumn(), table_),
                         to_);
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

    QString to_;
    QString connection_;
    std::optional<NewRosterFile> file_;
    std::unique_ptr<RosterBackend> backend_;
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
    const QString connection = uniqueConnection("create");
    {
        QSqlDatabase db = store::openServerConnection(connection, uri);
        try {
            if (serverHasTable(db, uri))
                refuseTakenServer(uri);
            execOnServer(db, QStringLiteral("BEGIN"), uri);
            for (const QString& statement : store::serverTableStatements(kTable, standardSoldierLayout()))
                execOnServer(db, statement, uri);
            execOnServer(db, QStringLiteral("COMMIT"), uri);
        } catch (...) {
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connection);
            throw;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
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
                          tr("The table \"Soldier\" of \"%1\" does not have the Soldier record layout: %2.").arg(from, wrong));
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
                                          .arg(written.at(c).name, shown(wanted.value(c)), from,
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
