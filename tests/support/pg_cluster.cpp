#include "pg_cluster.h"

#include "program_run.h"

#include <QDir>
#include <QSqlError>

namespace varnel::test {

namespace {

// The socket's path must stay short, so the folder is made right in /tmp
// rather than under a long TMPDIR.
QString clusterDirTemplate()
{
    const QString temp = QDir::tempPath();
    return (temp.size() <= 40 ? temp : QStringLiteral("/tmp")) + QStringLiteral("/varnel-pg-XXXXXX");
}

} // namespace

PgCluster::PgCluster()
    : script_(QStringLiteral(VARNEL_SOURCE_DIR "/scripts/pg-cluster.sh")), dir_(clusterDirTemplate())
{
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no temporary folder for the cluster: ") + dir_.errorString();
        return;
    }
    const ProgramRun run = runToEnd(script_, {QStringLiteral("start"), dir_.path()}, 60000);
    if (run.exitCode != 0) {
        error_ = QStringLiteral("%1 start %2 ended with %3:\n%4%5")
                     .arg(script_, dir_.path())
                     .arg(run.exitCode)
                     .arg(run.out, run.err);
        return;
    }
    for (const QString& line : run.out.split(u'\n', Qt::SkipEmptyParts)) {
        const QString value = line.section(u'=', 1);
        if (line.startsWith(QStringLiteral("PGHOST=")))
            host_ = value;
        else if (line.startsWith(QStringLiteral("PGPORT=")))
            port_ = value.toInt();
        else if (line.startsWith(QStringLiteral("PGUSER=")))
            user_ = value;
    }
    if (host_.isEmpty() || port_ <= 0 || user_.isEmpty())
        error_ = QStringLiteral("%1 start printed no PGHOST, PGPORT and PGUSER:\n%2").arg(script_, run.out);
}

PgCluster::~PgCluster()
{
    if (!host_.isEmpty())
        runToEnd(script_, {QStringLiteral("stop"), dir_.path()}, 60000);
}

QByteArray PgCluster::connectionString(const QString& user) const
{
    return QStringLiteral("host=%1 port=%2 user=%3 dbname=postgres")
        .arg(host_)
        .arg(port_)
        .arg(user.isEmpty() ? user_ : user)
        .toUtf8();
}

QSqlDatabase PgCluster::open(const QString& connectionName, const QString& user) const
{
    if (QSqlDatabase::contains(connectionName))
        return QSqlDatabase::database(connectionName);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    db.setHostName(host_);
    db.setPort(port_);
    db.setUserName(user.isEmpty() ? user_ : user);
    db.setDatabaseName(QStringLiteral("postgres"));
    db.open();
    return db;
}

} // namespace varnel::test
