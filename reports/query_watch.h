#pragma once

#include "reports/report_limits.h"

#include <QElapsedTimer>
#include <exception>

class QSqlDatabase;
struct sqlite3;

namespace varnel::reports {

class ReportProgress;

// Watches the one query of a report on the report's own connection, so that
// no query can freeze the window or run without end:
//  - SQLite's progress handler calls back every few thousand steps of the
//    query, also while no row comes out (an endless recursive WITH, a huge
//    sort); every few dozen milliseconds the watch hands over to the
//    progress window, whose Cancel then stops the query;
//  - a query running past ReportLimits::queryMilliseconds is stopped;
//  - the connection is held to ReportLimits::valueBytes for any one text
//    or blob, and attaches no other database.
// Limits and handler belong to this connection only; the roster store's
// connection and SQLite's process-wide settings are left alone.
class QueryWatch {
public:
    enum class Stop { None, Cancelled, TimedOut, Failed };

    // The clock starts here. `db` must be open and outlive the watch.
    QueryWatch(const QSqlDatabase& db, const ReportLimits& limits, ReportProgress& progress);
    ~QueryWatch();
    QueryWatch(const QueryWatch&) = delete;
    QueryWatch& operator=(const QueryWatch&) = delete;

    // Called after each row read, with the number read so far. Returns
    // false once the query is to stop (cancel, time limit, a failure).
    bool keepGoing(int rows) noexcept;

    Stop stop() const { return stop_; }
    // What went wrong inside a callback (Stop::Failed), to be thrown again.
    std::exception_ptr failure() const { return failure_; }
    qint64 limitMilliseconds() const { return limits_.queryMilliseconds; }

private:
    static int onProgress(void* watch) noexcept;

    sqlite3* handle_ = nullptr;
    ReportLimits limits_;
    ReportProgress& progress_;
    QElapsedTimer clock_;
    qint64 lastStepMs_ = 0;
    int rows_ = 0;
    Stop stop_ = Stop::None;
    std::exception_ptr failure_;
};

} // namespace varnel::reports
