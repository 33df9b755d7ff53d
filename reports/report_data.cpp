#include "reports/report_data.h"

#include "common/failure.h"
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
#include <sqlite3.h>

namespace varnel::reports {

namespace {

[[noreturn]] void notARoster(const QString& file, const QString& why);

// One read-only connection for one report, removed when the report is done
// (QSqlDatabase keeps named connections until they are removed).
class ReadOnlyConnection {
public:
    // Fails (5104) when the file cannot be opened, or is no database.
    explicit ReadOnlyConnection(const QString& file)
    {
        static std::atomic<int> serial{0};
        name_ = QStringLiteral("varnel-report-%1").arg(++serial);
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
        if (!openSqliteConnection(name_, file, options, &error).isValid())
            notARoster(file, QCoreApplication::translate("varnel::reports", "cannot be opened: %1").arg(error.text()));
    }
    ~ReadOnlyConnection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    ReadOnlyConnection(const ReadOnlyConnection&) = delete;
    ReadOnlyConnection& operator=(const ReadOnlyConnection&) = delete;

    QSqlDatabase database() const { return QSqlDatabase::database(name_, false); }

private:
    QString name_;
};

[[noreturn]] void notARoster(const QString& file, const QString& why)
{
    throw Failure(failure::NotARoster,
                  QCoreApplication::translate("varnel::reports", "The report's data source %1 %2.").arg(QDir::toNativeSeparators(file), why));
}

void checkIsRoster(QSqlDatabase& db, const QString& file)
{
    registerRosterNameCollation(sqliteHandle(db));
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral(
            "SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND name = 'Soldier' COLLATE NOCASE")))
        notARoster(file, QCoreApplication::translate("varnel::reports", "is not a roster database: %1").arg(probe.lastError().text()));
    if (!probe.next())
        notARoster(file, QCoreApplication::translate("varnel::reports", "is not a roster: it has no Soldier table"));
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
                      .arg(layout.path, QDir::toNativeSeparators(layout.dataSource), why));
}

// The query stopped short of a cancel: past the time limit, a failure in the
// progress window, or the database's own error.
[[noreturn]] void queryStopped(const ReportLayout& layout, const QueryWatch& watch, const QSqlError& error,
                               const ReportLimits& limits)
{
    switch (watch.stop()) {
    case QueryWatch::Stop::TimedOut:
        throw Failure(failure::QueryTimedOut,
                      QCoreApplication::translate("varnel::reports", "The query of the report layout %1 on %2 was stopped after %3 seconds, the "
                                     "longest a report query may run.")
                          .arg(layout.path, QDir::toNativeSeparators(layout.dataSource))
                          .arg(double(watch.limitMilliseconds()) / 1000.0));
    case QueryWatch::Stop::Failed:
        std::rethrow_exception(watch.failure());
    case QueryWatch::Stop::Cancelled:
    case QueryWatch::Stop::None:
        break;
    }
    // SQLite's primary result codes the engine tells apart.
    const int code = error.nativeErrorCode().toInt() & 0xff;
    if (code == SQLITE_TOOBIG)
        tooLarge(layout, QCoreApplication::translate("varnel::reports", "the query reads or makes a text or blob longer than %1 (%2)")
                             .arg(sizeText(limits.valueBytes), error.databaseText()));
    if (code == SQLITE_NOMEM)
        tooLarge(layout, QCoreApplication::translate("varnel::reports", "the database ran out of memory (%1)").arg(error.databaseText()));
    throw Failure(failure::QueryFailed, QCoreApplication::translate("varnel::reports", "The query of the report layout %1 failed on %2: %3.")
                                            .arg(layout.path, QDir::toNativeSeparators(layout.dataSource),
                                                 error.text()));
}

} // namespace

std::optional<ReportData> readReportData(const ReportLayout& layout, ReportProgress& progress,
                                         const ReportLimits& limits)
{
    refuseWritingQuery(layout.query, layout.path);

    const QFileInfo source(layout.dataSource);
    if (!source.exists())
        notARoster(layout.dataSource, QCoreApplication::translate("varnel::reports", "does not exist"));
    if (!source.isFile())
        notARoster(layout.dataSource, QCoreApplication::translate("varnel::reports", "is not a file"));

    ReadOnlyConnection connection(layout.dataSource);
    ReportData data(int(layout.fields.size()));
    {
        QSqlDatabase db = connection.database();
        checkIsRoster(db, layout.dataSource);

        // The query's first steps run inside exec(): the progress is up
        // before it, so a query that takes long before its first row can be
        // cancelled too.
        progress.begin(QCoreApplication::translate("varnel::reports", "Reading the roster..."), 0);
        QueryWatch watch(db, limits, progress);
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(layout.query)) {
            if (watch.stop() == QueryWatch::Stop::Cancelled)
                return std::nullopt;
            queryStopped(layout, watch, query.lastError(), limits);
        }

        const QSqlRecord record = query.record();
        QVector<int> columns;
        for (const FieldSpec& spec : layout.fields) {
            const int column = record.indexOf(spec.field);
            if (column < 0)
                throw Failure(failure::NotALayout,
                              QCoreApplication::translate("varnel::reports", "The report layout %1 is not a valid layout: it shows the field "
                                             "\"%2\", which its query does not give.")
                                  .arg(layout.path, spec.field));
            columns.append(column);
        }

        int rows = 0;
        while (query.next()) {
            for (qsizetype f = 0; f < columns.size(); ++f)
                data.appendValue(formatValue(layout.fields[f], query.value(columns[f]), layout.dateFormat));
            if (data.bytes() > limits.dataBytes)
                tooLarge(layout, QCoreApplication::translate("varnel::reports", "its values take more than %1 after %2 rows")
                                     .arg(sizeText(limits.dataBytes)).arg(rows + 1));
            if (!progress.step(++rows))
                return std::nullopt;
            if (!watch.keepGoing(rows))
                break;
        }
        if (watch.stop() == QueryWatch::Stop::Cancelled)
            return std::nullopt;
        if (watch.stop() != QueryWatch::Stop::None || query.lastError().isValid())
            queryStopped(layout, watch, query.lastError(), limits);
    }
    return data;
}

} // namespace varnel::reports
