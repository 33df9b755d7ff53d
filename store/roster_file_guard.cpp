#include "store/roster_file_guard.h"

#include "common/failure_numbers.h"
#include "store/safety_copy.h"
#include "store/sql_support.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QtDebug>
#include <sqlite3.h>

namespace varnel::store {

RosterFileGuard::RosterFileGuard(QString path)
    : path_(std::move(path)), check_(path_)
{
}

void RosterFileGuard::startCheck(std::function<void(const Failure&)> onDamage)
{
    check_.start(std::move(onDamage));
}

void RosterFileGuard::beforeWrite(QSqlDatabase& db)
{
    requireFileAtPath(db);
    // Pages kept from earlier reads are let go, so the write starts from the
    // file as it is now. SQLite notices another writer by a counter in the
    // file's header; a file copied over the open one (the same file, other
    // content) can carry the same counter, and a page from before the copy
    // would then be written back into it.
    if (sqlite3* handle = sqliteHandle(db))
        sqlite3_db_release_memory(handle);
    if (const FileCheck::Verdict damage = check_.verdict(&wait_))
        throw *damage;
    if (!copyTried_) {
        // The copy is a safety net, not a condition of the clerk's work: if
        // the user's data folder cannot take it, the write goes on. A lock
        // another program holds on the roster stops the write as well: it
        // fails with it, and the next write tries the copy again.
        try {
            safetyCopy_ = saveSafetyCopy(sqliteHandle(db), path_, QDateTime::currentDateTime(), &wait_);
        } catch (const Failure& failure) {
            if ((failure.number() & 0xff) == SQLITE_BUSY)
                throw Failure(failure.number(), QCoreApplication::translate("varnel::store", "Cannot write to the roster file \"%1\": %2.")
                                                    .arg(path_, lockedText()));
            if (onCopyFailed_)
                onCopyFailed_(failure);
            else
                qWarning("%s", qPrintable(failure.description()));
        }
        copyTried_ = true;
    }
}

void RosterFileGuard::requireFileAtPath(QSqlDatabase& db) const
{
    // SQLite compares the open file with what the path names now: another
    // file moved or copied into its place by renaming, the file renamed away,
    // or deleted. Writing on would put the clerk's work into a file nobody
    // can see, or mix two rosters.
    sqlite3* handle = sqliteHandle(db);
    if (!handle)
        return;
    int moved = 0;
    if (sqlite3_file_control(handle, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved)
        throw Failure(RecordsetError::RosterFileMoved,
                      QCoreApplication::translate("varnel::store", "The roster file \"%1\" was moved, replaced or deleted while Varnel had it open. "
                                     "Nothing was saved. Start Varnel again to work on the file now at that path.")
                          .arg(path_));
}

} // namespace varnel::store
