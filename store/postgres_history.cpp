// A server roster's history of changes: the statements that make it, and
// the reading of one soldier's entries (PostgresBackend::historyOf); and the
// notification of every committed change (PostgresBackend::watchOthersChanges).
#include "store/postgres_backend.h"
#include "store/roster_history.h"
#include "store/sql_support.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <libpq-fe.h>

namespace varnel::store {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("varnel::store", text);
}

// A value of the history's jsonb, given as its type (jsonb_typeof) and its
// text: no type, the column was not there (an added record's before).
Value historyValue(const char* type, const QString& text, ColumnKind kind)
{
    if (!type)
        return Value();
    if (qstrcmp(type, "null") == 0)
        return Value::null();
    switch (kind) {
    case ColumnKind::YesNo: return Value::boolean(text == QLatin1String("true"));
    case ColumnKind::Integer: return Value::integer(text.toLongLong());
    case ColumnKind::Real: return Value::real(text.toDouble());
    case ColumnKind::Text:
    case ColumnKind::Date: break;
    }
    return valueFromSql(text, kind);
}

// A name as an SQL string literal (the jsonb key of its column).
QString nameLiteral(const QString& name)
{
    QString text = name;
    return u'\'' + text.replace(u'\'', QLatin1String("''")) + u'\'';
}

} // namespace

QStringList serverHistoryStatements(const QString& table, const QString& key)
{
    const QString history = quoteIdentifier(historyTableOf(table));
    const QString record = quoteIdentifier(historyTableOf(table) + QStringLiteral("Record"));
    const QString kept = quoteIdentifier(historyTableOf(table) + QStringLiteral("Kept"));
    const QString soldier = quoteIdentifier(table);
    const QString keyColumn = quoteIdentifier(key);
    const QString keyName = nameLiteral(key);
    // The functions are made under a search path of the roster's schema and
    // then temporary tables, which they keep (SET search_path FROM
    // CURRENT): a temporary table a clerk names like the history cannot
    // take its rows, and the record function runs as its owner.
    const QString functions = QStringLiteral(R"SQL(DO $do$
DECLARE was text := current_setting('search_path');
BEGIN
  PERFORM set_config('search_path', quote_ident(current_schema()) || ', pg_temp', true);
  CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $body$
  DECLARE o jsonb; n jsonb;
  BEGIN
    IF TG_OP = 'TRUNCATE' THEN
      INSERT INTO %3 ("Action") VALUES (TG_OP);
    ELSIF TG_OP = 'INSERT' THEN
      INSERT INTO %3 ("Action", "Soldier", "New") VALUES (TG_OP, NEW.%4, jsonb_strip_nulls(to_jsonb(NEW) - %5));
    ELSIF TG_OP = 'DELETE' THEN
      INSERT INTO %3 ("Action", "Soldier", "Old") VALUES (TG_OP, OLD.%4, jsonb_strip_nulls(to_jsonb(OLD) - %5));
    ELSE
      o := to_jsonb(OLD);
      n := to_jsonb(NEW);
      IF o = n THEN
        RETURN NULL;
      END IF;
      INSERT INTO %3 ("Action", "Soldier", "Old", "New")
        SELECT TG_OP, NEW.%4, jsonb_object_agg(c.key, o -> c.key), jsonb_object_agg(c.key, c.value)
        FROM jsonb_each(n) AS c WHERE c.value IS DISTINCT FROM o -> c.key;
    END IF;
    RETURN NULL;
  END $body$;
  CREATE FUNCTION %2() RETURNS trigger LANGUAGE plpgsql SET search_path FROM CURRENT AS $body$
  BEGIN
    IF current_user NOT IN (SELECT pg_get_userbyid(relowner) FROM pg_class WHERE oid = TG_RELID
                            UNION ALL SELECT pg_get_userbyid(datdba) FROM pg_database WHERE datname = current_database()) THEN
      RAISE EXCEPTION 'The history of the roster''s changes is kept as written: the role % may not % it.', session_user, lower(TG_OP)
        USING ERRCODE = 'insufficient_privilege';
    END IF;
    RETURN NULL;
  END $body$;
  PERFORM set_config('search_path', was, true);
END $do$)SQL")
                                  .arg(record, kept, history, keyColumn, keyName);
    return {
        QStringLiteral("CREATE TABLE %1 (\"Entry\" bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
                       " \"At\" timestamptz NOT NULL DEFAULT now(), \"Role\" text NOT NULL DEFAULT session_user,"
                       " \"Action\" text NOT NULL, \"Soldier\" bigint, \"Old\" jsonb, \"New\" jsonb)")
            .arg(history),
        QStringLiteral("CREATE INDEX %1 ON %2 (\"Soldier\", \"Entry\")")
            .arg(quoteIdentifier(historyTableOf(table) + QStringLiteral("BySoldier")), history),
        functions,
        // Only triggers run the record function: no role makes a trigger of
        // its own with it to write entries of its choosing.
        QStringLiteral("REVOKE ALL ON FUNCTION %1() FROM PUBLIC").arg(record),
        QStringLiteral("CREATE TRIGGER %1 AFTER INSERT OR DELETE OR UPDATE ON %2 FOR EACH ROW EXECUTE FUNCTION %3()")
            .arg(quoteIdentifier(historyTableOf(table)), soldier, record),
        QStringLiteral("CREATE TRIGGER %1 AFTER TRUNCATE ON %2 FOR EACH STATEMENT EXECUTE FUNCTION %3()")
            .arg(quoteIdentifier(table + QStringLiteral("Emptied")), soldier, record),
        // The role making the roster (its owner) passes without the function
        // being called at all: every entry the record function writes is its.
        QStringLiteral("DO $do$ BEGIN EXECUTE format($sql$CREATE TRIGGER %1 BEFORE INSERT OR UPDATE OR DELETE OR TRUNCATE ON %2"
                       " FOR EACH STATEMENT WHEN (current_user <> %L) EXECUTE FUNCTION %3()$sql$, current_user); END $do$")
            .arg(kept, history, kept),
    };
}

QStringList serverChangeNoticeStatements(const QString& table)
{
    const QString function = quoteIdentifier(table + QStringLiteral("Changed"));
    return {
        QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql SET search_path = pg_catalog"
                       " AS $body$ BEGIN PERFORM pg_notify(%2, ''); RETURN NULL; END $body$")
            .arg(function, nameLiteral(table)),
        QStringLiteral("CREATE TRIGGER %1 AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON %2 FOR EACH STATEMENT"
                       " EXECUTE FUNCTION %1()")
            .arg(function, quoteIdentifier(table)),
    };
}

void PostgresBackend::watchOthersChanges(std::function<void()> changed)
{
    othersChanged_ = std::move(changed);
    listen();
}

// LISTEN goes straight to the connection, never behind a write's BEGIN: a
// write rolled back would take it back.
void PostgresBackend::listen()
{
    notifier_.reset();
    if (!othersChanged_)
        return;
    const QByteArray sql = QStringLiteral("LISTEN %1").arg(quoteIdentifier(channel_)).toUtf8();
    const RawResult result(PQexec(link_.get(), sql.constData()), PQclear);
    if (PQresultStatus(result.get()) != PGRES_COMMAND_OK)
        throw failureOf(result.get(), tr("Cannot follow the changes of other clerks on the server \"%1\""));
    notifier_ = std::make_unique<QSocketNotifier>(qintptr(PQsocket(link_.get())), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
        // What the server sent meanwhile; a lost connection is found by the
        // next command.
        if (!PQconsumeInput(link_.get()))
            notifier_->setEnabled(false);
        tellOfNotifications();
    });
}

// The notifications libpq has taken in, from the socket or along with a
// statement's results: another connection's tell the watcher, once the
// event loop runs; this connection's own are dropped.
void PostgresBackend::tellOfNotifications()
{
    bool others = false;
    while (PGnotify* notice = PQnotifies(link_.get())) {
        others = others || notice->be_pid != PQbackendPID(link_.get());
        PQfreemem(notice);
    }
    if (others && othersChanged_ && notifier_)
        QMetaObject::invokeMethod(notifier_.get(), othersChanged_, Qt::QueuedConnection);
}

std::optional<QList<HistoryEntry>> PostgresBackend::historyOf(const RecordLayout& layout, qint64 key)
{
    if (!keepsHistory_)
        keepsHistory_ = hasTable(historyTable_);
    if (!*keepsHistory_)
        return std::nullopt;
    // One row for each changed column of each entry, in the entries' order.
    const QString sql = QStringLiteral(
        "SELECT h.\"Entry\", (extract(epoch FROM h.\"At\") * 1000)::bigint, h.\"Role\", h.\"Action\", c.key,"
        " jsonb_typeof(h.\"Old\" -> c.key), h.\"Old\" ->> c.key, jsonb_typeof(h.\"New\" -> c.key), h.\"New\" ->> c.key"
        " FROM %1 AS h LEFT JOIN LATERAL jsonb_object_keys(COALESCE(h.\"Old\", '{}') || COALESCE(h.\"New\", '{}'))"
        " AS c(key) ON true WHERE h.\"Soldier\" = %2 ORDER BY h.\"Entry\"");
    const RawResult result = runRaw(sql.arg(quoteIdentifier(historyTable_), QString::number(key)),
                                    tr("Cannot read the history of the record on the server \"%1\""));
    QList<HistoryEntry> entries;
    qint64 entry = -1;
    auto text = [&](int row, int column) {
        return QString::fromUtf8(PQgetvalue(result.get(), row, column), PQgetlength(result.get(), row, column));
    };
    auto type = [&](int row, int column) {
        return PQgetisnull(result.get(), row, column) ? nullptr : PQgetvalue(result.get(), row, column);
    };
    for (int row = 0; row < PQntuples(result.get()); ++row) {
        if (const qint64 number = wholeNumber(result.get(), row, 0); number != entry) {
            entry = number;
            HistoryEntry e;
            e.at = QDateTime::fromMSecsSinceEpoch(wholeNumber(result.get(), row, 1), Qt::UTC);
            e.role = text(row, 2);
            const QString action = text(row, 3);
            e.action = action == QLatin1String("INSERT") ? HistoryEntry::Action::Added
                : action == QLatin1String("DELETE")      ? HistoryEntry::Action::Deleted
                                                         : HistoryEntry::Action::Changed;
            entries.append(e);
        }
        if (PQgetisnull(result.get(), row, 4))
            continue;
        const QString column = text(row, 4);
        const int ordinal = layout.indexOf(column);
        const ColumnKind kind = ordinal >= 0 ? layout.at(ordinal).kind : ColumnKind::Text;
        entries.last().fields.append(
            {column, historyValue(type(row, 5), text(row, 6), kind), historyValue(type(row, 7), text(row, 8), kind)});
    }
    // The server gives the columns in its own order: the table's is the clerk's.
    for (HistoryEntry& e : entries) {
        std::stable_sort(e.fields.begin(), e.fields.end(),
                         [&layout](const HistoryEntry::Field& a, const HistoryEntry::Field& b) {
                             return uint(layout.indexOf(a.column)) < uint(layout.indexOf(b.column));
                         });
    }
    return entries;
}

} // namespace varnel::store
