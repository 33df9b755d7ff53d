#pragma once

#include "store/lock_wait.h"
#include "store/roster_backend.h"

#include <QSqlQuery>
#include <map>

namespace varnel::store {

class RowStatement;

// The roster in an SQLite file, through QtSql's QSQLITE driver and, where
// reading many rows must be fast, straight through SQLite on the driver's
// handle (RowStatement). Records are found by SQLite's row key.
class SqliteBackend final : public RosterBackend {
public:
    // Works on `db`, the open connection to the roster file at `path`;
    // `lockWait`, when given, is already the connection's way of waiting
    // for another program's lock (else one that sleeps is installed).
    SqliteBackend(QSqlDatabase db, QString path, std::unique_ptr<ConnectionLockWait> lockWait = {});
    // Opens the roster file at `path` as the connection `connectionName`
    // (openSqliteFile: never created, its journal mode left as found).
    static std::unique_ptr<SqliteBackend> open(const QString& connectionName, const QString& path, LockWait* lockWait = nullptr);
    ~SqliteBackend() override;

    QSqlDatabase& database() { return db_; }
    void beforeWrite(RosterFileGuard& guard) override;
    void setLockWait(LockWait* wait) override { lockWait_->setWait(wait); }
    std::optional<Failure> refusesWrites() const override { return readOnly_; }
    void createRosterTable(const RecordLayout& layout) override;
    RecordLayout readLayout(const QString& table) override;
    void requireKeyedTable(const QString& table, const RecordLayout& layout) override;

    QString quoteIdentifier(const QString& name) const override;
    QString keyColumn() const override;

    QList<qint64> readKeys(const QString& sql) override;
    void readKeyedTexts(const QString& sql, const KeyedText& row) override;
    std::function<void()> interrupter() override;

    // The file's encodings, by the column's kind: what SQLite gives for a
    // column as the store's value, and a value as the parameter to bind.
    Value valueFromStored(const QVariant& stored, ColumnKind kind) const;
    QVariant valueToBound(const Value& value, ColumnKind kind) const;

    QList<Value> readRecord(const RecordLayout& layout, qint64 key) override;
    QHash<qint64, QList<Value>> readRecords(const RecordLayout& layout, const QList<qint64>& keys) override;
    qint64 insertRecord(const RecordLayout& layout, const QList<Value>& values) override;
    QList<StoredValue> writeColumns(const RecordLayout& layout, qint64 key, const QList<int>& written,
                                    const QList<Value>& values) override;
    bool deleteRecord(qint64 key) override;
    StoredRecord readRecordForWrite(const RecordLayout& layout, qint64 key) override;
    void readRecordsForWrite(const RecordLayout& layout, const std::vector<qint64>& keys, const RecordVisit& visit) override;
    bool writeStoredColumns(const RecordLayout& layout, qint64 key, const QList<int>& written,
                            const QList<StoredValue>& stored) override;
    qint64 insertStoredRecord(const RecordLayout& layout, const QList<StoredValue>& stored,
                              std::optional<qint64> key) override;
    void beginWrite() override;
    void commitWrite() override;
    void rollbackWrite() noexcept override;
    StoreOutcome storeIfUnchanged(const RecordLayout& layout, const StoreRequest& request) override;
    std::optional<qint64> othersChangeCount() override;
    bool changeCountIsOthersOnly() const override { return true; }

private:
    std::optional<QList<StoredValue>> updateColumns(const RecordLayout& layout, qint64 key, const QList<int>& written,
                                                    const QVariantList& bound);
    RowStatement& readOne();

    QSqlDatabase db_;
    QString path_;
    std::unique_ptr<ConnectionLockWait> lockWait_;
    // Opened to read only (see open()): why no write is taken.
    std::optional<Failure> readOnly_;
    // The file keeps SQLite's write-ahead log (another program switched it).
    bool writeAheadLog_ = false;
    // The table readLayout read, quoted: the one the record calls work on.
    QString table_;
    // One record by key, prepared once for the table it reads.
    std::unique_ptr<RowStatement> readOne_;
    std::unique_ptr<RowStatement> dataVersion_;
    // The statements that write columns of the table readLayout read, and
    // read them back, by the columns they write.
    struct ColumnWrite {
        std::unique_ptr<RowStatement> update, readBack;
    };
    std::map<QList<int>, ColumnWrite> updates_;
};

} // namespace varnel::store
