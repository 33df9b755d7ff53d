#pragma once

#include <QSqlDatabase>
#include <QString>

namespace varnel::store {

class RosterFileGuard;

// One stored change is one transaction: a crash leaves the old record or
// the new one, never part of it. The write lock is taken at the start
// (BEGIN IMMEDIATE), so what the transaction reads stays as read until it
// commits. Failures carry SQLite's own result codes. Rolled back unless
// committed.
class WriteTransaction {
public:
    // Runs the guard's checks, then begins.
    WriteTransaction(QSqlDatabase& db, RosterFileGuard& guard, bool writeAheadLog);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    void commit();

private:
    QSqlDatabase& db_;
    QString path_;
    bool writeAheadLog_;
    bool open_ = false;
};

} // namespace varnel::store
