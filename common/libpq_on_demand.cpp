// libpq, the PostgreSQL client library, is opened the first time a server
// roster needs it, not when the program starts: it brings TLS, Kerberos and
// LDAP libraries with it, and loading them cost a window on a roster file a
// fifth of its start-up and of its memory. The store and the connection code
// call libpq's functions as declared in its header; the definitions below
// hand each call to the library's own, found when first called.
//
// A library that cannot be opened (not installed, or damaged) makes the
// first call throw a Failure that names it, as a server that cannot be
// reached does.

#include "common/failure.h"
#include "common/failure_numbers.h"

#include <QCoreApplication>
#include <dlfcn.h>

// The definitions stay inside the program: they must never stand in for
// libpq's own functions in a library that links libpq itself (Qt's QPSQL
// driver for the reports).
#pragma GCC visibility push(hidden)
#include <libpq-fe.h>

namespace {

constexpr const char* kLibpq = "libpq.so.5";

[[noreturn]] void cannotLoad(const char* why)
{
    throw varnel::Failure(varnel::ServerError::ConnectionFailed,
                          QCoreApplication::translate("varnel::store",
                                                      "Varnel cannot reach a roster on a server: the PostgreSQL client "
                                                      "library (libpq) cannot be loaded: %1")
                              .arg(QString::fromLocal8Bit(why)));
}

template <typename Function>
Function resolved(const char* name)
{
    // Opened once and never closed: connections and results outlive any
    // one caller. The system's loader keeps the reason of a failure.
    static const struct Opened {
        void* handle;
        QByteArray failure;
    } library = [] {
        void* handle = dlopen(kLibpq, RTLD_NOW | RTLD_LOCAL);
        return Opened{handle, handle ? QByteArray() : QByteArray(dlerror())};
    }();
    if (!library.handle)
        cannotLoad(library.failure.constData());
    void* found = dlsym(library.handle, name);
    if (!found)
        cannotLoad(QByteArray(kLibpq).append(" has no function ").append(name).constData());
    return reinterpret_cast<Function>(found);
}

} // namespace

// Each call goes to libpq's function of the same name, found once.
#define VARNEL_FORWARD(result, name, parameters, arguments)                                                          \
    extern "C" result name parameters                                                                                \
    {                                                                                                                  \
        static const auto function = resolved<decltype(&::name)>(#name);                                             \
        return function arguments;                                                                                     \
    }

VARNEL_FORWARD(PQconninfoOption*, PQconninfoParse, (const char* conninfo, char** errmsg), (conninfo, errmsg))
VARNEL_FORWARD(void, PQconninfoFree, (PQconninfoOption * options), (options))
VARNEL_FORWARD(void, PQfreemem, (void* pointer), (pointer))
VARNEL_FORWARD(PGconn*, PQconnectdbParams, (const char* const* keywords, const char* const* values, int expand),
               (keywords, values, expand))
VARNEL_FORWARD(void, PQfinish, (PGconn * conn), (conn))
VARNEL_FORWARD(ConnStatusType, PQstatus, (const PGconn* conn), (conn))
VARNEL_FORWARD(char*, PQerrorMessage, (const PGconn* conn), (conn))
VARNEL_FORWARD(char*, PQuser, (const PGconn* conn), (conn))
VARNEL_FORWARD(int, PQconnectionNeedsPassword, (const PGconn* conn), (conn))
VARNEL_FORWARD(int, PQconnectionUsedPassword, (const PGconn* conn), (conn))
VARNEL_FORWARD(const char*, PQparameterStatus, (const PGconn* conn, const char* name), (conn, name))
VARNEL_FORWARD(int, PQbackendPID, (const PGconn* conn), (conn))
VARNEL_FORWARD(int, PQsocket, (const PGconn* conn), (conn))
VARNEL_FORWARD(PQnoticeProcessor, PQsetNoticeProcessor, (PGconn * conn, PQnoticeProcessor processor, void* arg),
               (conn, processor, arg))
VARNEL_FORWARD(PGresult*, PQexec, (PGconn * conn, const char* query), (conn, query))
VARNEL_FORWARD(int, PQsendQuery, (PGconn * conn, const char* query), (conn, query))
VARNEL_FORWARD(int, PQsetSingleRowMode, (PGconn * conn), (conn))
VARNEL_FORWARD(PGresult*, PQgetResult, (PGconn * conn), (conn))
VARNEL_FORWARD(int, PQconsumeInput, (PGconn * conn), (conn))
VARNEL_FORWARD(PGnotify*, PQnotifies, (PGconn * conn), (conn))
VARNEL_FORWARD(char*, PQescapeLiteral, (PGconn * conn, const char* text, size_t length), (conn, text, length))
VARNEL_FORWARD(void, PQclear, (PGresult * result), (result))
VARNEL_FORWARD(ExecStatusType, PQresultStatus, (const PGresult* result), (result))
VARNEL_FORWARD(char*, PQresultErrorMessage, (const PGresult* result), (result))
VARNEL_FORWARD(char*, PQresultErrorField, (const PGresult* result, int field), (result, field))
VARNEL_FORWARD(char*, PQcmdTuples, (PGresult * result), (result))
VARNEL_FORWARD(int, PQntuples, (const PGresult* result), (result))
VARNEL_FORWARD(char*, PQgetvalue, (const PGresult* result, int row, int column), (result, row, column))
VARNEL_FORWARD(int, PQgetlength, (const PGresult* result, int row, int column), (result, row, column))
VARNEL_FORWARD(int, PQgetisnull, (const PGresult* result, int row, int column), (result, row, column))
VARNEL_FORWARD(PGcancel*, PQgetCancel, (PGconn * conn), (conn))
VARNEL_FORWARD(int, PQcancel, (PGcancel * cancel, char* errbuf, int errbufsize), (cancel, errbuf, errbufsize))
VARNEL_FORWARD(void, PQfreeCancel, (PGcancel * cancel), (cancel))

#pragma GCC visibility pop
