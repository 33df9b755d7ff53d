#include "store/sqlite_backend.h"

#include "common/failure_numbers.h"
#include "common/sqlite_open.h"
#include "store/new_roster_file.h"
#include "store/record_conflict.h"
#include "store/roster_file_guard.h"
#include "store/row_statement.h"
#include "store/sql_support.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlQuery>
#include <algorithm>
#include <sqlite3.h>

namespace varnel::store {

SqliteBackend::SqliteBackend(QSqlDatabase db, QString path, std::unique_ptr<ConnectionLockWait> lockWait)
    : db_(std::move(db)), path_(std::move(path)), lockWait_(std::move(lockWait))
{
    if (!lockWait_) {
        lockWait_ = std::make_unique<ConnectionLockWait>();
        lockWait_->install(sqliteHandle(db_));
    }
    writeAheadLog_ = usesWriteAheadLog(db_);
}

SqliteBackend::~SqliteBackend() = default;

namespace {

// Bytes 18 and 19 of an SQLite file's header are 2 in write-ahead-log mode.
bool keepsWriteAheadLog(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(20);
    return head.size() == 20 && head.at(18) == 2 && head.at(19) == 2;
}

bool readsSchema(QSqlDatabase& db)
{
    QSqlQuery probe(db);
    return probe.exec(QStringLiteral("PRAGMA schema_version")) && probe.next();
}

} // namespace

std::unique_ptr<SqliteBackend> SqliteBackend::open(const QString& connectionName, const QString& path, LockWait* lockWait)
{
    auto wait = std::make_unique<ConnectionLockWait>();
    wait->setWait(lockWait);
    QSqlDatabase db = openSqliteFile(connectionName, path, false, wait.get());
    // A file another program left in write-ahead-log mode needs a
    // shared-memory file beside it, which a read-only folder or medium
    // cannot take: it is read as it stands there, and takes no writes.
    if (!readsSchema(db) && keepsWriteAheadLog(path)) {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName);
        db = openSqliteFile(connectionName, path, SqliteAccess::ReadOnlyImmutable, wait.get());
        auto backend = std::make_unique<SqliteBackend>(std::move(db), path, std::move(wait));
        backend->readOnly_ = Failure(SQLITE_READONLY,
                                     QCoreApplication::translate("varnel::store", "The roster file \"%1\" can only be read here: another "
                                                                                  "program keeps it in write-ahead-log mode, and its folder "
                                                                                  "or medium cannot be written to. Nothing was saved.")
                                         .arg(path));
        return backend;
    }
    return std::make_unique<SqliteBackend>(std::move(db), path, std::move(wait));
}

void SqliteBackend::beforeWrite(RosterFileGuard& guard)
{
    guard.beforeWrite(db_);
}

void SqliteBackend::createRosterTable(const RecordLayout& layout)
{
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = '%1' COLLATE NOCASE").arg(kSoldierTable)))
        throw sqlFailure(q.lastError(), QCoreApplication::translate("varnel::store", "Cannot read the roster file \"%1\"").arg(path_));
    if (q.next())
        throw Failure(ToolError::FileExists, QCoreApplication::translate("varnel::store", "The file \"%1\" already holds a table \"%2\".")
                                                 .arg(path_, kSoldierTable));
    for (const QString& statement : fileTableStatements(layout)) {
        if (!q.exec(statement))
            throw sqlFailure(q.lastError(), QCoreApplication::translate("varnel::store", "Cannot write the roster file \"%1\"").arg(path_));
    }
}

RecordLayout SqliteBackend::readLayout(const QString& table)
{
    RecordLayout layout = readTableLayout(db_, table, path_);
    table_ = quoteIdentifier(table);
    readOne_.reset();
    updates_.clear();
    return layout;
}

namespace {

[[noreturn]] void refuseTable(const QString& table, const QString& path, const QString& why)
{
    throw Failure(RecordsetError::BadLayout,
                  QCoreApplication::translate("varnel::store", "The table \"%1\" in the roster file \"%2\" cannot hold the roster: %3.").arg(table, path, why));
}

} // namespace

// Records are found again by SQLite's row key: the table must be a plain
// table that has one and does not hide it behind a column of that name.
void SqliteBackend::requireKeyedTable(const QString& table, const RecordLayout& layout)
{
    QSqlQuery list(db_);
    if (!list.exec(QStringLiteral("PRAGMA table_list(%1)").arg(quoteIdentifier(table))))
        throw sqlFailure(list.lastError(), QCoreApplication::translate("varnel::store", "Cannot read the roster file \"%1\"").arg(path_));
    if (!list.next())
        throw Failure(SQLITE_ERROR, QCoreApplication::translate("varnel::store", "The roster file \"%1\" has no table \"%2\".").arg(path_, table));
    const QString type = list.value(2).toString();
    if (type == QLatin1String("view"))
        refuseTable(table, path_, QCoreApplication::translate("varnel::store", "it is a view, not a table"));
    if (type != QLatin1String("table"))
        refuseTable(table, path_, QCoreApplication::translate("varnel::store", "it is a %1 table, not a plain one").arg(type));
    if (list.value(4).toInt() != 0)
        refuseTable(table, path_, QCoreApplication::translate("varnel::store", "it is a WITHOUT ROWID table, whose records have no row key"));
    if (layout.indexOf(keyColumn()) >= 0)
        refuseTable(table, path_, QCoreApplication::translate("varnel::store", "it has a column named \"_rowid_\", which hides the row key"));
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
        if (query.isNull(1))
            row(query.integer(0), std::nullopt);
        else
            row(query.integer(0), query.utf8View(1));
    }
}

std::function<void()> SqliteBackend::interrupter()
{
    sqlite3* handle = sqliteHandle(db_);
    return [handle] {
        if (handle)
            sqlite3_interrupt(handle);
    };
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

QList<Value> SqliteBackend::readRecord(const RecordLayout& layout, qint64 key)
{
    RowStatement& read = readOne();
    read.bind(1, key);
    QList<Value> values;
    if (read.next()) {
        values = read.record(layout);
        // Release the statement so it holds no read lock between operations.
        read.reset();
    }
    return values;
}

QHash<qint64, QList<Value>> SqliteBackend::readRecords(const RecordLayout& layout, const QList<qint64>& keys)
{
    if (keys.isEmpty())
        return {};
    QStringList wanted;
    wanted.reserve(keys.size());
    for (qint64 key : keys)
        wanted << QString::number(key);
    RowStatement query(db_,
                       QStringLiteral("SELECT _rowid_, * FROM %1 WHERE _rowid_ IN (%2)").arg(table_, wanted.join(u',')),
                       path_);
    QHash<qint64, QList<Value>> found;
    while (query.next())
        found.insert(query.integer(0), query.record(layout, 1));
    return found;
}

qint64 SqliteBackend::insertRecord(const RecordLayout& layout, const QList<Value>& values)
{
    QStringList names, marks;
    QVariantList binds;
    for (int c = 0; c < values.size(); ++c) {
        if (!values.at(c).hasValue())
            continue;
        names << quoteIdentifier(layout.at(c).name);
        marks << QStringLiteral("?");
        binds << valueToBound(values.at(c), layout.at(c).kind);
    }
    const QString sql = names.isEmpty()
        ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table_)
        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table_, names.join(u','), marks.join(u','));
    QSqlQuery query(db_);
    query.prepare(sql);
    for (const QVariant& v : binds)
        query.addBindValue(v);
    if (!query.exec())
        throw sqlFailure(query.lastError(), QCoreApplication::translate("varnel::store", "Cannot add the record to the roster file \"%1\"").arg(path_));
    return query.lastInsertId().toLongLong();
}

bool SqliteBackend::deleteRecord(qint64 key)
{
    QSqlQuery query(db_);
    query.prepare(QStringLiteral("DELETE FROM %1 WHERE _rowid_ = ?").arg(table_));
    query.addBindValue(key);
    if (!query.exec())
        throw sqlFailure(query.lastError(), QCoreApplication::translate("varnel::store", "Cannot delete the record from the roster file \"%1\"").arg(path_));
    return query.numRowsAffected() == 1;
}

void SqliteBackend::beginWrite()
{
    // Statements run through QSqlQuery, not QSqlDatabase::transaction(),
    // whose failures lose SQLite's result code (a full disk would read 1).
    // The write lock is taken at the start (BEGIN IMMEDIATE), so what the
    // transaction reads stays as read until it commits.
    QSqlQuery begin(db_);
    if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
        throw sqlFailure(begin.lastError(), QCoreApplication::translate("varnel::store", "Cannot write to the roster file \"%1\"").arg(path_));
}

void SqliteBackend::commitWrite()
{
    QSqlQuery commit(db_);
    if (!commit.exec(QStringLiteral("COMMIT")))
        throw sqlFailure(commit.lastError(), QCoreApplication::translate("varnel::store", "Cannot save to the roster file \"%1\"").arg(path_));
    // A file kept in write-ahead-log mode by another program: copy the
    // change into the file itself, so the file alone is a whole roster.
    if (writeAheadLog_) {
        QSqlQuery checkpoint(db_);
        checkpoint.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
    }
}

void SqliteBackend::rollbackWrite() noexcept
{
    QSqlQuery rollback(db_);
    rollback.exec(QStringLiteral("ROLLBACK"));
}

StoredRecord SqliteBackend::readRecordForWrite(const RecordLayout& layout, qint64 key)
{
    // The write holds the file's lock from its start (BEGIN IMMEDIATE): what
    // is read here stays as read until the commit.
    RowStatement& read = readOne();
    read.bind(1, key);
    StoredRecord record;
    if (read.next()) {
        record = read.storedRecord(layout);
        read.reset();
    }
    return record;
}

// The table is walked in the order of its row keys, the order of its pages,
// in one statement; the caller's write of the row just read is one SQLite
// allows while the walk goes on (it changes no row key).
void SqliteBackend::readRecordsForWrite(const RecordLayout& layout, const std::vector<qint64>& keys, const RecordVisit& visit)
{
    RowStatement walk(db_, QStringLiteral("SELECT _rowid_, * FROM %1 ORDER BY _rowid_").arg(table_), path_);
    auto wanted = keys.begin();
    while (wanted != keys.end() && walk.next()) {
        const qint64 key = walk.integer(0);
        while (wanted != keys.end() && *wanted < key)
            ++wanted;
        if (wanted == keys.end() || *wanted != key)
            continue;
        if (!visit(key, walk.record(layout, 1), [&walk](int ordinal) { return walk.stored(1 + ordinal); }))
            break;
        ++wanted;
    }
    walk.reset();
}

RowStatement& SqliteBackend::readOne()
{
    if (!readOne_)
        readOne_ = std::make_unique<RowStatement>(db_, QStringLiteral("SELECT * FROM %1 WHERE _rowid_ = ?").arg(table_),
                                                  path_);
    return *readOne_;
}

// Compared, then written, in two steps under the write's lock. The record
// as stored is what was read with the written columns as the file now
// holds them (its column types may have turned a text into a number): only
// those come back, not the whole record, which may hold megabytes another
// program wrote.
RosterBackend::StoreOutcome SqliteBackend::storeIfUnchanged(const RecordLayout& layout, const StoreRequest& request)
{
    StoreOutcome outcome;
    StoredRecord now = readRecordForWrite(layout, request.key);
    if (now.isEmpty()) {
        outcome.result = StoreOutcome::Result::Gone;
        return outcome;
    }
    outcome.changed = columnsChangedSinceRead(request, now.values);
    outcome.record = std::move(now.values);
    if (!outcome.changed.isEmpty()) {
        outcome.result = StoreOutcome::Result::Changed;
        return outcome;
    }
    outcome.storedBefore = std::move(now.stored);
    if (request.written.isEmpty())
        return outcome;
    QVariantList bound;
    for (int c : request.written)
        bound << valueToBound(request.entered.at(c), layout.at(c).kind);
    std::optional<QList<StoredValue>> written = updateColumns(layout, request.key, request.written, bound);
    if (!written) {
        outcome.result = StoreOutcome::Result::Gone;
        outcome.record.clear();
        return outcome;
    }
    for (int i = 0; i < request.written.size(); ++i) {
        const int c = request.written.at(i);
        outcome.record[c] = valueFromStored(written->at(i), layout.at(c).kind);
    }
    outcome.storedWritten = std::move(*written);
    return outcome;
}

QList<StoredValue> SqliteBackend::writeColumns(const RecordLayout& layout, qint64 key, const QList<int>& written,
                                               const QList<Value>& values)
{
    QVariantList bound;
    for (int i = 0; i < written.size(); ++i)
        bound << valueToBound(values.at(i), layout.at(written.at(i)).kind);
    return updateColumns(layout, key, written, bound).value_or(QList<StoredValue>());
}

bool SqliteBackend::writeStoredColumns(const RecordLayout& layout, qint64 key, const QList<int>& written,
                                       const QList<StoredValue>& stored)
{
    return updateColumns(layout, key, written, stored).has_value();
}

// The written columns as the file now holds them; nothing when no record
// has the key. Most changes write the same columns: each set of columns is
// prepared once, for as long as the roster is open, and runs straight
// through SQLite (Total All writes every record with it).
std::optional<QList<StoredValue>> SqliteBackend::updateColumns(const RecordLayout& layout, qint64 key,
                                                               const QList<int>& written, const QVariantList& bound)
{
    ColumnWrite& statements = updates_[written];
    if (!statements.update) {
        QStringList assignments, names;
        for (int c : written) {
            const QString name = quoteIdentifier(layout.at(c).name);
            assignments << name + QStringLiteral(" = ?");
            names << name;
        }
        const QString what = QCoreApplication::translate("varnel::store", "Cannot save the record in the roster file \"%1\"");
        statements.update = std::make_unique<RowStatement>(
            db_, QStringLiteral("UPDATE %1 SET %2 WHERE _rowid_ = ?").arg(table_, assignments.join(QStringLiteral(", "))), path_, what);
        statements.readBack = std::make_unique<RowStatement>(
            db_, QStringLiteral("SELECT %1 FROM %2 WHERE _rowid_ = ?").arg(names.join(u','), table_), path_, what);
    }
    RowStatement& update = *statements.update;
    for (int i = 0; i < bound.size(); ++i)
        update.bind(i + 1, bound.at(i));
    update.bind(int(bound.size()) + 1, key);
    update.next(); // runs the change to its end
    if (sqlite3_changes(sqliteHandle(db_)) == 0)
        return std::nullopt;
    // The columns as the file now holds them (their types may have turned
    // a text into a number), read back by a second statement: an UPDATE
    // with RETURNING makes a table of its own for every record it writes,
    // which took a third of Total All's time.
    RowStatement& readBack = *statements.readBack;
    readBack.bind(1, key);
    std::optional<QList<StoredValue>> now;
    if (readBack.next()) {
        now.emplace();
        now->reserve(written.size());
        for (int i = 0; i < written.size(); ++i)
            now->append(readBack.stored(i));
        readBack.reset();
    }
    return now;
}

qint64 SqliteBackend::insertStoredRecord(const RecordLayout& layout, const QList<StoredValue>& stored,
                                         std::optional<qint64> key)
{
    QStringList names, marks;
    QVariantList binds;
    if (key) {
        names << keyColumn();
        marks << QStringLiteral("?");
        binds << QVariant(qlonglong(*key));
    }
    for (int c = 0; c < layout.count(); ++c) {
        if (layout.at(c).generatedKey)
            continue;
        names << quoteIdentifier(layout.at(c).name);
        marks << QStringLiteral("?");
        binds << stored.at(c);
    }
    QSqlQuery query(db_);
    query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table_, names.join(u','), marks.join(u',')));
    for (const QVariant& v : binds)
        query.addBindValue(v);
    if (!query.exec())
        throw sqlFailure(query.lastError(), QCoreApplication::translate("varnel::store", "Cannot add the record to the roster file \"%1\"").arg(path_));
    return query.lastInsertId().toLongLong();
}

std::optional<qint64> SqliteBackend::othersChangeCount()
{
    // SQLite's data version changes with every commit of another connection
    // (another program, another copy of Varnel), never with this one's own.
    if (!dataVersion_)
        dataVersion_ = std::make_unique<RowStatement>(db_, QStringLiteral("PRAGMA data_version"), path_);
    if (!dataVersion_->next())
        return std::nullopt;
    const qint64 version = dataVersion_->integer(0);
    dataVersion_->reset();
    return version;
}

} // namespace varnel::store
