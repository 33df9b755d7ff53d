#include "reports/report_data.h"

#include "common/failure.h"
#include "common/server_connection.h"
#include "common/sqlite_open.h"
#include "reports/field_format.h"
#include "reports/name_collation.h"
#include "reports/query_guard.h"
#include "reports/query_watch.h"
#include "reports/report_failures.h"
#include "reports/report_layout.h"
#include "reports/report_progress.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <atomic>
#include <memory>
#include <sqlite3.h>

namespace varnel::reports {

namespace {

[[noreturn]] void notARoster(const RosterLocation& source, const QString& why);

// One connection for one report, to the roster's file or its server,
// removed when the report is done (QSqlDatabase keeps named connections until
// they are removed). Closing a server's ends the report's read-only
// transaction too.
class ReportConnection {
public:
    // Fails (5104) when the file cannot be opened, or is no database.
    static std::unique_ptr<ReportConnection> toFile(const RosterLocation& file)
    {
        std::unique_ptr<ReportConnection> connection(new ReportConnection);
        // A missing file is an error, never a new empty database. Opened for
        // reading and writing where the file allows (SQLite falls back to
        // reading only on a read-only file or medium) but kept to queries: a
        // reader that may write can roll back what a writer that crashed left
        // half done, and, on a file another program keeps in write-ahead-log
        // mode, removes the log and its index when it closes, where a
        // read-only reader would leave them behind. SQLite opens lazily: the
        // first statement tells whether the file is a database.
        SqliteOptions options;
        options.access = SqliteAccess::ReadWrite;
        options.pragmas = {QStringLiteral("query_only=1")};
        options.pragmasMustSucceed = true;
        QSqlError error;
        if (!openSqliteConnection(connection->name_, file.text(), options, &error).isValid())
            notARoster(file, QCoreApplication::translate("varnel::reports", "cannot be opened: %1").arg(error.text()));
        return connection;
    }
    // Fails (3151, 3029 and the like) when the server cannot be reached or
    // refuses the role.
    static std::unique_ptr<ReportConnection> toServer(const RosterLocation& uri)
    {
        std::unique_ptr<ReportConnection> connection(new ReportConnection);
        openServerConnection(connection->name_, uri.text());
        return connection;
    }
    ~ReportConnection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    ReportConnection(const ReportConnection&) = delete;
    ReportConnection& operator=(const ReportConnection&) = delete;

    QSqlDatabase database() const { return QSqlDatabase::database(name_, false); }

private:
    ReportConnection()
    {
        static std::atomic<int> serial{0};
        name_ = QStringLiteral("varnel-report-%1").arg(++serial);
    }

    QString name_;
};

[[noreturn]] void notARoster(const RosterLocation& file, const QString& why)
{
    throw Failure(failure::NotARoster,
                  QCoreApplication::translate("varnel::reports", "The report's data source %1 %2.").arg(file.inWords(), why));
}

void checkIsRoster(QSqlDatabase& db, const RosterLocation& file)
{
    registerRosterNameCollation(sqliteHandle(db));
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral(
            "SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND name = 'Soldier' COLLATE NOCASE")))
        notARoster(file, QCoreApplication::translate("varnel::reports", "is not a roster database: %1").arg(probe.lastError().text()));
    if (!probe.next())
        notARoster(file, QCoreApplication::translate("varnel::reports", "is not a roster: it has no Soldier table"));
}

QString serverSays(const QSqlQuery& query)
{
    const QSqlError error = query.lastError();
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.text() : text;
}

// The report's role on the server may read the roster and nothing more: a
// role that may change the Soldier table is refused before the query runs,
// so a report can never be the way a layout changes the roster. Gives the
// table's primary key column (empty when it has none).
QString checkServerRoster(QSqlDatabase& db, const RosterLocation& uri)
{
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT to_regclass('\"Soldier\"') IS NOT NULL, current_user")) || !probe.next())
        notARoster(uri, QCoreApplication::translate("varnel::reports", "cannot be read: %1").arg(serverSays(probe)));
    if (!probe.value(0).toBool())
        notARoster(uri, QCoreApplication::translate("varnel::reports", "is not a roster: it has no Soldier table"));
    const QString role = probe.value(1).toString();
    // Every role the login may become counts, itself among them: a member
    // that inherits nothing (NOINHERIT) can still SET ROLE to the one that
    // may write.
    if (!probe.exec(QStringLiteral(
            "SELECT r.rolname FROM pg_roles r WHERE pg_has_role(current_user, r.oid, 'MEMBER') AND"
            " (r.rolsuper OR has_table_privilege(r.oid, '\"Soldier\"', 'INSERT, UPDATE, DELETE, TRUNCATE')"
            "  OR has_any_column_privilege(r.oid, '\"Soldier\"', 'INSERT, UPDATE'))"
            " ORDER BY r.rolname <> current_user, r.rolname LIMIT 1")))
        notARoster(uri, QCoreApplication::translate("varnel::reports", "cannot be read: %1").arg(serverSays(probe)));
    if (probe.next()) {
        const QString writer = probe.value(0).toString();
        const QString which = writer == role ? QCoreApplication::translate("varnel::reports", "which may change the Soldier table")
                                             : QCoreApplication::translate("varnel::reports", "which may become the role \"%1\" (SET ROLE), "
                                                                                              "which may change the Soldier table")
                                                   .arg(writer);
        throw Failure(failure::WritingRole,
                      QCoreApplication::translate("varnel::reports",
                                                  "The report's data source %1 connects as the role \"%2\", %3. Reports read a "
                                                  "roster on a server only as a role that may read it and nothing more (GRANT "
                                                  "SELECT ON \"Soldier\" TO a role of its own, and no other role).")
                          .arg(uri.inWords(), role, which));
    }
    if (!probe.exec(QStringLiteral(
            "SELECT a.attname FROM pg_index i JOIN pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = i.indkey[0]"
            " WHERE i.indrelid = '\"Soldier\"'::regclass AND i.indisprimary AND i.indnatts = 1")))
        notARoster(uri, QCoreApplication::translate("varnel::reports", "cannot be read: %1").arg(serverSays(probe)));
    return probe.next() ? probe.value(0).toString() : QString();
}

QString sizeText(qint64 bytes)
{
    constexpr qint64 kMiB = 1 << 20;
    if (bytes < kMiB)
        return QStringLiteral("%1 bytes").arg(bytes);
    return QStringLiteral("%1 MiB").arg(double(bytes) / kMiB, 0, 'f', bytes % kMiB == 0 ? 0 : 1);
}

[[noreturn]] void tooLarge(const ReportLayout& layout, const QString& why)
{
    throw Failure(failure::ReportTooLarge,
                  QCoreApplication::translate("varnel::reports", "The report of the layout %1 on %2 is too large: %3.")
                      .arg(layout.path, layout.dataSource.inWords(), why));
}

// Whether `text` takes more than `limit` bytes in UTF-8, the unit SQLite's
// own bound counts a text in: a UTF-16 unit takes one to three bytes, a
// surrogate pair four.
bool longerInUtf8(QStringView text, qint64 limit)
{
    if (text.size() > limit)
        return true;
    if (text.size() * 3 <= limit)
        return false;
    qint64 bytes = 0;
    for (const QChar c : text)
        bytes += c.unicode() < 0x80 ? 1 : (c.unicode() < 0x800 || c.isSurrogate()) ? 2 : 3;
    return bytes > limit;
}

// What a failed query means, as far as the engine tells it apart.
struct QueryFault {
    enum class Kind { Failed, TimedOut, ValueTooLong, OutOfMemory };
    Kind kind = Kind::Failed;
    QString advice; // what to do about it, said after the failure
};

// One engine's side of a report: the connection, opened on a roster and
// checked to be one, the layout's query as the engine runs it, a value as
// the engine gives it and what its errors mean. The rows are read by one
// loop for every engine (readRows), so a layout shows the same on both.
class ReportSource {
public:
    virtual ~ReportSource() = default;
    ReportSource(const ReportSource&) = delete;
    ReportSource& operator=(const ReportSource&) = delete;

    QSqlDatabase database() const { return connection_->database(); }
    const QString& query() const { return query_; }
    // A value as the engine gives it, made the value a roster file gives.
    // Throws failure::ReportTooLarge for a value past the engine's bound.
    virtual QVariant value(QVariant given) const = 0;
    // What the engine's error of the query means.
    virtual QueryFault fault(const QSqlError& error) const = 0;

protected:
    ReportSource() = default;

    std::unique_ptr<ReportConnection> connection_;
    QString query_;
};

// A roster file, read through SQLite with the report's own bounds
// (QueryWatch): SQLite itself stops a value past limits.valueBytes.
class FileSource final : public ReportSource {
public:
    explicit FileSource(const ReportLayout& layout)
    {
        const QFileInfo source(layout.dataSource.text());
        if (!source.exists())
            notARoster(layout.dataSource, QCoreApplication::translate("varnel::reports", "does not exist"));
        if (!source.isFile())
            notARoster(layout.dataSource, QCoreApplication::translate("varnel::reports", "is not a file"));
        connection_ = ReportConnection::toFile(layout.dataSource);
        QSqlDatabase db = database();
        checkIsRoster(db, layout.dataSource);
        query_ = layout.query;
    }

    QVariant value(QVariant given) const override { return given; }

    QueryFault fault(const QSqlError& error) const override
    {
        // SQLite's primary result codes the report tells apart.
        switch (error.nativeErrorCode().toInt() & 0xff) {
        case SQLITE_TOOBIG: return {QueryFault::Kind::ValueTooLong, {}};
        case SQLITE_NOMEM: return {QueryFault::Kind::OutOfMemory, {}};
        default: return {};
        }
    }
};

// A roster on a PostgreSQL server, read as a role that may only read it, in
// a read-only transaction the server stops at the time limit.
class ServerSource final : public ReportSource {
public:
    ServerSource(const ReportLayout& layout, const ReportLimits& limits) : layout_(layout), limits_(limits)
    {
        connection_ = ReportConnection::toServer(layout.dataSource);
        QSqlDatabase db = database();
        const QString key = checkServerRoster(db, layout.dataSource);
        // Read-only twice over: the role may only read, and so may the
        // transaction the query runs in; the server stops it at the time
        // limit.
        QSqlQuery begin(db);
        if (!begin.exec(QStringLiteral("BEGIN TRANSACTION READ ONLY"))
            || !begin.exec(
                QStringLiteral("SET LOCAL statement_timeout = %1").arg(std::max<qint64>(1, limits.queryMilliseconds))))
            notARoster(layout.dataSource,
                       QCoreApplication::translate("varnel::reports", "cannot be read: %1").arg(serverSays(begin)));
        query_ = withServerRowKey(layout.query, key);
    }

    QVariant value(QVariant given) const override
    {
        // A Yes/No on the server is a boolean; in a file it is 1 or 0.
        if (given.metaType().id() == QMetaType::Bool)
            return QVariant(qint64(given.toBool() ? 1 : 0));
        // SQLite stops such a value inside the query; the server has no such
        // bound, so it is stopped once it arrives, counted as SQLite counts.
        if (given.metaType().id() == QMetaType::QString && longerInUtf8(given.toString(), limits_.valueBytes))
            tooLarge(layout_,
                     QCoreApplication::translate("varnel::reports", "the query reads or makes a text longer than %1")
                         .arg(sizeText(limits_.valueBytes)));
        return given;
    }

    QueryFault fault(const QSqlError& error) const override
    {
        // The server's statement_timeout cancels the query (SQLSTATE 57014).
        if (error.nativeErrorCode() == QLatin1String("57014"))
            return {QueryFault::Kind::TimedOut, {}};
        // A roster table made on the server before its tools made the
        // collation: say how to make it.
        if (error.nativeErrorCode() != QLatin1String("42704")
            || !error.databaseText().contains(QLatin1String("roster_name"), Qt::CaseInsensitive))
            return {};
        QueryFault missingCollation;
        missingCollation.advice = QCoreApplication::translate(
            "varnel::reports", "The database lacks the collation the layouts order names by; its owner makes it once "
                               "with: CREATE COLLATION IF NOT EXISTS roster_name (provider = icu, locale = "
                               "'und-u-ks-level1');");
        return missingCollation;
    }

private:
    const ReportLayout& layout_;
    ReportLimits limits_;
};

std::unique_ptr<ReportSource> openReportSource(const ReportLayout& layout, const ReportLimits& limits)
{
    if (layout.dataSource.isServer())
        return std::make_unique<ServerSource>(layout, limits);
    return std::make_unique<FileSource>(layout);
}

// The query stopped short of a cancel: past the time limit, a failure in the
// progress window, or the database's own error.
[[noreturn]] void queryStopped(const ReportLayout& layout, const ReportSource& source, const QueryWatch& watch,
                               const QSqlError& error, const ReportLimits& limits)
{
    const QueryFault fault = source.fault(error);
    switch (fault.kind == QueryFault::Kind::TimedOut ? QueryWatch::Stop::TimedOut : watch.stop()) {
    case QueryWatch::Stop::TimedOut:
        throw Failure(failure::QueryTimedOut,
                      QCoreApplication::translate("varnel::reports", "The query of the report layout %1 on %2 was stopped after %3 seconds, the "
                                     "longest a report query may run.")
                          .arg(layout.path, layout.dataSource.inWords())
                          .arg(double(watch.limitMilliseconds()) / 1000.0));
    case QueryWatch::Stop::Failed:
        std::rethrow_exception(watch.failure());
    case QueryWatch::Stop::Cancelled:
    case QueryWatch::Stop::None:
        break;
    }
    if (fault.kind == QueryFault::Kind::ValueTooLong)
        tooLarge(layout, QCoreApplication::translate("varnel::reports", "the query reads or makes a text or blob longer than %1 (%2)")
                             .arg(sizeText(limits.valueBytes), error.databaseText()));
    if (fault.kind == QueryFault::Kind::OutOfMemory)
        tooLarge(layout, QCoreApplication::translate("varnel::reports", "the database ran out of memory (%1)").arg(error.databaseText()));
    QString description = QCoreApplication::translate("varnel::reports", "The query of the report layout %1 failed on %2: %3.")
                              .arg(layout.path, layout.dataSource.inWords(), error.text());
    if (!fault.advice.isEmpty())
        description += u' ' + fault.advice;
    throw Failure(failure::QueryFailed, description);
}

// The result's column of every field the layout shows, in the layout's order.
QVector<int> fieldColumns(const ReportLayout& layout, const QSqlRecord& record)
{
    QVector<int> columns;
    for (const FieldSpec& spec : layout.fields) {
        const int column = record.indexOf(spec.field);
        if (column < 0)
            throw Failure(failure::NotALayout,
                          QCoreApplication::translate("varnel::reports",
                                                      "The report layout %1 is not a valid layout: it shows the field "
                                                      "\"%2\", which its query does not give.")
                              .arg(layout.path, spec.field));
        columns.append(column);
    }
    return columns;
}

// Runs the source's query and formats every field of every row, the same for
// every engine.
std::optional<ReportData> readRows(const ReportLayout& layout, const ReportSource& source, ReportProgress& progress,
                                   const ReportLimits& limits)
{
    QSqlDatabase db = source.database();
    // The query's first steps run inside exec(): the progress is up before
    // it, so a query that takes long before its first row can be cancelled
    // too.
    progress.begin(QCoreApplication::translate("varnel::reports", "Reading the roster..."), 0);
    QueryWatch watch(db, limits, progress);
    QSqlQuery result(db);
    result.setForwardOnly(true);
    if (!result.exec(source.query())) {
        if (watch.stop() == QueryWatch::Stop::Cancelled)
            return std::nullopt;
        queryStopped(layout, source, watch, result.lastError(), limits);
    }

    const QVector<int> columns = fieldColumns(layout, result.record());
    ReportData data(int(layout.fields.size()));
    int rows = 0;
    while (result.next()) {
        for (qsizetype f = 0; f < columns.size(); ++f)
            data.appendValue(formatValue(layout.fields[f], source.value(result.value(columns[f])), layout.dateFormat));
        if (data.bytes() > limits.dataBytes)
            tooLarge(layout,
                     QCoreApplication::translate("varnel::reports", "its values take more than %1 after %2 rows")
                         .arg(sizeText(limits.dataBytes))
                         .arg(rows + 1));
        if (!progress.step(++rows))
            return std::nullopt;
        if (!watch.keepGoing(rows))
            break;
    }
    if (watch.stop() == QueryWatch::Stop::Cancelled)
        return std::nullopt;
    if (watch.stop() != QueryWatch::Stop::None || result.lastError().isValid())
        queryStopped(layout, source, watch, result.lastError(), limits);
    return data;
}

} // namespace

std::optional<ReportData> readReportData(const ReportLayout& layout, ReportProgress& progress,
                                         const ReportLimits& limits)
{
    refuseWritingQuery(layout.query, layout.path);
    // The source, and with it the connection, outlives every query of it.
    const std::unique_ptr<ReportSource> source = openReportSource(layout, limits);
    return readRows(layout, *source, progress, limits);
}

} // namespace varnel::reports
