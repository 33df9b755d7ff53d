#include "common/server_connection.h"

#include "common/failure_numbers.h"
#include "common/server_password.h"

#include <QCoreApplication>
#include <QSqlError>
#include <libpq-fe.h>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace varnel {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("varnel::store", text);
}

// Blanks, letters or '_', blanks, '='.
bool beginsWithKeyword(const QString& text)
{
    qsizetype at = 0;
    const auto skipBlanks = [&] {
        while (at < text.size() && (text.at(at) == u' ' || (text.at(at) >= u'\t' && text.at(at) <= u'\r')))
            ++at;
    };
    skipBlanks();
    const qsizetype wordFrom = at;
    while (at < text.size() && text.at(at).unicode() < 0x80 && (text.at(at).isLetter() || text.at(at) == u'_'))
        ++at;
    if (at == wordFrom)
        return false;
    skipBlanks();
    return at < text.size() && text.at(at) == u'=';
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

struct ConnectOption {
    QByteArray keyword;
    QByteArray value;
};

// The connection's options as libpq reads them from `uri`, refusing a
// password, with a connect_timeout of 10 s where the URI gives none.
std::vector<ConnectOption> connectOptions(const QString& uri)
{
    const QByteArray utf8 = uri.toUtf8();
    char* parseError = nullptr;
    std::unique_ptr<PQconninfoOption, void (*)(PQconninfoOption*)> parsed(PQconninfoParse(utf8.constData(), &parseError),
                                                                         PQconninfoFree);
    if (!parsed) {
        const QString why = parseError ? QString::fromUtf8(parseError).trimmed() : tr("out of memory");
        PQfreemem(parseError);
        throw Failure(ServerError::ConnectionFailed, tr("\"%1\" is not a server address libpq can read: %2").arg(serverDisplayName(uri), why));
    }
    std::vector<ConnectOption> options;
    bool timeoutGiven = false;
    for (const PQconninfoOption* o = parsed.get(); o->keyword; ++o) {
        if (!o->val)
            continue;
        const QByteArray keyword(o->keyword);
        if (keyword == "password")
            throw Failure(ServerError::ConnectionFailed,
                          tr("The server address holds a password, which Varnel does not take: keep it in ~/.pgpass or a "
                             "service file, where libpq finds it, and leave it out of the address."));
        options.push_back({keyword, QByteArray(o->val)});
        timeoutGiven = timeoutGiven || keyword == "connect_timeout";
    }
    // A server that does not answer must not hold the window for long.
    if (!timeoutGiven)
        options.push_back({"connect_timeout", "10"});
    return options;
}

QByteArray optionValue(const std::vector<ConnectOption>& options, const char* keyword)
{
    for (const ConnectOption& o : options)
        if (o.keyword == keyword)
            return o.value;
    return {};
}

void setOption(std::vector<ConnectOption>& options, const char* keyword, const QByteArray& value)
{
    for (ConnectOption& o : options) {
        if (o.keyword == keyword) {
            o.value = value;
            return;
        }
    }
    options.push_back({keyword, value});
}

// An option for QPSQL, which hands its options to libpq separated by
// blanks: the value quoted as libpq reads it.
QString qpsqlOption(const ConnectOption& option)
{
    QString quoted = QString::fromUtf8(option.value);
    quoted.replace(u'\\', QLatin1String("\\\\"));
    quoted.replace(u'\'', QLatin1String("\\'"));
    return QString::fromLatin1(option.keyword) + QStringLiteral("='") + quoted + u'\'';
}

} // namespace

bool isServerLocation(const QString& location)
{
    if (location.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || location.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive))
        return true;
    // libpq's other form, "host=rosterhost dbname=battalion": a keyword, an
    // equals sign, and the whole text one libpq reads. A file's path does not
    // begin so (a file named "host=x" would be written "./host=x").
    if (!beginsWithKeyword(location))
        return false;
    try {
        char* parseError = nullptr;
        PQconninfoOption* parsed = PQconninfoParse(location.toUtf8().constData(), &parseError);
        PQfreemem(parseError);
        PQconninfoFree(parsed);
        return parsed != nullptr;
    } catch (const Failure&) {
        // No libpq to read it: an address all the same, whose connection
        // then says why it cannot be made.
        return true;
    }
}

namespace {

// Where and as whom an address connects: the parts messages may show.
struct AddressParts {
    bool readable = false;
    QString host, port, database, user;
};

AddressParts addressParts(const QString& address)
{
    // Only where and as whom: a password, a key's file or any other setting
    // of the address never reaches a message, a log or a title.
    AddressParts parts;
    char* parseError = nullptr;
    std::unique_ptr<PQconninfoOption, void (*)(PQconninfoOption*)> parsed(nullptr, PQconninfoFree);
    try {
        parsed.reset(PQconninfoParse(address.toUtf8().constData(), &parseError));
    } catch (const Failure&) {
        return parts; // no libpq to read it
    }
    PQfreemem(parseError);
    if (!parsed)
        return parts;
    parts.readable = true;
    for (const PQconninfoOption* o = parsed.get(); o->keyword; ++o) {
        if (!o->val)
            continue;
        const QString value = QString::fromUtf8(o->val);
        if (qstrcmp(o->keyword, "host") == 0 || (qstrcmp(o->keyword, "hostaddr") == 0 && parts.host.isEmpty()))
            parts.host = value;
        else if (qstrcmp(o->keyword, "port") == 0)
            parts.port = value;
        else if (qstrcmp(o->keyword, "dbname") == 0)
            parts.database = value;
        else if (qstrcmp(o->keyword, "user") == 0)
            parts.user = value;
    }
    return parts;
}

} // namespace

QString serverDisplayName(const QString& address)
{
    const AddressParts p = addressParts(address);
    if (!p.readable)
        return tr("(a server address that cannot be read)");
    QString shown = QStringLiteral("postgresql://");
    if (!p.user.isEmpty())
        shown += p.user + u'@';
    // A socket's folder as a host is no part of a URI's authority.
    const bool socket = p.host.startsWith(u'/');
    if (!socket)
        shown += p.host;
    if (!p.port.isEmpty() && !socket)
        shown += u':' + p.port;
    shown += u'/' + p.database;
    if (socket)
        shown += QStringLiteral(" (%1%2)").arg(p.host, p.port.isEmpty() ? QString() : u':' + p.port);
    return shown;
}

QString serverDatabaseInWords(const QString& address)
{
    const AddressParts p = addressParts(address);
    if (!p.readable)
        return serverDisplayName(address);
    // No host, or a socket's folder: the server on this computer.
    if (p.host.isEmpty() || p.host.startsWith(u'/'))
        return tr("the database \"%1\" on this computer's server").arg(p.database);
    return tr("the database \"%1\" on the server \"%2\"").arg(p.database, p.port.isEmpty() ? p.host : p.host + u':' + p.port);
}

Failure serverFailure(const QString& sqlState, const QString& reason, const QString& what)
{
    const QString detail = reason.trimmed();
    if (sqlState.isEmpty()) // the client's own failure: the connection is gone
        return Failure(ServerError::ConnectionFailed, tr("%1: %2.").arg(what, detail));
    return Failure(numberForSqlState(sqlState), tr("%1: %2 (SQLSTATE %3).").arg(what, detail, sqlState));
}

Failure serverFailure(const QSqlError& error, const QString& what)
{
    QString detail = error.databaseText().trimmed();
    if (detail.isEmpty())
        detail = error.driverText().trimmed();
    return serverFailure(error.nativeErrorCode(), detail, what);
}

namespace {

void wipe(QByteArray& password)
{
    password.fill('\0');
    password.clear();
}

// A connection with `options`, and `password` when one is given.
ServerLink connectWith(const std::vector<ConnectOption>& options, const QByteArray& password)
{
    std::vector<const char*> keywords, values;
    for (const ConnectOption& o : options) {
        keywords.push_back(o.keyword.constData());
        values.push_back(o.value.constData());
    }
    if (!password.isEmpty()) {
        keywords.push_back("password");
        values.push_back(password.constData());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    return ServerLink(PQconnectdbParams(keywords.data(), values.data(), 0), PQfinish);
}

// Throws why `link` did not connect: a password the server asked for and
// none given, or one it did not accept (3029, with the role named), or the
// server's own reason. A password refused is forgotten if it was the one
// remembered; no password is ever in a message.
[[noreturn]] void throwNotConnected(const QString& uri, const PGconn* link, QByteArray& password, bool fromMemory)
{
    const QString role = QString::fromUtf8(PQuser(link));
    const QString reason = QString::fromUtf8(PQerrorMessage(link)).trimmed();
    if (PQconnectionNeedsPassword(link) && password.isEmpty())
        throw Failure(ServerError::LoginRefused,
                      tr("The server asks for the password of the role \"%1\" to open %2, and none was given: type it "
                         "when asked, or keep it in ~/.pgpass (or the file PGPASSFILE names), where libpq finds it.")
                          .arg(role, serverDatabaseInWords(uri)));
    const bool passwordRefused = PQconnectionUsedPassword(link);
    wipe(password);
    if (passwordRefused) {
        if (fromMemory)
            rememberPassword(uri, {});
        throw Failure(ServerError::LoginRefused, tr("The server did not accept the password of the role \"%1\" for %2: %3")
                                                     .arg(role, serverDatabaseInWords(uri), reason));
    }
    throw Failure(ServerError::ConnectionFailed,
                  tr("Cannot connect to the roster's server \"%1\": %2").arg(serverDisplayName(uri), reason));
}

// Connects to `uri` with `options`. A server that asks for a password
// libpq found nowhere gets the one remembered for the address this session,
// or the one the clerk gives when asked (askForPassword), which is kept
// when the clerk said so. `used` gets the password that let the connection
// in (none when libpq needed none of ours).
ServerLink connectAsking(const QString& uri, const std::vector<ConnectOption>& options, QByteArray* used)
{
    const std::optional<QByteArray> remembered = rememberedPassword(uri);
    QByteArray password = remembered.value_or(QByteArray());
    bool asked = false;
    bool remember = false;
    for (;;) {
        ServerLink link = connectWith(options, password);
        if (!link) {
            wipe(password);
            throw Failure(ServerError::ConnectionFailed,
                          tr("Cannot connect to the roster's server \"%1\": out of memory").arg(serverDisplayName(uri)));
        }
        if (PQstatus(link.get()) == CONNECTION_OK) {
            if (remember)
                rememberPassword(uri, password);
            if (used)
                *used = password;
            wipe(password);
            return link;
        }
        if (PQconnectionNeedsPassword(link.get()) && password.isEmpty() && !asked) {
            asked = true;
            std::optional<PasswordAnswer> answer = askForPassword(QString::fromUtf8(PQuser(link.get())), serverDatabaseInWords(uri));
            if (answer && !answer->password.isEmpty()) {
                password = std::exchange(answer->password, QByteArray());
                remember = answer->rememberForSession;
                continue;
            }
        }
        throwNotConnected(uri, link.get(), password, remembered.has_value());
    }
}

} // namespace

ServerLink connectToServer(const QString& uri)
{
    std::vector<ConnectOption> options = connectOptions(uri);
    // Asked for in the connection's start, so no statement is spent on
    // them: the text the store reads is UTF-8, and a date or timestamp
    // column reads as ISO text.
    setOption(options, "client_encoding", "UTF8");
    // The server options the address gives, or else the clerk's PGOPTIONS,
    // which libpq would no longer read once the options are given here.
    QByteArray serverOptions = optionValue(options, "options");
    if (serverOptions.isEmpty())
        serverOptions = qgetenv("PGOPTIONS");
    serverOptions += serverOptions.isEmpty() ? "-c DateStyle=ISO" : " -c DateStyle=ISO";
    setOption(options, "options", serverOptions);
    setOption(options, "fallback_application_name", "varnel");

    ServerLink link = connectAsking(uri, options, nullptr);
    const auto refused = [&uri, &link] {
        return Failure(ServerError::ConnectionFailed, tr("Cannot connect to the roster's server \"%1\": %2")
                                                          .arg(serverDisplayName(uri), QString::fromUtf8(PQerrorMessage(link.get())).trimmed()));
    };
    // The server's notices ("collation already exists, skipping") are not
    // the clerk's business; libpq would print them on the terminal.
    PQsetNoticeProcessor(link.get(), [](void*, const char*) {}, nullptr);
    // PGDATESTYLE in the clerk's environment travels in the connection's
    // start too, and comes after the options: only a statement puts it
    // right then.
    const char* dateStyle = PQparameterStatus(link.get(), "DateStyle");
    if (!dateStyle || qstrncmp(dateStyle, "ISO", 3) != 0) {
        std::unique_ptr<PGresult, void (*)(PGresult*)> set(PQexec(link.get(), "SET DateStyle = ISO"), PQclear);
        if (PQresultStatus(set.get()) != PGRES_COMMAND_OK)
            throw refused();
    }
    return link;
}

QSqlDatabase openServerConnection(const QString& connectionName, const QString& uri)
{
    const std::vector<ConnectOption> options = connectOptions(uri);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    QStringList rest;
    for (const ConnectOption& o : options) {
        if (o.keyword == "dbname")
            db.setDatabaseName(QString::fromUtf8(o.value));
        else if (o.keyword == "user")
            db.setUserName(QString::fromUtf8(o.value));
        else
            rest << qpsqlOption(o);
    }
    db.setConnectOptions(rest.join(u';'));
    QByteArray password = rememberedPassword(uri).value_or(QByteArray());
    db.setPassword(QString::fromUtf8(password));
    bool open = db.open();
    if (!open && password.isEmpty()) {
        // A server that wants a password libpq finds nowhere: asked for as
        // for the store's connection (which says why it failed), then tried
        // again with it.
        try {
            connectAsking(uri, options, &password);
        } catch (const Failure&) {
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connectionName);
            throw;
        }
        if (!password.isEmpty()) {
            db.setPassword(QString::fromUtf8(password));
            open = db.open();
        }
    }
    wipe(password);
    if (!open) {
        const QSqlError error = db.lastError();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName);
        throw Failure(ServerError::ConnectionFailed,
                      tr("Cannot connect to the roster's server \"%1\": %2").arg(serverDisplayName(uri), error.databaseText().trimmed()));
    }
    return db;
}

} // namespace varnel
