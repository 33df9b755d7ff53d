#pragma once

#include "store/roster_backend.h"

namespace varnel::store {

// The roster in an SQLite file, through QtSql's QSQLITE driver and, where
// reading many rows must be fast, straight through SQLite on the driver's
// handle (RowStatement). Records are found by SQLite's row key.
class SqliteBackend final : public RosterBackend {
public:
    // Works on `db`, the open connection to the roster file at `path`.
    SqliteBackend(QSqlDatabase db, QString path);

    QSqlDatabase& database() override { return db_; }

    QString quoteIdentifier(const QString& name) const override;
    QString keyColumn() const override;

    QList<qint64> readKeys(const QString& sql) override;
    void readKeyedTexts(const QString& sql, const KeyedText& row) override;

    Value valueFromStored(const QVariant& stored, ColumnKind kind) const override;
    QVariant valueToBound(const Value& value, ColumnKind kind) const override;

private:
    QSqlDatabase db_;
    QString path_;
};

} // namespace varnel::store
