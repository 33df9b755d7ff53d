#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>

namespace varnel::test {

// A throwaway PostgreSQL server of a test's own, started by
// scripts/pg-cluster.sh in a temporary folder and reachable only through a
// Unix socket there. Stopped, and its folder removed, when this goes.
class PgCluster {
public:
    PgCluster();
    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    bool started() const { return error_.isEmpty(); }
    // Why the server did not start, with what the script printed.
    const QString& error() const { return error_; }

    const QString& socketDir() const { return host_; }
    int port() const { return port_; }
    // The cluster's superuser.
    const QString& superuser() const { return user_; }

    // A libpq connection string for database `postgres` as `user` (the
    // superuser when empty).
    QByteArray connectionString(const QString& user = {}) const;
    // An open QPSQL connection named `connectionName` to database postgres
    // as `user` (the superuser when empty), or the one of that name already
    // made; lastError() says why when it is not open.
    QSqlDatabase open(const QString& connectionName, const QString& user = {}) const;

private:
    QString script_;
    QTemporaryDir dir_;
    QString error_;
    QString host_;
    QString user_;
    int port_ = 0;
};

} // namespace varnel::test
