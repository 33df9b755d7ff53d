#pragma once

#include "common/failure.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <memory>

struct pg_conn; // libpq's PGconn

namespace varnel {

// A roster location that names a PostgreSQL server rather than a file: a
// libpq connection URI, "postgresql://host/database?sslmode=require" (or
// "postgres://...", in any case), or libpq's keyword=value form
// ("host=rosterhost dbname=battalion").
bool isServerLocation(const QString& location);

// A libpq connection of the program's own, closed when it goes.
using ServerLink = std::unique_ptr<::pg_conn, void (*)(::pg_conn*)>;

// Connects to the database `uri` names, straight through libpq: nothing is
// sent but the connection's start, which asks for UTF-8 text and ISO dates.
// The URI is read by libpq itself (hosts, a socket folder, port, user, and
// every parameter such as sslmode); a password in it is refused, since
// Varnel never keeps or shows one: libpq finds it in ~/.pgpass or a service
// file. Without connect_timeout, libpq waits at most 10 s. Throws the failure
// (3151 and the like) naming the server.
ServerLink connectToServer(const QString& uri);

// The same address as a QPSQL connection named `connectionName`, for
// statements run through QtSql (the report engine's). Throws as above; the
// connection is removed again then.
QSqlDatabase openServerConnection(const QString& connectionName, const QString& uri);

// A server address as Varnel shows it in messages, logs and titles: only
// its host, port, database and user ("postgresql://alice@rosterhost:5432/
// battalion"), never a password or any other of its settings.
QString serverDisplayName(const QString& address);

// The roster's database as a clerk's message names it: "the database
// \"battalion\" on the server \"rosterhost\"" (on this computer's server
// for a local socket); no user, password or other setting.
QString serverDatabaseInWords(const QString& address);

// The server's failure (its SQLSTATE) as the program's numbered failure:
// `what`, the server's reason and the SQLSTATE.
Failure serverFailure(const QSqlError& error, const QString& what);
// The same from the server's SQLSTATE and message; no SQLSTATE means the
// connection is gone.
Failure serverFailure(const QString& sqlState, const QString& reason, const QString& what);

} // namespace varnel
