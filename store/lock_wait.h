#pragma once

#include <QElapsedTimer>
#include <chrono>

struct sqlite3;

namespace varnel::store {

// Waiting for a roster file another program has locked (its own write, a
// shell's BEGIN EXCLUSIVE). SQLite asks again and again whether to go on
// waiting; the window answers while staying responsive (ui/), a tool by
// sleeping. One wait lasts at most kLockWaitLimit; then, or when the clerk
// cancels it, the statement fails with SQLite's 5 (the file is locked).
class LockWait {
public:
    virtual ~LockWait() = default;
    // Called every few milliseconds while the lock is held, with how long
    // this wait has lasted; it passes some time (a few milliseconds) and
    // says whether to try again. False gives up at once.
    virtual bool keepWaiting(std::chrono::milliseconds waited) = 0;
};

inline constexpr std::chrono::milliseconds kLockWaitLimit{10000};

// The waiting of a program without a window: it sleeps.
class SleepingLockWait final : public LockWait {
public:
    bool keepWaiting(std::chrono::milliseconds waited) override;
    static SleepingLockWait& instance();
};

// How one SQLite connection waits: the LockWait it asks and the limit of
// one wait. Installed as the connection's busy handler, it must live as
// long as the connection.
class ConnectionLockWait {
public:
    ConnectionLockWait() = default;
    ConnectionLockWait(const ConnectionLockWait&) = delete;
    ConnectionLockWait& operator=(const ConnectionLockWait&) = delete;

    // Makes `db` wait through this (replacing any busy timeout).
    void install(sqlite3* db);
    void setWait(LockWait* wait) { wait_ = wait ? wait : &SleepingLockWait::instance(); }
    void setLimit(std::chrono::milliseconds limit) { limit_ = limit; }
    // One step of a wait begun at `since`: false when it is over.
    bool waitMore(const QElapsedTimer& since);

private:
    static int onBusy(void* self, int count);

    LockWait* wait_ = &SleepingLockWait::instance();
    std::chrono::milliseconds limit_ = kLockWaitLimit;
    QElapsedTimer since_;
};

} // namespace varnel::store
