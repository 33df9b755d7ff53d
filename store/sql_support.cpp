#include "store/sql_support.h"

#include "common/date_text.h"
#include "store/lock_wait.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <exception>
#include <sqlite3.h>

namespace varnel::store {

QSqlDatabase openSqliteFile(const QString& connectionName, const QString& path, bool readOnly, ConnectionLockWait* lockWait)
{
    return openSqliteFile(connectionName, path, readOnly ? SqliteAccess::ReadOnly : SqliteAccess::ReadWrite, lockWait);
}

QSqlDatabase openSqliteFile(const QString& connectionName, const QString& path, SqliteAccess access, ConnectionLockWait* lockWait)
{
    SqliteOptions options;
    options.access = access;
    options.busyTimeoutMs = 5000;
    options.extendedResultCodes = true;
    // A commit is durable when it returns: the rollback journal is synced
    // before the file is written, the file before the journal goes, and the
    // folder after the journal is deleted, so a power cut cannot bring the
    // journal back and roll a committed change out again. A setting of this
    // connection only; the file itself keeps its journal mode.
    options.pragmas = {QStringLiteral("synchronous=EXTRA")};
    if (lockWait)
        options.onOpen = [lockWait](sqlite3* handle) { lockWait->install(handle); };
    QSqlError error;
    QSqlDatabase db = openSqliteConnection(connectionName, path, options, &error);
    if (!db.isValid())
        throw sqlFailure(error, QCoreApplication::translate("varnel::store", "Cannot open the roster file \"%1\"").arg(path));
    return db;
}

bool usesWriteAheadLog(QSqlDatabase& db)
{
    // Asking for the mode does not change it.
    QSqlQuery pragma(db);
    return pragma.exec(QStringLiteral("PRAGMA journal_mode")) && pragma.next()
        && pragma.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
}

Failure sqlFailure(const QSqlError& error, const QString& what)
{
    bool ok = false;
    int number = error.nativeErrorCode().toInt(&ok);
    if (!ok || number == 0)
        number = SQLITE_ERROR;
    QString detail = error.databaseText();
    if (detail.isEmpty())
        detail = error.driverText();
    if ((number & 0xff) == SQLITE_BUSY)
        detail = lockedText();
    return Failure(number, QStringLiteral("%1: %2.").arg(what, detail));
}

QString lockedText()
{
    return QCoreApplication::translate("varnel::store", "another program holds the file locked, and the wait for it ended "
                                                        "(after %1 seconds, or cancelled). Nothing was changed; try again "
                                                        "once the other program is done with it")
        .arg(kLockWaitLimit.count() / 1000);
}

QString quoteIdentifier(const QString& name)
{
    QString quoted = name;
    quoted.replace(u'"', QLatin1String("\"\""));
    return u'"' + quoted + u'"';
}

Value valueFromSql(const QVariant& stored, ColumnKind kind)
{
    if (!stored.isValid() || stored.isNull())
        return Value::null();
    switch (stored.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::ULongLong:
    case QMetaType::UInt:
        if (kind == ColumnKind::YesNo)
            return Value::boolean(stored.toLongLong() != 0);
        if (kind == ColumnKind::Real)
            return Value::real(stored.toDouble());
        return Value::integer(stored.toLongLong());
    case QMetaType::Double:
        if (kind == ColumnKind::YesNo)
            return Value::boolean(stored.toDouble() != 0.0);
        return Value::real(stored.toDouble());
    default:
        break;
    }
    const QString text = stored.toString();
    if (kind == ColumnKind::Date) {
        if (const auto date = parseDateText(text))
            return Value::date(*date);
    }
    return Value::text(text);
}

QVariant valueToSql(const Value& value, ColumnKind kind)
{
    switch (value.kind()) {
    case Value::Kind::Empty:
    case Value::Kind::Null: return QVariant(QMetaType::fromType<QString>());
    case Value::Kind::Text: return value.asText();
    case Value::Kind::Integer:
        if (kind == ColumnKind::YesNo)
            return qlonglong(value.asInteger() != 0 ? 1 : 0);
        return qlonglong(value.asInteger());
    case Value::Kind::Real: return value.asReal();
    case Value::Kind::Boolean: return qlonglong(value.asBoolean() ? 1 : 0);
    case Value::Kind::Date: return isoDateText(value.asDateTime(), value.hasTimeOfDay());
    }
    return QVariant();
}

RecordLayout readTableLayout(QSqlDatabase& db, const QString& table, const QString& path)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(quoteIdentifier(table))))
        throw sqlFailure(query.lastError(), QCoreApplication::translate("varnel::store", "Cannot read the roster file \"%1\"").arg(path));
    QList<Column> columns;
    while (query.next()) {
        Column c;
        c.name = query.value(1).toString();
        c.declaredType = query.value(2).toString();
        c.kind = columnKindForDeclaredType(c.declaredType);
        c.generatedKey = query.value(5).toInt() == 1 && c.declaredType.trimmed().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
        columns.append(c);
    }
    if (columns.isEmpty())
        throw Failure(SQLITE_ERROR, QCoreApplication::translate("varnel::store", "The roster file \"%1\" has no table \"%2\".").arg(path, table));
    return RecordLayout(std::move(columns));
}

RecordLayout layoutOfFileTable(const QString& createStatement, const QString& table)
{
    const QString name = QStringLiteral("varnel-layout-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    RecordLayout layout;
    std::exception_ptr failed;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        db.open();
        QSqlQuery(db).exec(createStatement);
        try {
            layout = readTableLayout(db, table, QStringLiteral(":memory:"));
        } catch (...) {
            failed = std::current_exception();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (failed)
        std::rethrow_exception(failed);
    return layout;
}

} // namespace varnel::store
