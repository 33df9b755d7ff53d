#pragma once

#include "store/record_layout.h"
#include "store/value.h"

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <functional>

namespace varnel::store {

// What the store asks of the database engine that holds the roster. The
// store above it (the recordset, its row cache, the binding) writes no
// engine's dialect of SQL and knows no engine's handle: the names, the
// record key, the values and the failures are the backend's to make.
// SQLite (SqliteBackend) is the one engine today.
//
// A backend lives as long as the open roster and works on its one
// connection; failures throw varnel::Failure naming the roster's file.
class RosterBackend {
public:
    virtual ~RosterBackend() = default;

    // The roster's connection, for the statements the store runs through
    // QtSql itself.
    virtual QSqlDatabase& database() = 0;

    // `name` as an identifier in this engine's SQL, whatever it holds
    // (spaces, quotes, a leading digit) and whatever its case.
    virtual QString quoteIdentifier(const QString& name) const = 0;
    // The column, as written in SQL, that selects a record's key: the
    // number by which the store finds the record again.
    virtual QString keyColumn() const = 0;

    // The keys of `sql`'s rows, whose first column is the key, in the
    // order the rows come.
    virtual QList<qint64> readKeys(const QString& sql) = 0;
    // The keys of `sql`'s rows (the key, then the Name) in the roster's
    // name order (common/name_order.h), the same under every engine: it is
    // made by the store, not by the engine's collation.
    QList<qint64> readKeysInNameOrder(const QString& sql);
    // Runs `sql`, whose rows are a key and a text, and hands each row on:
    // the text as UTF-8, or nullptr for no value.
    using KeyedText = std::function<void(qint64 key, const QByteArray* utf8)>;
    virtual void readKeyedTexts(const QString& sql, const KeyedText& row) = 0;

    // The roster's encodings, by the column's kind: what the engine gives
    // for a column as the store's value, and a value as the parameter to
    // bind for that column. A Yes/No value is bound as the column takes it
    // (an engine with a boolean type refuses a number there).
    virtual Value valueFromStored(const QVariant& stored, ColumnKind kind) const = 0;
    virtual QVariant valueToBound(const Value& value, ColumnKind kind) const = 0;
};

} // namespace varnel::store
