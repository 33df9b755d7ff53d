#pragma once

#include "store/record_layout.h"
#include "store/roster_backend.h"
#include "store/value.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace varnel::store {

// A query of records on the roster's own connection, read straight through
// SQLite. Qt's driver has SQLite turn every text into UTF-16 before Qt
// copies it; reading SQLite's UTF-8 and converting it once is three times
// as fast, which matters for a text of megabytes another program stored.
// The values are the same as through Qt (valueFromSql of what the driver
// would give).
class RowStatement {
public:
    // Prepares `sql` (failures name `path`, as a read's unless `what` says
    // otherwise: "Cannot save the record in the roster file \"%1\"").
    RowStatement(const QSqlDatabase& db, const QString& sql, const QString& path, const QString& what = {});
    ~RowStatement();
    RowStatement(const RowStatement&) = delete;
    RowStatement& operator=(const RowStatement&) = delete;

    void bind(int parameter, qint64 value); // 1-based, as SQLite counts
    // A value as QtSql would bind it: a whole number, a real, a text, bytes
    // or null.
    void bind(int parameter, const QVariant& value);
    // Steps to the next row; false at the end. The statement is reset (and
    // holds no read lock) once it reached its end or failed.
    bool next();
    // Ends the reading early, releasing the read lock.
    void reset();

    qint64 integer(int column) const;
    bool isNull(int column) const;
    // The column as SQLite's UTF-8 text, without a copy: valid until the
    // statement steps or resets.
    QByteArrayView utf8View(int column) const;
    Value value(int column, ColumnKind kind) const;
    // The column as SQLite holds it (its storage class and content).
    StoredValue stored(int column) const;
    // Columns `first` to `first + layout.count() - 1` as one record.
    QList<Value> record(const RecordLayout& layout, int first = 0) const;
    // The same, with what SQLite holds beside each value.
    StoredRecord storedRecord(const RecordLayout& layout, int first = 0) const;

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* statement_ = nullptr;
    QString path_;
    QString what_;
};

} // namespace varnel::store
