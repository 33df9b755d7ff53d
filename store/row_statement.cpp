#include "store/row_statement.h"

#include "common/date_text.h"
#include "common/failure.h"
#include "store/sql_support.h"

#include <QCoreApplication>
#include <QVariant>
#include <sqlite3.h>

namespace varnel::store {

namespace {

Failure statementFailure(sqlite3* db, int code, const QString& path, const QString& what)
{
    const int number = db ? sqlite3_extended_errcode(db) : code;
    const QString detail = (number & 0xff) == SQLITE_BUSY ? lockedText() : QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
    if (!what.isEmpty())
        return Failure(number, QStringLiteral("%1: %2.").arg(what.arg(path), detail));
    return Failure(number, QCoreApplication::translate("varnel::store", "Cannot read from the roster file \"%1\": %2.").arg(path, detail));
}

} // namespace

RowStatement::RowStatement(const QSqlDatabase& db, const QString& sql, const QString& path, const QString& what)
    : db_(sqliteHandle(db)), path_(path), what_(what)
{
    if (!db_)
        throw Failure(SQLITE_MISUSE, QCoreApplication::translate("varnel::store", "The roster file \"%1\" is not open.").arg(path));
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(db_, text.constData(), int(text.size()), &statement_, nullptr);
    if (rc != SQLITE_OK)
        throw statementFailure(db_, rc, path_, what_);
}

RowStatement::~RowStatement()
{
    sqlite3_finalize(statement_);
}

void RowStatement::bind(int parameter, qint64 value)
{
    sqlite3_bind_int64(statement_, parameter, value);
}

void RowStatement::bind(int parameter, const QVariant& value)
{
    if (value.isNull()) {
        sqlite3_bind_null(statement_, parameter);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::ULongLong:
    case QMetaType::UInt:
    case QMetaType::Bool: sqlite3_bind_int64(statement_, parameter, value.toLongLong()); return;
    case QMetaType::Double: sqlite3_bind_double(statement_, parameter, value.toDouble()); return;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob64(statement_, parameter, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
        return;
    }
    default: {
        const QByteArray text = value.toString().toUtf8();
        sqlite3_bind_text64(statement_, parameter, text.constData(), sqlite3_uint64(text.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    }
}

bool RowStatement::next()
{
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW)
        return true;
    sqlite3_reset(statement_);
    if (rc != SQLITE_DONE)
        throw statementFailure(db_, rc, path_, what_);
    return false;
}

void RowStatement::reset()
{
    sqlite3_reset(statement_);
}

qint64 RowStatement::integer(int column) const
{
    return sqlite3_column_int64(statement_, column);
}

bool RowStatement::isNull(int column) const
{
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

QByteArrayView RowStatement::utf8View(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return QByteArrayView(text, sqlite3_column_bytes(statement_, column));
}

Value RowStatement::value(int column, ColumnKind kind) const
{
    // As valueFromSql reads what Qt's driver gives for each storage class,
    // without making that first.
    switch (sqlite3_column_type(statement_, column)) {
    case SQLITE_NULL: return Value::null();
    case SQLITE_INTEGER: {
        const qint64 number = sqlite3_column_int64(statement_, column);
        if (kind == ColumnKind::YesNo)
            return Value::boolean(number != 0);
        if (kind == ColumnKind::Real)
            return Value::real(double(number));
        return Value::integer(number);
    }
    case SQLITE_FLOAT: {
        const double number = sqlite3_column_double(statement_, column);
        if (kind == ColumnKind::YesNo)
            return Value::boolean(number != 0.0);
        return Value::real(number);
    }
    default: {
        // Text, or bytes read as UTF-8.
        const QString text = QString::fromUtf8(utf8View(column));
        if (kind == ColumnKind::Date) {
            if (const auto date = parseDateText(text))
                return Value::date(*date);
        }
        return Value::text(text);
    }
    }
}

StoredValue RowStatement::stored(int column) const
{
    switch (sqlite3_column_type(statement_, column)) {
    case SQLITE_INTEGER: return QVariant(qlonglong(sqlite3_column_int64(statement_, column)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(statement_, column));
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
        return QVariant(QByteArray(bytes, sqlite3_column_bytes(statement_, column)));
    }
    case SQLITE_NULL: return QVariant();
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(statement_, column)));
    }
    }
}

QList<Value> RowStatement::record(const RecordLayout& layout, int first) const
{
    QList<Value> values;
    values.reserve(layout.count());
    for (int c = 0; c < layout.count(); ++c)
        values.append(value(first + c, layout.at(c).kind));
    return values;
}

StoredRecord RowStatement::storedRecord(const RecordLayout& layout, int first) const
{
    StoredRecord record;
    record.values.reserve(layout.count());
    record.stored.reserve(layout.count());
    for (int c = 0; c < layout.count(); ++c) {
        record.stored.append(stored(first + c));
        record.values.append(valueFromSql(record.stored.last(), layout.at(c).kind));
    }
    return record;
}

} // namespace varnel::store
