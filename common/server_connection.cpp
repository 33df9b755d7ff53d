#include "common/server_connection.h"

#include "common/failure_numbers.h"

#include <QCoreApplication>
#include <QSqlError>
#include <libpq-fe.h>
#include <memory>

namespace varnel {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("varnel::store", text);
}

int numberForSqlState(const QString& state)
{
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P")) || state == QLatin1String("53300"))
        return ServerError::ConnectionFailed;
    if (state.startsWith(QLatin1String("28")))
        return ServerError::LoginRefused;
    if (state == QLatin1String("42501"))
        return ServerError::NoPermission;
    if (state == QLatin1String("23505"))
        return ServerError::DuplicateKey;
    if (state == QLatin1String("40001") || state == QLatin1String("40P01") || state == QLatin1String("55P03"))
        return ServerError::Conflict;
    if (state.startsWith(QLatin1String("22")) || state == QLatin1String("42804"))
        return ServerError::TypeConversion;
    return ServerError::CallFailed;
}

// A connection option for QPSQL, which hands its options to libpq separated
// by blanks: the value quoted as libpq reads it.
QString connectOption(const char* keyword, const char* value)
{
    QString quoted = QString::fromUtf8(value);
    quoted.replace(u'\\', QLatin1String("\\\\"));
    quoted.replace(u'\'', QLatin1String("\\'"));
    return QString::fromLatin1(keyword) + QStringLiteral("='") + quoted + u'\'';
}

} // namespace

bool isServerLocation(const QString& location)
{
    return location.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || location.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString serverDisplayName(const QString& uri)
{
    return uri;
}

Failure serverFailure(const QSqlError& error, const QString& what)
{
    const QString state = error.nativeErrorCode();
    QString detail = error.databaseText().trimmed();
    if (detail.isEmpty())
        detail = error.driverText().trimmed();
    if (state.isEmpty()) // the client's own failure: the connection is gone
        return Failure(ServerError::ConnectionFailed, tr("%1: %2.").arg(what, detail));
    return Failure(numberForSqlState(state), tr("%1: %2 (SQLSTATE %3).").arg(what, detail, state));
}

QSqlDatabase openServerConnection(const QString& connectionName, const QString& uri)
{
    const QString shown = serverDisplayName(uri);
    const QByteArray utf8 = uri.toUtf8();
    char* parseError = nullptr;
    std::unique_ptr<PQconninfoOption, void (*)(PQconninfoOption*)> options(PQconninfoParse(utf8.constData(), &parseError),
                                                                          PQconninfoFree);
    if (!options) {
        const QString why = parseError ? QString::fromUtf8(parseError).trimmed() : tr("out of memory");
        PQfreemem(parseError);
        throw Failure(ServerError::ConnectionFailed, tr("\"%1\" is not a server address libpq can read: %2").arg(shown, why));
    }

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    QStringList rest;
    bool timeoutGiven = false;
    for (const PQconninfoOption* o = options.get(); o->keyword; ++o) {
        if (!o->val)
            continue;
        const QByteArray keyword(o->keyword);
        const QString value = QString::fromUtf8(o->val);
        if (keyword == "password") {
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connectionName);
            throw Failure(ServerError::ConnectionFailed,
                          tr("The server address holds a password, which Varnel does not take: keep it in ~/.pgpass or a "
                             "service file, where libpq finds it, and leave it out of the address."));
        }
        if (keyword == "dbname")
            db.setDatabaseName(value);
        else if (keyword == "user")
            db.setUserName(value);
        else
            rest << connectOption(o->keyword, o->val);
        timeoutGiven = timeoutGiven || keyword == "connect_timeout";
    }
    // A server that does not answer must not hold the window for long.
    if (!timeoutGiven)
        rest << QStringLiteral("connect_timeout=10");
    db.setConnectOptions(rest.join(u';'));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName);
        throw Failure(ServerError::ConnectionFailed,
                      tr("Cannot connect to the roster's server \"%1\": %2").arg(shown, error.databaseText().trimmed()));
    }
    return db;
}

} // namespace varnel
