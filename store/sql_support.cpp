#include "store/sql_support.h"

#include "common/date_text.h"

#include <QCoreApplication>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <sqlite3.h>

namespace varnel::store {

QString sqliteFileUri(const QString& path, bool readOnly)
{
    QString p = path;
#ifdef Q_OS_WIN
    p.replace(u'\\', u'/');
    if (p.size() > 1 && p.at(1) == u':')
        p.prepend(u'/');
#endif
    const QByteArray encoded = QUrl::toPercentEncoding(p, "/");
    // An absolute path gets an empty authority ("file://" + "/dir/..."), so a
    // path that itself begins with two separators stays a path.
    const QString prefix = p.startsWith(u'/') ? QStringLiteral("file://") : QStringLiteral("file:");
    return prefix + QString::fromLatin1(encoded) + (readOnly ? QStringLiteral("?mode=ro") : QStringLiteral("?mode=rw"));
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

QSqlDatabase openSqliteFile(const QString& connectionName, const QString& path, bool readOnly)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    db.setDatabaseName(sqliteFileUri(path, readOnly));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName);
        throw sqlFailure(error, QCoreApplication::translate("varnel::store", "Cannot open the roster file \"%1\"").arg(path));
    }
    if (sqlite3* handle = sqliteHandle(db))
        sqlite3_extended_result_codes(handle, 1);
    // A commit is durable when it returns: the rollback journal is synced
    // before the file is written, the file before the journal goes, and the
    // folder after the journal is deleted, so a power cut cannot bring the
    // journal back and roll a committed change out again. A setting of this
    // connection only; the file itself keeps its journal mode.
    QSqlQuery pragma(db);
    pragma.exec(QStringLiteral("PRAGMA synchronous=EXTRA"));
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
    return Failure(number, QStringLiteral("%1: %2.").arg(what, detail));
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

} // namespace varnel::store
