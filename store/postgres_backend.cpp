#include "store/postgres_backend.h"

#include "common/failure_numbers.h"
#include "store/record_conflict.h"
#include "store/sql_support.h"

#include <QCoreApplication>
#include <QSqlDriver>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <libpq-fe.h>
#include <cstdlib>
#include <memory>

namespace varnel::store {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("varnel::store", text);
}

// The connection's libpq handle, or null when the driver has none.
PGconn* connectionHandle(const QSqlDatabase& db)
{
    if (!db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    // The driver registers the handle under the struct's own name, pg_conn*.
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn* const*>(handle.data());
}

bool connectionLost(const QSqlDatabase& db)
{
    PGconn* conn = connectionHandle(db);
    return !db.isOpen() || !conn || PQstatus(conn) == CONNECTION_BAD;
}

int numberForSqlState(const QString& state)
{
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P")) || state == QLatin1String("53300"))
        return ServerError::ConnectionFailed;
    if (state.startsWith(QLatin1String("28")))
        return ServerError::LoginRefused;
    if (state == QLatin1String("42501"))
        return ServerError::NoPermission;
    if (state == QLatin1String("23505"))
        return ServerError::DuplicateKey;
    if (state == QLatin1String("40001") || state == QLatin1String("40P01") || state == QLatin1String("55P03"))
        return ServerError::Conflict;
    if (state.startsWith(QLatin1String("22")) || state == QLatin1String("42804"))
        return ServerError::TypeConversion;
    return ServerError::CallFailed;
}

// A connection option for QPSQL, which hands its options to libpq separated
// by blanks: the value quoted as libpq reads it.
QString connectOption(const char* keyword, const char* value)
{
    QString quoted = QString::fromUtf8(value);
    quoted.replace(u'\\', QLatin1String("\\\\"));
    quoted.replace(u'\'', QLatin1String("\\'"));
    return QString::fromLatin1(keyword) + QStringLiteral("='") + quoted + u'\'';
}

// A roster's date column on the server holds text, as in a file: the ISO
// text the program writes, and whatever another program left there (a
// typed "3/15/2024", an impossible date), which Total and the reports judge
// for themselves. The type's name says it is a date.
const QString kDateText = QStringLiteral("date_text");
// The collation the report layouts order names by (reports/name_collation.h
// registers the same name on a roster file's report connection).
const QString kRosterNameCollation = QStringLiteral("roster_name");

// The kind of a column from its type on the server (pg_type's name).
ColumnKind columnKindForServerType(const QString& type)
{
    if (type == QLatin1String("bool"))
        return ColumnKind::YesNo;
    if (type == QLatin1String("date") || type == kDateText || type.startsWith(QLatin1String("timestamp")))
        return ColumnKind::Date;
    if (type == QLatin1String("int2") || type == QLatin1String("int4") || type == QLatin1String("int8"))
        return ColumnKind::Integer;
    if (type == QLatin1String("float4") || type == QLatin1String("float8") || type == QLatin1String("numeric"))
        return ColumnKind::Real;
    return ColumnKind::Text;
}

[[noreturn]] void refuseTable(const QString& table, const QString& uri, const QString& why)
{
    throw Failure(RecordsetError::BadLayout,
                  tr("The table \"%1\" on the server \"%2\" cannot hold the roster: %3.").arg(table, uri, why));
}

} // namespace

bool isServerLocation(const QString& location)
{
    return location.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || location.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString serverDisplayName(const QString& uri)
{
    return uri;
}

Failure serverFailure(const QSqlError& error, const QString& what)
{
    const QString state = error.nativeErrorCode();
    QString detail = error.databaseText().trimmed();
    if (detail.isEmpty())
        detail = error.driverText().trimmed();
    if (state.isEmpty()) // the client's own failure: the connection is gone
        return Failure(ServerError::ConnectionFailed, tr("%1: %2.").arg(what, detail));
    return Failure(numberForSqlState(state), tr("%1: %2 (SQLSTATE %3).").arg(what, detail, state));
}

QSqlDatabase openServerConnection(const QString& connectionName, const QString& uri)
{
    const QString shown = serverDisplayName(uri);
    const QByteArray utf8 = uri.toUtf8();
    char* parseError = nullptr;
    std::unique_ptr<PQconninfoOption, void (*)(PQconninfoOption*)> options(PQconninfoParse(utf8.constData(), &parseError),
                                                                          PQconninfoFree);
    if (!options) {
        const QString why = parseError ? QString::fromUtf8(parseError).trimmed() : tr("out of memory");
        PQfreemem(parseError);
        throw Failure(ServerError::ConnectionFailed, tr("\"%1\" is not a server address libpq can read: %2").arg(shown, why));
    }

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    QStringList rest;
    bool timeoutGiven = false;
    for (const PQconninfoOption* o = options.get(); o->keyword; ++o) {
        if (!o->val)
            continue;
        const QByteArray keyword(o->keyword);
        const QString value = QString::fromUtf8(o->val);
        if (keyword == "password") {
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connectionName);
            throw Failure(ServerError::ConnectionFailed,
                          tr("The server address holds a password, which Varnel does not take: keep it in ~/.pgpass or a "
                             "service file, where libpq finds it, and leave it out of the address."));
        }
        if (keyword == "dbname")
            db.setDatabaseName(value);
        else if (keyword == "user")
            db.setUserName(value);
        else
            rest << connectOption(o->keyword, o->val);
        timeoutGiven = timeoutGiven || keyword == "connect_timeout";
    }
    // A server that does not answer must not hold the window for long.
    if (!timeoutGiven)
        rest << QStringLiteral("connect_timeout=10");
    db.setConnectOptions(rest.join(u';'));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName);
        throw Failure(ServerError::ConnectionFailed,
                      tr("Cannot connect to the roster's server \"%1\": %2").arg(shown, error.databaseText().trimmed()));
    }
    return db;
}

QStringList serverTableStatements(const QString& table, const RecordLayout& layout)
{
    const QString identity = QStringLiteral(" bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
    QStringList columns;
    QString key;
    for (const Column& c : layout.columns()) {
        QString type;
        if (c.generatedKey && key.isEmpty()) {
            key = c.name;
            type = identity;
        } else {
            switch (c.kind) {
            case ColumnKind::Text: type = QStringLiteral(" text"); break;
            case ColumnKind::Integer: type = QStringLiteral(" bigint"); break;
            case ColumnKind::Real: type = QStringLiteral(" double precision"); break;
            case ColumnKind::YesNo: type = QStringLiteral(" boolean"); break;
            case ColumnKind::Date: type = QStringLiteral(" ") + kDateText; break;
            }
        }
        columns << quoteIdentifier(c.name) + type;
    }
    if (key.isEmpty()) {
        key = QStringLiteral("RecNo");
        columns << quoteIdentifier(key) + identity;
    }
    QStringList statements{
        QStringLiteral("DO $$ BEGIN CREATE DOMAIN %1 AS text; EXCEPTION WHEN duplicate_object THEN NULL; END $$").arg(kDateText),
        // The report layouts' `COLLATE ROSTER_NAME`: the dictionary's order
        // without regard to case or accents (ICU's first strength), names
        // that compare alike then by their bytes, as common/name_order.h
        // orders them.
        QStringLiteral("CREATE COLLATION IF NOT EXISTS %1 (provider = icu, locale = 'und-u-ks-level1')").arg(kRosterNameCollation),
        QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteIdentifier(table), columns.join(QStringLiteral(", ")))};
    const int name = layout.indexOf(QStringLiteral("Name"));
    if (name >= 0) {
        // The key rides in the index, so the roster's names and keys are
        // read from the index alone.
        statements << QStringLiteral("CREATE INDEX %1 ON %2 (%3) INCLUDE (%4)")
                          .arg(quoteIdentifier(table + QStringLiteral("ByName")), quoteIdentifier(table),
                               quoteIdentifier(layout.at(name).name), quoteIdentifier(key));
    }
    return statements;
}

PostgresBackend::PostgresBackend(QSqlDatabase db, QString uri)
    : db_(std::move(db)), uri_(std::move(uri))
{
}

std::unique_ptr<PostgresBackend> PostgresBackend::open(const QString& connectionName, const QString& uri)
{
    return std::make_unique<PostgresBackend>(openServerConnection(connectionName, uri), uri);
}

Failure PostgresBackend::failure(const QSqlError& error, const QString& what) const
{
    return serverFailure(error, what);
}

void PostgresBackend::fail(const QSqlError& error, const QString& what)
{
    throw serverFailure(error, what.arg(serverDisplayName(uri_)));
}

void PostgresBackend::reconnectIfLost()
{
    if (!connectionLost(db_))
        return;
    db_.close();
    if (!db_.open())
        throw Failure(ServerError::ConnectionFailed, tr("The connection to the roster's server \"%1\" was lost and cannot be made again: %2")
                                                         .arg(serverDisplayName(uri_), db_.lastError().databaseText().trimmed()));
}

// Values go into statements as literals the driver writes (libpq's own
// escaping): one round trip per statement, where a prepared statement
// would cost three (prepare, execute, deallocate).
QString PostgresBackend::literal(const QVariant& value) const
{
    QSqlField field(QString(), value.metaType());
    field.setValue(value);
    return db_.driver()->formatValue(field);
}

QSqlQuery PostgresBackend::run(const QString& sql, const QString& what)
{
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    // The driver reads only the first result of several statements: a
    // write's BEGIN goes on its own here.
    if (beginPending_) {
        beginPending_ = false;
        if (!query.exec(QStringLiteral("BEGIN")))
            fail(query.lastError(), what);
    }
    if (!query.exec(sql))
        fail(query.lastError(), what);
    return query;
}

RecordLayout PostgresBackend::readLayout(const QString& table)
{
    reconnectIfLost();
    // The columns in their order with their types' names, and whether each
    // is the table's one-column primary key and is filled by the server.
    QSqlQuery query = run(QStringLiteral(
                              "SELECT a.attname, format_type(a.atttypid, a.atttypmod), t.typname,"
                              " (a.attidentity <> '' OR a.atthasdef),"
                              " EXISTS (SELECT 1 FROM pg_index i WHERE i.indrelid = a.attrelid AND i.indisprimary"
                              "         AND i.indnatts = 1 AND i.indkey[0] = a.attnum)"
                              " FROM pg_attribute a JOIN pg_type t ON t.oid = a.atttypid"
                              " WHERE a.attrelid = to_regclass(%1) AND a.attnum > 0 AND NOT a.attisdropped"
                              " ORDER BY a.attnum")
                              .arg(literal(quoteIdentifier(table))),
                          tr("Cannot read the roster's table on the server \"%1\""));
    QList<Column> columns;
    keyColumn_.clear();
    keyName_.clear();
    while (query.next()) {
        Column c;
        c.name = query.value(0).toString();
        c.declaredType = query.value(1).toString();
        const QString type = query.value(2).toString();
        c.kind = columnKindForServerType(type);
        const bool key = query.value(4).toBool() && c.kind == ColumnKind::Integer;
        c.generatedKey = key && query.value(3).toBool();
        if (key) {
            keyName_ = c.name;
            keyColumn_ = quoteIdentifier(c.name);
        }
        columns.append(c);
    }
    if (columns.isEmpty())
        throw Failure(ServerError::CallFailed, tr("The database \"%1\" has no table \"%2\".").arg(serverDisplayName(uri_), table));
    return RecordLayout(std::move(columns));
}

// Records are found again by the primary key; a new record gets its key
// from the server. A view has neither.
void PostgresBackend::requireKeyedTable(const QString& table, const RecordLayout& layout)
{
    QSqlQuery kind = run(QStringLiteral("SELECT relkind FROM pg_class WHERE oid = to_regclass(%1)").arg(literal(quoteIdentifier(table))),
                         tr("Cannot read the roster's table on the server \"%1\""));
    const QString relkind = kind.next() ? kind.value(0).toString() : QString();
    if (relkind != QLatin1String("r") && relkind != QLatin1String("p"))
        refuseTable(table, uri_, tr("it is a view or another kind of relation, not a table"));
    if (keyName_.isEmpty())
        refuseTable(table, uri_, tr("it has no primary key of one whole-number column, by which its records are found again"));
    if (!layout.at(layout.indexOf(keyName_)).generatedKey)
        refuseTable(table, uri_, tr("its key \"%1\" is not filled by the server for new records (make it an identity column)").arg(keyName_));
}

QString PostgresBackend::quoteIdentifier(const QString& name) const
{
    // Quoted, a name keeps its case: "Soldier", not soldier.
    return store::quoteIdentifier(name);
}

QString PostgresBackend::keyColumn() const
{
    return keyColumn_;
}

// Straight through libpq on the driver's connection: many rows arrive as
// the server's text, with no value made for each of them on the way, and a
// write's BEGIN travels with its first statement (libpq gives the last
// statement's result), one round trip less.
PostgresBackend::RawResult PostgresBackend::runRaw(const QString& sql, const QString& what)
{
    reconnectIfLost();
    PGconn* conn = connectionHandle(db_);
    const bool begins = beginPending_;
    beginPending_ = false;
    const QByteArray text = (begins ? QStringLiteral("BEGIN; ") + sql : sql).toUtf8();
    RawResult result(conn ? PQexec(conn, text.constData()) : nullptr, PQclear);
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
        const char* state = result ? PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
        const QString reason = QString::fromUtf8(result ? PQresultErrorMessage(result.get()) : conn ? PQerrorMessage(conn) : "");
        throw serverFailure(QSqlError(QString(), reason, QSqlError::StatementError, QString::fromLatin1(state ? state : "")),
                            what.arg(serverDisplayName(uri_)));
    }
    return result;
}

QList<qint64> PostgresBackend::readKeys(const QString& sql)
{
    const RawResult result = runRaw(sql, tr("Cannot read the roster from the server \"%1\""));
    const int rows = PQntuples(result.get());
    QList<qint64> keys;
    keys.reserve(rows);
    for (int r = 0; r < rows; ++r)
        keys.append(std::strtoll(PQgetvalue(result.get(), r, 0), nullptr, 10));
    return keys;
}

void PostgresBackend::readKeyedTexts(const QString& sql, const KeyedText& row)
{
    const RawResult result = runRaw(sql, tr("Cannot read the roster from the server \"%1\""));
    const int rows = PQntuples(result.get());
    for (int r = 0; r < rows; ++r) {
        const qint64 key = std::strtoll(PQgetvalue(result.get(), r, 0), nullptr, 10);
        if (PQgetisnull(result.get(), r, 1))
            row(key, std::nullopt);
        else
            row(key, QByteArrayView(PQgetvalue(result.get(), r, 1), PQgetlength(result.get(), r, 1)));
    }
}

// The server gives each column in its own type: booleans as bool, dates as
// dates; the rest reads as in a file.
Value PostgresBackend::valueFromStored(const QVariant& stored, ColumnKind kind) const
{
    if (!stored.isValid() || stored.isNull())
        return Value::null();
    switch (stored.typeId()) {
    case QMetaType::Bool: return Value::boolean(stored.toBool());
    case QMetaType::QDate: return Value::date(stored.toDate());
    case QMetaType::QDateTime: return Value::date(stored.toDateTime());
    default: return valueFromSql(stored, kind);
    }
}

// A boolean column takes true and false, not 1 and 0 (the server refuses a
// number there); a date goes as its ISO text, which date, timestamp and
// text columns all read.
QVariant PostgresBackend::valueToBound(const Value& value, ColumnKind kind) const
{
    if (kind == ColumnKind::YesNo && value.hasValue() && value.kind() != Value::Kind::Text)
        return QString::fromLatin1(value.asBoolean() ? "true" : "false");
    if (value.kind() == Value::Kind::Boolean)
        return QString::fromLatin1(value.asBoolean() ? "true" : "false");
    return valueToSql(value, kind);
}

// A row of the server's text, each column as its kind reads it.
QList<Value> PostgresBackend::recordFromRaw(const RawResult& result, int row, const RecordLayout& layout) const
{
    QList<Value> values;
    values.reserve(layout.count());
    for (int c = 0; c < layout.count(); ++c) {
        if (PQgetisnull(result.get(), row, c)) {
            values.append(Value::null());
            continue;
        }
        const QString text = QString::fromUtf8(PQgetvalue(result.get(), row, c), PQgetlength(result.get(), row, c));
        QVariant stored;
        switch (layout.at(c).kind) {
        case ColumnKind::YesNo: stored = text == QLatin1String("t"); break;
        case ColumnKind::Integer: stored = text.toLongLong(); break;
        case ColumnKind::Real: stored = text.toDouble(); break;
        case ColumnKind::Text:
        case ColumnKind::Date: stored = text; break;
        }
        values.append(valueFromStored(stored, layout.at(c).kind));
    }
    return values;
}

QList<Value> PostgresBackend::recordFrom(const QSqlQuery& query, const RecordLayout& layout, int first) const
{
    QList<Value> values;
    values.reserve(layout.count());
    for (int c = 0; c < layout.count(); ++c)
        values.append(valueFromStored(query.value(first + c), layout.at(c).kind));
    return values;
}

QList<Value> PostgresBackend::readRecord(const QString& table, const RecordLayout& layout, qint64 key)
{
    reconnectIfLost();
    QSqlQuery query = run(QStringLiteral("SELECT * FROM %1 WHERE %2 = %3").arg(table, keyColumn_, QString::number(key)),
                          tr("Cannot read the record from the server \"%1\""));
    return query.next() ? recordFrom(query, layout, 0) : QList<Value>();
}

QHash<qint64, QList<Value>> PostgresBackend::readRecords(const QString& table, const RecordLayout& layout, const QList<qint64>& keys)
{
    reconnectIfLost();
    QStringList wanted;
    wanted.reserve(keys.size());
    for (qint64 key : keys)
        wanted << QString::number(key);
    QSqlQuery query = run(QStringLiteral("SELECT %2, * FROM %1 WHERE %2 IN (%3)").arg(table, keyColumn_, wanted.join(u',')),
                          tr("Cannot read the records from the server \"%1\""));
    QHash<qint64, QList<Value>> found;
    while (query.next())
        found.insert(query.value(0).toLongLong(), recordFrom(query, layout, 1));
    return found;
}

qint64 PostgresBackend::insertRecord(const QString& table, const RecordLayout& layout, const QList<Value>& values)
{
    QStringList names, marks;
    for (int c = 0; c < values.size(); ++c) {
        if (!values.at(c).hasValue())
            continue;
        names << quoteIdentifier(layout.at(c).name);
        marks << literal(valueToBound(values.at(c), layout.at(c).kind));
    }
    const QString sql = names.isEmpty()
        ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES RETURNING %2").arg(table, keyColumn_)
        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING %4").arg(table, names.join(u','), marks.join(u','), keyColumn_);
    const RawResult result = runRaw(sql, tr("Cannot add the record to the roster on the server \"%1\""));
    return PQntuples(result.get()) == 1 ? std::strtoll(PQgetvalue(result.get(), 0, 0), nullptr, 10) : 0;
}

void PostgresBackend::writeColumns(const QString& table, const RecordLayout& layout, qint64 key, const QList<int>& written,
                                   const QList<Value>& values)
{
    QStringList assignments;
    for (int i = 0; i < written.size(); ++i)
        assignments << quoteIdentifier(layout.at(written.at(i)).name) + QStringLiteral(" = ")
                + literal(valueToBound(values.at(i), layout.at(written.at(i)).kind));
    run(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = %4").arg(table, assignments.join(QStringLiteral(", ")), keyColumn_, QString::number(key)),
        tr("Cannot save the records on the server \"%1\""));
}

bool PostgresBackend::deleteRecord(const QString& table, qint64 key)
{
    const RawResult result = runRaw(QStringLiteral("DELETE FROM %1 WHERE %2 = %3").arg(table, keyColumn_, QString::number(key)),
                                    tr("Cannot delete the record from the roster on the server \"%1\""));
    return qstrcmp(PQcmdTuples(result.get()), "1") == 0;
}

void PostgresBackend::beginWrite()
{
    reconnectIfLost();
    beginPending_ = true;
}

void PostgresBackend::commitWrite()
{
    if (beginPending_) { // nothing was written
        beginPending_ = false;
        return;
    }
    run(QStringLiteral("COMMIT"), tr("Cannot save to the roster on the server \"%1\""));
}

void PostgresBackend::rollbackWrite() noexcept
{
    if (beginPending_) {
        beginPending_ = false;
        return;
    }
    if (connectionLost(db_))
        return; // the server rolled it back when the connection went
    QSqlQuery rollback(db_);
    rollback.exec(QStringLiteral("ROLLBACK"));
}

// The record is locked as it is read (FOR UPDATE), so it stays as read
// until the commit, as under the file's write lock: compared, then written
// with the written columns returned as the server keeps them. Another
// clerk's write of the same record waits for the commit; other records are
// not locked.
RosterBackend::StoreOutcome PostgresBackend::storeIfUnchanged(const QString& table, const RecordLayout& layout, const StoreRequest& request)
{
    StoreOutcome outcome;
    const RawResult read = runRaw(QStringLiteral("SELECT * FROM %1 WHERE %2 = %3 FOR UPDATE").arg(table, keyColumn_, QString::number(request.key)),
                                  tr("Cannot read the record from the server \"%1\""));
    if (PQntuples(read.get()) != 1) {
        outcome.result = StoreOutcome::Result::Gone;
        return outcome;
    }
    outcome.record = recordFromRaw(read, 0, layout);
    outcome.changed = columnsChangedSinceRead(request, outcome.record);
    if (!outcome.changed.isEmpty()) {
        outcome.result = StoreOutcome::Result::Changed;
        return outcome;
    }
    if (request.written.isEmpty())
        return outcome;

    QStringList assignments, names;
    for (int c : request.written) {
        const QString name = quoteIdentifier(layout.at(c).name);
        assignments << name + QStringLiteral(" = ") + literal(valueToBound(request.entered.at(c), layout.at(c).kind));
        names << name;
    }
    QSqlQuery write = run(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = %4 RETURNING %5")
                              .arg(table, assignments.join(QStringLiteral(", ")), keyColumn_, QString::number(request.key),
                                   names.join(u',')),
                          tr("Cannot save the record on the server \"%1\""));
    if (!write.next()) {
        outcome.result = StoreOutcome::Result::Gone;
        outcome.record.clear();
        return outcome;
    }
    for (int i = 0; i < request.written.size(); ++i) {
        const int c = request.written.at(i);
        outcome.record[c] = valueFromStored(write.value(i), layout.at(c).kind);
    }
    return outcome;
}

// The server's next transaction number: it moves on whenever anyone
// commits a write anywhere on the server (this connection too, and other
// databases), which only makes the store read rows again that it need not.
std::optional<qint64> PostgresBackend::othersChangeCount()
{
    reconnectIfLost();
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT pg_snapshot_xmax(pg_current_snapshot())::text::bigint")) || !query.next())
        return std::nullopt;
    return query.value(0).toLongLong();
}

} // namespace varnel::store
