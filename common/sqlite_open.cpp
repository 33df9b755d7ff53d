#include "common/sqlite_open.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>
#include <sqlite3.h>

namespace varnel {

namespace {

QString modeQuery(SqliteAccess access)
{
    switch (access) {
    case SqliteAccess::ReadOnly: return QStringLiteral("?mode=ro");
    case SqliteAccess::ReadOnlyImmutable: return QStringLiteral("?mode=ro&immutable=1");
    case SqliteAccess::ReadWrite: return QStringLiteral("?mode=rw");
    case SqliteAccess::ReadWriteCreate: return QStringLiteral("?mode=rwc");
    }
    return QStringLiteral("?mode=rw");
}

QString connectOptions(const SqliteOptions& options)
{
    QStringList parts{QStringLiteral("QSQLITE_OPEN_URI")};
    if (options.busyTimeoutMs > 0)
        parts << QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(options.busyTimeoutMs);
    return parts.join(u';');
}

// What failed on the open connection, or nothing.
QSqlError applyOptions(QSqlDatabase& db, const SqliteOptions& options)
{
    if (options.extendedResultCodes) {
        if (sqlite3* handle = sqliteHandle(db))
            sqlite3_extended_result_codes(handle, 1);
    }
    if (options.onOpen)
        options.onOpen(sqliteHandle(db));
    QSqlQuery pragma(db);
    for (const QString& setting : options.pragmas) {
        if (!pragma.exec(QStringLiteral("PRAGMA ") + setting) && options.pragmasMustSucceed)
            return pragma.lastError();
    }
    return QSqlError();
}

} // namespace

QString sqliteFileUri(const QString& path, SqliteAccess access)
{
    QString p = path;
#ifdef Q_OS_WIN
    p.replace(u'\\', u'/');
    if (p.size() > 1 && p.at(1) == u':')
        p.prepend(u'/');
#endif
    // Everything but unreserved characters and separators is escaped: a '?'
    // or '#' in a name would otherwise end the path.
    const QByteArray encoded = QUrl::toPercentEncoding(p, "/");
    const QString prefix = p.startsWith(u'/') ? QStringLiteral("file://") : QStringLiteral("file:");
    return prefix + QString::fromLatin1(encoded) + modeQuery(access);
}

sqlite3* sqliteHandle(const QSqlDatabase& db)
{
    if (!db.driver())
        return nullptr;
    const QVariant v = db.driver()->handle();
    if (v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0)
        return *static_cast<sqlite3* const*>(v.constData());
    return nullptr;
}

QSqlDatabase openSqliteConnection(const QString& connectionName, const QString& path, const SqliteOptions& options,
                                  QSqlError* error)
{
    // A pipe, a device or a folder under the name: opening it to read its
    // header could wait forever for a writer that never comes. What is
    // there is looked at first, without opening it (a link is followed).
    if (const QFileInfo info(path); info.exists() && !info.isFile()) {
        if (error)
            *error = QSqlError(QStringLiteral("not a file"),
                               QCoreApplication::translate("varnel", "\"%1\" is not a file but %2, and holds no roster")
                                   .arg(path, info.isDir() ? QCoreApplication::translate("varnel", "a folder")
                                                           : QCoreApplication::translate("varnel", "a pipe, a socket or a device")),
                               QSqlError::ConnectionError, QString::number(SQLITE_CANTOPEN));
        return QSqlDatabase();
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setConnectOptions(connectOptions(options));
    db.setDatabaseName(sqliteFileUri(path, options.access));

    const QSqlError failed = db.open() ? applyOptions(db, options) : db.lastError();
    if (!failed.isValid())
        return db;

    if (error)
        *error = failed;
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName);
    return QSqlDatabase();
}

} // namespace varnel
