#include "reports/query_watch.h"

#include "common/sqlite_open.h"
#include "reports/report_progress.h"

#include <QSqlDatabase>
#include <sqlite3.h>

namespace varnel::reports {

namespace {

// SQLite calls back after this many steps of its virtual machine: a few
// microseconds of work, so the clock is looked at often enough to stop a
// query promptly, and rarely enough to cost nothing measurable.
constexpr int kStepsPerCallback = 1000;
// How often the progress window gets a turn while the query works without
// rows (it handles events at most this often anyway).
constexpr qint64 kProgressIntervalMs = 20;

} // namespace

QueryWatch::QueryWatch(const QSqlDatabase& db, const ReportLimits& limits, ReportProgress& progress)
    : handle_(sqliteHandle(db)), limits_(limits), progress_(progress)
{
    clock_.start();
    if (!handle_)
        return;
    sqlite3_limit(handle_, SQLITE_LIMIT_LENGTH, limits_.valueBytes);
    // The query guard refuses ATTACH already; this is the second lock.
    sqlite3_limit(handle_, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_progress_handler(handle_, kStepsPerCallback, &QueryWatch::onProgress, this);
}

QueryWatch::~QueryWatch()
{
    if (handle_)
        sqlite3_progress_handler(handle_, 0, nullptr, nullptr);
}

bool QueryWatch::keepGoing(int rows) noexcept
{
    if (stop_ != Stop::None)
        return false;
    rows_ = rows;
    try {
        const qint64 now = clock_.elapsed();
        if (now >= limits_.queryMilliseconds) {
            stop_ = Stop::TimedOut;
            return false;
        }
        if (now - lastStepMs_ >= kProgressIntervalMs) {
            lastStepMs_ = now;
            if (!progress_.step(rows)) {
                stop_ = Stop::Cancelled;
                return false;
            }
        }
    } catch (...) {
        // The progress window failed (out of memory, say): nothing may
        // unwind through SQLite, so the query stops and the engine throws it.
        failure_ = std::current_exception();
        stop_ = Stop::Failed;
        return false;
    }
    return true;
}

int QueryWatch::onProgress(void* watch) noexcept
{
    auto* self = static_cast<QueryWatch*>(watch);
    // Non-zero interrupts the query; it then fails with SQLITE_INTERRUPT.
    return self->keepGoing(self->rows_) ? 0 : 1;
}

} // namespace varnel::reports
