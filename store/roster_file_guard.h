#pragma once

#include "store/file_check.h"
#include "store/lock_wait.h"

#include <QSqlDatabase>
#include <QString>
#include <functional>

namespace varnel::store {

// What stands between the program and every write to the roster file:
//  - the file open is still the file at the roster's path (not moved,
//    replaced by another file, or deleted while open), else failure 1032
//    and nothing is written anywhere;
//  - the file passed SQLite's quick check, else failure 11;
//  - before the first write, a safety copy of the roster is saved in the
//    user's data folder (once per guard, which lives as long as the binding);
//    when it cannot be, the write goes on and the one told of copy failures
//    hears why, before it does.
class RosterFileGuard {
public:
    explicit RosterFileGuard(QString path);

    const QString& path() const { return path_; }

    // Starts the file check in the background; `onDamage` is called on the
    // checking thread when it finds the file damaged.
    void startCheck(std::function<void(const Failure&)> onDamage = {});

    // Runs the checks above on `db`, the roster's open connection, and
    // throws the first that fails.
    void beforeWrite(QSqlDatabase& db);

    // The safety copy saved before the first write; empty until then, or
    // when it could not be saved.
    QString safetyCopy() const { return safetyCopy_; }
    // Told, once, when the safety copy cannot be saved (without it, a line
    // on the standard error).
    void setOnCopyFailed(std::function<void(const Failure&)> onCopyFailed) { onCopyFailed_ = std::move(onCopyFailed); }
    // How its own waits (for the check's verdict, for the lock the safety
    // copy needs) are waited.
    void setLockWait(LockWait* wait) { wait_.setWait(wait); }

private:
    void requireFileAtPath(QSqlDatabase& db) const;

    QString path_;
    FileCheck check_;
    bool copyTried_ = false;
    QString safetyCopy_;
    std::function<void(const Failure&)> onCopyFailed_;
    ConnectionLockWait wait_;
};

} // namespace varnel::store
