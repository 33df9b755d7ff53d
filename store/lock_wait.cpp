#include "store/lock_wait.h"

#include <sqlite3.h>
#include <thread>

namespace varnel::store {

bool SleepingLockWait::keepWaiting(std::chrono::milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return true;
}

SleepingLockWait& SleepingLockWait::instance()
{
    static SleepingLockWait wait;
    return wait;
}

void ConnectionLockWait::install(sqlite3* db)
{
    if (db)
        sqlite3_busy_handler(db, &ConnectionLockWait::onBusy, this);
}

bool ConnectionLockWait::waitMore(const QElapsedTimer& since)
{
    const std::chrono::milliseconds waited(since.elapsed());
    return waited < limit_ && wait_->keepWaiting(waited);
}

// SQLite counts the calls of one wait from 0.
int ConnectionLockWait::onBusy(void* self, int count)
{
    auto* wait = static_cast<ConnectionLockWait*>(self);
    if (count == 0)
        wait->since_.start();
    return wait->waitMore(wait->since_) ? 1 : 0;
}

} // namespace varnel::store
