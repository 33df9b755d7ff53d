#pragma once

#include "common/failure.h"
#include "common/roster_location.h"
#include "store/record_layout.h"
#include "store/roster_history.h"
#include "store/value.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace varnel::store {

class RosterFileGuard;

// A column's value exactly as the engine holds it: SQLite's storage class
// and content (a null, whole number, real, text or bytes), a server's text
// (or null). Written back unchanged, it puts the column back byte for byte,
// where a Value (a date read from "3/15/2004", say) would be written in the
// program's own encoding. Undo, Redo and a restore work in these.
using StoredValue = QVariant;

// Whether two stored values are the same: both null, or the same storage
// class with the same content.
bool sameStored(const StoredValue& a, const StoredValue& b);

// A record as read for a write: the store's values and, column for column,
// what the engine holds. Empty when there is no record with the key.
struct StoredRecord {
    QList<Value> values;
    QList<StoredValue> stored;
    bool isEmpty() const { return values.isEmpty(); }
};

// What the store asks of the database engine that holds the roster. The
// store above it (the recordset, its row cache, the binding) writes no
// engine's dialect of SQL and knows no engine's handle: the names, the
// record key, the values and the failures are the backend's to make.
// SQLite (SqliteBackend) keeps a roster in a file, PostgreSQL
// (PostgresBackend) on a server.
//
// A backend lives as long as the open roster and works on its one
// connection; failures throw varnel::Failure naming the roster's file.
class RosterBackend {
public:
    virtual ~RosterBackend() = default;

    // Lets a roster file's guard (RosterFileGuard) check the file before a
    // write begins; a server has no file to guard.
    virtual void beforeWrite(RosterFileGuard& guard) { Q_UNUSED(guard); }
    // How a file's lock held by another program is waited for (see
    // store/lock_wait.h); a server's own waits are its own.
    virtual void setLockWait(class LockWait* wait) { Q_UNUSED(wait); }
    // Why this roster takes no writes at all, when it does not: every write
    // is refused with it before anything else is tried.
    virtual std::optional<Failure> refusesWrites() const { return std::nullopt; }

    // Makes the roster's table of `layout` and its Name index inside the
    // open write, each column in its kind's type for this engine
    // (store/record_layout.h); refuses (17) a roster that has the table
    // already. Records added then may carry their own keys: the engine's
    // next key follows the last of them once the write commits.
    virtual void createRosterTable(const RecordLayout& layout) = 0;

    // The columns of `table` in their order, with their kinds and the key
    // column the engine's catalog names. Fails when there is no such table.
    // The record calls below work on the table it last read: its name is
    // the backend's to quote, and no caller passes it again.
    virtual RecordLayout readLayout(const QString& table) = 0;
    // Refuses (3190) a table whose records cannot be found again by their
    // key: for SQLite a view, a virtual or WITHOUT ROWID table, or one with
    // a column that hides the row key; for a server, a view or a table
    // without a key it fills. Asked after readLayout of the same table.
    virtual void requireKeyedTable(const QString& table, const RecordLayout& layout) = 0;

    // `name` as an identifier in this engine's SQL, whatever it holds
    // (spaces, quotes, a leading digit) and whatever its case.
    virtual QString quoteIdentifier(const QString& name) const = 0;
    // The column, as written in SQL, that selects a record's key: the
    // number by which the store finds the record again.
    virtual QString keyColumn() const = 0;

    // The keys of `sql`'s rows, whose first column is the key, in the
    // order the rows come.
    virtual QList<qint64> readKeys(const QString& sql) = 0;
    // A clause that makes the engine hand the rows of the keys in name
    // order over in about that order (its own collation's): the store
    // sorts them itself either way, and rows nearly in order sort fastest.
    // None by default.
    virtual QString presortByName(const QString& quotedName) const
    {
        Q_UNUSED(quotedName);
        return {};
    }
    // The first `wanted` keys of the records `from` (" FROM table WHERE
    // ...") selects in the roster's name order, and how many it selects in
    // all, as of one moment: a first screenful without reading every name.
    // Nothing where the engine cannot give them without reading every row
    // (the store then reads the whole list). The engine's collation orders
    // them, which is meant to be the store's own order: the whole list,
    // read afterwards, is the one that holds.
    struct FirstKeys {
        int count = 0;
        QList<qint64> keys;
    };
    virtual std::optional<FirstKeys> readFirstKeysInNameOrder(const QString& from, const QString& quotedName, int wanted)
    {
        Q_UNUSED(from);
        Q_UNUSED(quotedName);
        Q_UNUSED(wanted);
        return std::nullopt;
    }
    // The keys of `sql`'s rows (the key, then the Name) in the roster's
    // name order (common/name_order.h), the same under every engine: it is
    // made by the store, not by the engine's collation.
    QList<qint64> readKeysInNameOrder(const QString& sql);
    // Runs `sql`, whose rows are a key and a text, and hands each row on:
    // the text as UTF-8, or nothing for no value. The text is the engine's
    // own buffer, valid during the call only: a roster's names are read
    // without a copy each.
    using KeyedText = std::function<void(qint64 key, std::optional<QByteArrayView> utf8)>;
    virtual void readKeyedTexts(const QString& sql, const KeyedText& row) = 0;
    // A call that makes the statement this connection is running fail,
    // made from any thread while the connection is open: a reading no one
    // waits for any more ends early. Nothing where the engine has none.
    virtual std::function<void()> interrupter() { return {}; }

    // Records of the table readLayout read, whose columns are `layout`'s.

    // The record with this key as the engine holds it now, or nothing when
    // it is not there (another program deleted it).
    virtual QList<Value> readRecord(const RecordLayout& layout, qint64 key) = 0;
    // The records with these keys, by key; a key whose record is gone has
    // none. No keys, no records, and nothing asked of the engine.
    virtual QHash<qint64, QList<Value>> readRecords(const RecordLayout& layout, const QList<qint64>& keys) = 0;
    // Adds a record of `values`: the columns that hold a value are written,
    // the engine gives the rest their defaults. Returns the new record's key.
    virtual qint64 insertRecord(const RecordLayout& layout, const QList<Value>& values) = 0;
    // Writes `values` into the `written` columns (ordinals) of the record
    // with this key, inside the open write, comparing nothing: the change
    // of every record in one transaction. Returns the written columns as
    // the engine now holds them; nothing when no record has the key.
    virtual QList<StoredValue> writeColumns(const RecordLayout& layout, qint64 key, const QList<int>& written,
                                            const QList<Value>& values) = 0;
    // Deletes the record; false when it was not there.
    virtual bool deleteRecord(qint64 key) = 0;

    // The record with this key, inside the open write, as it stays until
    // the write ends (a server locks its row; a file's write holds the
    // whole file). Empty when there is none.
    virtual StoredRecord readRecordForWrite(const RecordLayout& layout, qint64 key) = 0;
    // Every record of `keys` (in ascending order), inside the open write, as
    // readRecordForWrite reads it, in the keys' order; a key whose record is
    // gone is passed over. `visit` is given the record's values and, for
    // the columns it asks (by ordinal), what the engine holds; it may write
    // the record before the next one is read, and stops the reading by
    // returning false. By default one read a key; an engine that keeps its
    // records in key order walks them in one statement.
    using StoredColumn = std::function<StoredValue(int ordinal)>;
    using RecordVisit = std::function<bool(qint64 key, const QList<Value>& values, const StoredColumn& stored)>;
    virtual void readRecordsForWrite(const RecordLayout& layout, const std::vector<qint64>& keys, const RecordVisit& visit);
    // Writes stored values, as read before, into the `written` columns,
    // comparing nothing. False when no record has the key.
    virtual bool writeStoredColumns(const RecordLayout& layout, qint64 key, const QList<int>& written,
                                    const QList<StoredValue>& stored) = 0;
    // Adds a record of stored values, one for each column of `layout` (a
    // generated key column's is left out): under `key` when one is given,
    // which must be free, else under a key the engine gives. Returns the
    // record's key.
    virtual qint64 insertStoredRecord(const RecordLayout& layout, const QList<StoredValue>& stored,
                                      std::optional<qint64> key) = 0;

    // One write (WriteTransaction): what it reads stays as read until it
    // commits, and a commit is in the roster when it returns. Failures carry
    // the engine's own numbers and name the roster's file.
    virtual void beginWrite() = 0;
    virtual void commitWrite() = 0;
    // Never throws: it runs while a failure is on its way.
    virtual void rollbackWrite() noexcept = 0;

    // The optimistic store of one record, inside the open write: the
    // `written` columns take `entered`'s values only if they, and the
    // `guarded` ones, still hold what `readBefore` has. A written column
    // another writer already set to the entered value is no conflict.
    struct StoreRequest {
        qint64 key = 0;
        QList<Value> readBefore;
        QList<Value> entered;
        QList<int> written; // ordinals, in table order
        QList<int> guarded; // ordinals that say whose record it is (Name)
    };
    struct StoreOutcome {
        enum class Result { Stored, Gone, Changed } result = Result::Stored;
        // Stored: the record as the file now holds it (the written columns
        // as the engine keeps them). Changed: the record as another writer
        // left it.
        QList<Value> record;
        QList<int> changed; // Changed: the columns in conflict, in table order
        // Stored: the record as the engine held it before the write, and
        // the written columns (in the order of `written`) as it holds them
        // now.
        QList<StoredValue> storedBefore;
        QList<StoredValue> storedWritten;
    };
    virtual StoreOutcome storeIfUnchanged(const RecordLayout& layout, const StoreRequest& request) = 0;

    // A number that moves on whenever another connection commits to the
    // roster (never with this one's own commits); nothing when the engine
    // cannot say.
    virtual std::optional<qint64> othersChangeCount() = 0;
    // The count above moves on with other connections' commits to this
    // roster only (a file's data version), so a move of it is worth reading
    // the roster's keys again for. A server's count moves with every commit
    // anywhere on it, this connection's own too.
    virtual bool changeCountIsOthersOnly() const { return false; }

    // The changes to the record with this key that the roster's history
    // keeps (store/roster_history.h), oldest first, their columns read as
    // `layout`'s; nothing when the roster keeps no history: a file (one
    // clerk works on it), or a server table made without one.
    virtual std::optional<QList<HistoryEntry>> historyOf(const RecordLayout& layout, qint64 key)
    {
        Q_UNUSED(layout);
        Q_UNUSED(key);
        return std::nullopt;
    }

    // Calls `changed` whenever another connection commits a change to the
    // roster and the engine tells of it (a server's notification), from the
    // event loop, never inside a call to this backend. A file tells of
    // nothing: its data version is read instead (othersChangeCount).
    virtual void watchOthersChanges(std::function<void()> changed) { Q_UNUSED(changed); }

    // What a move reads: the change count above and the record with this
    // key (empty when it is gone), as of one moment. By default the two
    // reads in turn; an engine where each read is a round trip makes them
    // one.
    struct CurrentRecord {
        std::optional<qint64> othersChangeCount;
        QList<Value> record;
    };
    virtual CurrentRecord readCurrentRecord(const RecordLayout& layout, qint64 key)
    {
        CurrentRecord current;
        current.othersChangeCount = othersChangeCount();
        current.record = readRecord(layout, key);
        return current;
    }
};

// The backend for a roster `location`: a PostgreSQL server when it is a
// connection URI (postgresql://...), else the SQLite file at that path.
// A file is opened as the QtSql connection `connectionName`, which the
// caller removes once the backend is gone; a server gets a libpq connection
// of its own.
// A file's lock held by another program is waited for through `lockWait`
// (none: by sleeping), from the first statement on.
std::unique_ptr<RosterBackend> openRosterBackend(const QString& connectionName, const RosterLocation& location,
                                                 class LockWait* lockWait = nullptr);

} // namespace varnel::store
