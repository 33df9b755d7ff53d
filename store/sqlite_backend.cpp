#include "store/sqlite_backend.h"

#include "store/row_statement.h"
#include "store/sql_support.h"

#include <QCoreApplication>
#include <QSqlQuery>

namespace varnel::store {

SqliteBackend::SqliteBackend(QSqlDatabase db, QString path)
    : db_(std::move(db)), path_(std::move(path))
{
}

QString SqliteBackend::quoteIdentifier(const QString& name) const
{
    return store::quoteIdentifier(name);
}

QString SqliteBackend::keyColumn() const
{
    // Every plain table has it, whatever its own key column is named; the
    // binding refuses a table that hides it behind a column of that name.
    return QStringLiteral("_rowid_");
}

QList<qint64> SqliteBackend::readKeys(const QString& sql)
{
    QList<qint64> keys;
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw sqlFailure(query.lastError(), QCoreApplication::translate("varnel::store", "Cannot read the roster from \"%1\"").arg(path_));
    while (query.next())
        keys.append(query.value(0).toLongLong());
    query.finish();
    return keys;
}

void SqliteBackend::readKeyedTexts(const QString& sql, const KeyedText& row)
{
    // Straight through SQLite: names are read as its UTF-8, with no detour
    // through the driver's UTF-16.
    RowStatement query(db_, sql, path_);
    while (query.next()) {
        if (query.isNull(1)) {
            row(query.integer(0), nullptr);
        } else {
            const QByteArray text = query.utf8(1);
            row(query.integer(0), &text);
        }
    }
}

// The file's encodings (integers for Yes/No, ISO text for dates) are
// those of sql_support, which the direct reads of RowStatement share.
Value SqliteBackend::valueFromStored(const QVariant& stored, ColumnKind kind) const
{
    return valueFromSql(stored, kind);
}

QVariant SqliteBackend::valueToBound(const Value& value, ColumnKind kind) const
{
    return valueToSql(value, kind);
}

} // namespace varnel::store
