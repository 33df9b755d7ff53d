#pragma once

namespace varnel::store {

class RosterBackend;
class RosterFileGuard;

// One stored change is one transaction: a crash leaves the old record or
// the new one, never part of it. What the transaction reads stays as read
// until it commits (RosterBackend::beginWrite). Failures carry the engine's
// own numbers. Rolled back unless committed.
class WriteTransaction {
public:
    // Runs the guard's checks (a roster file's; a server has none), then
    // begins.
    WriteTransaction(RosterBackend& backend, RosterFileGuard* guard);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    void commit();

private:
    RosterBackend& backend_;
    bool open_ = false;
};

} // namespace varnel::store
