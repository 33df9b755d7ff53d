#pragma once

#include "common/failure.h"
#include "common/sqlite_open.h"
#include "store/record_layout.h"
#include "store/value.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariant>

namespace varnel::store {

// Opens an existing SQLite file through QtSql without ever creating it
// (a "file:" URI with mode=rw, or mode=ro when `readOnly`). SQLite reports
// extended result codes on the returned connection, and a commit is on the
// disk when it returns. The file's journal mode is left as it is. Throws
// Failure naming the file.
// Another program's lock is waited for through `lockWait` from the first
// statement on (none: QtSql's busy timeout).
QSqlDatabase openSqliteFile(const QString& connectionName, const QString& path, bool readOnly = false,
                            class ConnectionLockWait* lockWait = nullptr);
QSqlDatabase openSqliteFile(const QString& connectionName, const QString& path, SqliteAccess access,
                            class ConnectionLockWait* lockWait = nullptr);

// The "file:" URI that opens `path` without creating it.
inline QString sqliteFileUri(const QString& path, bool readOnly)
{
    return varnel::sqliteFileUri(path, readOnly ? SqliteAccess::ReadOnly : SqliteAccess::ReadWrite);
}

// True when the open file keeps SQLite's write-ahead log. The program never
// switches a file to it, but a file another program switched is left so.
bool usesWriteAheadLog(QSqlDatabase& db);

// A Failure carrying SQLite's result code and a description that says what
// failed with which file.
Failure sqlFailure(const QSqlError& error, const QString& what);
// Why SQLite's 5 (busy) came: another program holds the file's lock and
// the wait for it ended.
QString lockedText();

// "name" quoted for SQL, doubling any quote inside.
QString quoteIdentifier(const QString& name);

// The roster file's encodings, by the column's kind.
Value valueFromSql(const QVariant& stored, ColumnKind kind);
QVariant valueToSql(const Value& value, ColumnKind kind);

// Reads the columns of `table` in their order; throws when the file is no
// database or has no such table.
RecordLayout readTableLayout(QSqlDatabase& db, const QString& table, const QString& path);

// The layout of `table` as a roster file holds it once `createStatement`
// (its CREATE TABLE) has made it: the kinds and the key a file gives those
// declared types. Read from a table made in memory; throws as above when the
// statement makes no such table.
RecordLayout layoutOfFileTable(const QString& createStatement, const QString& table);

} // namespace varnel::store
