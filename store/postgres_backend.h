#pragma once

#include "common/server_connection.h"
#include "store/roster_backend.h"

#include <functional>
#include <utility>

struct pg_result; // libpq's PGresult
class QSocketNotifier;

namespace varnel::store {

// The server's address, connection and failures are common to the store and
// the report engine (common/server_connection.h).
using varnel::serverDisplayName;
using varnel::serverFailure;

// The statements that make `table` on a server with `layout`'s columns, in
// its order, and the index that reads the roster in name order: each
// column of the type on the server that holds its kind (a date column holds
// its text, as in a file, under the type date_text), the generated key (a
// file's INTEGER PRIMARY KEY) an identity column. A layout without one
// gets a key "RecNo" after its last column, where no position is fixed.
// Also makes, if the database lacks it, the collation roster_name that the
// report layouts order names by.
QStringList serverTableStatements(const QString& table, const RecordLayout& layout);

// The roster in a table on a PostgreSQL server, straight through libpq.
// Records are found by the table's primary key, a whole-number
// column the server fills for new records (an identity or serial column).
// Each write is a transaction of its own: the record to store is locked
// while it is compared and written, so two clerks on different records
// never wait for each other, and two on the same record get 3197.
//
// A lost connection fails the command that finds it (the clerk's entries
// stay pending); the next command connects again.
class PostgresBackend final : public RosterBackend {
public:
    // Connects to the database `uri` names (connectToServer).
    explicit PostgresBackend(const QString& uri);
    ~PostgresBackend() override;

    // Runs one statement of the caller's own (making a table, say); throws
    // the server's failure, described as `what` with the server's address
    // for its %1.
    void run(const QString& sql, const QString& what);
    // Whether the database has a relation `table` (unquoted).
    bool hasTable(const QString& table);

    void createRosterTable(const RecordLayout& layout) override;
    RecordLayout readLayout(const QString& table) override;
    void requireKeyedTable(const QString& table, const RecordLayout& layout) override;

    QString quoteIdentifier(const QString& name) const override;
    QString keyColumn() const override;
    QString presortByName(const QString& quotedName) const override;

    QList<qint64> readKeys(const QString& sql) override;
    std::optional<FirstKeys> readFirstKeysInNameOrder(const QString& from, const QString& quotedName, int wanted) override;
    void readKeyedTexts(const QString& sql, const KeyedText& row) override;
    std::function<void()> interrupter() override;

    QList<Value> readRecord(const RecordLayout& layout, qint64 key) override;
    QHash<qint64, QList<Value>> readRecords(const RecordLayout& layout, const QList<qint64>& keys) override;
    qint64 insertRecord(const RecordLayout& layout, const QList<Value>& values) override;
    QList<StoredValue> writeColumns(const RecordLayout& layout, qint64 key, const QList<int>& written,
                                    const QList<Value>& values) override;
    bool deleteRecord(qint64 key) override;
    StoredRecord readRecordForWrite(const RecordLayout& layout, qint64 key) override;
    bool writeStoredColumns(const RecordLayout& layout, qint64 key, const QList<int>& written,
                            const QList<StoredValue>& stored) override;
    qint64 insertStoredRecord(const RecordLayout& layout, const QList<StoredValue>& stored,
                              std::optional<qint64> key) override;
    void beginWrite() override;
    void commitWrite() override;
    void rollbackWrite() noexcept override;
    StoreOutcome storeIfUnchanged(const RecordLayout& layout, const StoreRequest& request) override;
    std::optional<qint64> othersChangeCount() override;
    CurrentRecord readCurrentRecord(const RecordLayout& layout, qint64 key) override;
    std::optional<QList<HistoryEntry>> historyOf(const RecordLayout& layout, qint64 key) override;
    // LISTENs on the channel of the table readLayout read; the server's
    // trigger (serverChangeNoticeStatements) sends on it at each commit.
    void watchOthersChanges(std::function<void()> changed) override;

private:
    using RawResult = std::unique_ptr<::pg_result, void (*)(::pg_result*)>;

    // A write's BEGIN, held back until a statement carries it: it goes in
    // front of the write's first statement (libpq gives the last
    // statement's result), one round trip less than a BEGIN of its own.
    // Whoever looks at it takes it, so it goes out once or not at all.
    class PendingBegin {
    public:
        // A write begins; nothing is sent yet.
        void hold() { held_ = true; }
        // `sql` as sent: behind the write's BEGIN when that has not gone yet.
        QByteArray carry(const QString& sql);
        // The write ends: whether its BEGIN went out, so that the server
        // holds a transaction to commit or roll back. A write that sent
        // nothing has none.
        bool end() noexcept { return !std::exchange(held_, false); }

    private:
        bool held_ = false;
    };

    // Connects again when the server dropped the connection since the last
    // command; fails (3151) when it cannot.
    void reconnectIfLost();
    // Runs one statement; throws the server's failure, described as `what`
    // with the server's address for its %1.
    RawResult runRaw(const QString& sql, const QString& what);
    // The same for a statement with many rows, each handed to `row` (the
    // result and the row in it) as it arrives.
    void streamRows(const QString& sql, const QString& what, const std::function<void(const ::pg_result*, int)>& row);
    Failure failureOf(const ::pg_result* result, const QString& what) const;
    // The whole number (a key, a count) in a column of the server's result;
    // fails (3421) naming the server and the text when it holds none.
    qint64 wholeNumber(const ::pg_result* result, int row, int column) const;
    // A value as an SQL literal for its column of `kind`.
    QString literal(const Value& value, ColumnKind kind) const;
    QString textLiteral(const QString& text) const;
    QString storedLiteral(const StoredValue& stored) const;
    // " WHERE key = n": the record with this key.
    QString whereKey(qint64 key) const;
    static StoredValue storedValue(const RawResult& result, int row, int column);
    static Value valueOfStored(const StoredValue& stored, ColumnKind kind);
    Value rawValue(const RawResult& result, int row, int column, ColumnKind kind) const;
    QList<StoredValue> updateReturning(const RecordLayout& layout, qint64 key, const QList<int>& written,
                                       const QStringList& assignments, const QString& what);
    QList<Value> recordFromRaw(const RawResult& result, int row, const RecordLayout& layout, int first = 0) const;
    qint64 insertReturningKey(const QStringList& names, const QStringList& values);

    void followGivenKeys();
    void listen();
    void tellOfNotifications();

    ServerLink link_;
    QString uri_;
    // The table readLayout read, quoted: the one the record calls work on.
    QString table_;
    QString keyColumn_;
    QString keyName_;
    // The history table of the table readLayout read (unquoted), and
    // whether the database has it, once asked.
    QString historyTable_;
    std::optional<bool> keepsHistory_;
    // pg_class.relkind of the table readLayout read: "r" or "p" for a table.
    QString relationKind_;
    // The columns (quoted) an index reads in the order of their bytes, no
    // value first, then by the key.
    QStringList bytewiseIndexed_;
    // The columns (quoted) an index reads in the roster's name order (the
    // collation roster_name), no value first, then by the key.
    QStringList nameOrderIndexed_;
    // This write made the roster's table, whose records came with their
    // keys: the identity's next key is set past them at the commit.
    bool keysFollowOnCommit_ = false;
    PendingBegin begin_;
    // The channel the roster's notifications come on (the table's name),
    // the watcher told of them, and the connection's socket watched; it
    // goes before the connection does.
    QString channel_;
    std::function<void()> othersChanged_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace varnel::store
