#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <functional>

struct sqlite3;

namespace varnel {

// How a connection may use its file: SQLite's "mode" in a file: URI.
enum class SqliteAccess {
    ReadOnly,        // mode=ro: never writes, never creates
    // mode=ro&immutable=1: reads a file on a medium or in a folder nothing
    // can be written to, even in write-ahead-log mode, whose shared-memory
    // file cannot be made there; takes no locks, so only for such a place.
    ReadOnlyImmutable,
    ReadWrite,       // mode=rw: a missing file is an error, never a new empty database
    ReadWriteCreate, // mode=rwc: a missing file is made
};

struct SqliteOptions {
    SqliteAccess access = SqliteAccess::ReadWrite;
    // QSQLITE_BUSY_TIMEOUT in milliseconds; 0 leaves the driver's own.
    int busyTimeoutMs = 0;
    // Extended result codes on this connection (1032 a moved file, where
    // the primary code would say only 8, read-only).
    bool extendedResultCodes = false;
    // Settings of this connection, each written as after "PRAGMA "
    // ("synchronous=EXTRA"), run in order once the file is open.
    QStringList pragmas;
    // SQLite reads the file only at its first statement, so a file that is
    // no database opens without complaint: when set, a pragma that fails
    // fails the opening. Otherwise the connection goes on without it.
    bool pragmasMustSucceed = false;
    // Called with SQLite's handle as soon as the file is open, before the
    // pragmas (which may already wait for another program's lock).
    std::function<void(sqlite3*)> onOpen;
};

// The file: URI that names `path` (any characters, relative or absolute)
// with the access's mode. An absolute path gets an empty authority, so a
// path that itself begins with two separators stays a path.
QString sqliteFileUri(const QString& path, SqliteAccess access);

// Adds the QSQLITE connection `connectionName` for the file at `path`
// through its file: URI, opens it and applies the options. On failure the
// connection is removed again, the result is not valid, and `error` (when
// given) says what failed: the opening or the pragma.
QSqlDatabase openSqliteConnection(const QString& connectionName, const QString& path, const SqliteOptions& options,
                                  QSqlError* error = nullptr);

// SQLite's own handle behind a QSQLITE connection (null for another driver).
sqlite3* sqliteHandle(const QSqlDatabase& db);

} // namespace varnel
