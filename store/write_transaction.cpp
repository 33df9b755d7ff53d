#include "store/write_transaction.h"

#include "store/roster_file_guard.h"
#include "store/sql_support.h"

#include <QCoreApplication>
#include <QSqlQuery>

namespace varnel::store {

WriteTransaction::WriteTransaction(QSqlDatabase& db, RosterFileGuard& guard, bool writeAheadLog)
    : db_(db), path_(guard.path()), writeAheadLog_(writeAheadLog)
{
    guard.beforeWrite(db_);
    // Statements run through QSqlQuery, not QSqlDatabase::transaction(),
    // whose failures lose SQLite's result code (a full disk would read 1).
    QSqlQuery begin(db_);
    if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
        throw sqlFailure(begin.lastError(), QCoreApplication::translate("varnel::store", "Cannot write to the roster file \"%1\"").arg(path_));
    open_ = true;
}

WriteTransaction::~WriteTransaction()
{
    if (open_) {
        QSqlQuery rollback(db_);
        rollback.exec(QStringLiteral("ROLLBACK"));
    }
}

void WriteTransaction::commit()
{
    QSqlQuery commit(db_);
    if (!commit.exec(QStringLiteral("COMMIT")))
        throw sqlFailure(commit.lastError(), QCoreApplication::translate("varnel::store", "Cannot save to the roster file \"%1\"").arg(path_));
    open_ = false;
    // A file kept in write-ahead-log mode by another program: copy the
    // change into the file itself, so the file alone is a whole roster.
    if (writeAheadLog_) {
        QSqlQuery checkpoint(db_);
        checkpoint.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
    }
}

} // namespace varnel::store
