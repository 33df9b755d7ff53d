#pragma once

#include "common/failure.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

namespace varnel {

// A roster location that names a PostgreSQL server rather than a file: a
// libpq connection URI, "postgresql://host/database?sslmode=require" (or
// "postgres://...").
bool isServerLocation(const QString& location);

// Opens a QPSQL connection named `connectionName` to the database `uri`
// names. The URI is read by libpq itself (hosts, a socket folder, port,
// user, and every parameter such as sslmode); a password in it is refused,
// since Varnel never keeps or shows one: libpq finds it in ~/.pgpass or a
// service file. Throws the failure (3151 and the like) naming the server;
// the connection is removed again then.
QSqlDatabase openServerConnection(const QString& connectionName, const QString& uri);

// `uri` as Varnel shows it in messages: as given, which never holds a
// password (openServerConnection refuses one).
QString serverDisplayName(const QString& uri);

// The server's failure (its SQLSTATE) as the program's numbered failure:
// `what`, the server's reason and the SQLSTATE.
Failure serverFailure(const QSqlError& error, const QString& what);

} // namespace varnel
