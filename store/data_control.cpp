#include "store/data_control.h"

#include "common/failure.h"
#include "common/server_connection.h"
#include "store/record_commands.h"
#include "store/row_cache.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <optional>

namespace varnel::store {

namespace {

struct SourceQuery {
    QString table;      // as written in the source, unquoted
    QString clauses;    // its WHERE and ORDER BY, as written
    // Ordered by the Name column (as written there): the clauses hold no
    // ORDER BY, and the order is the roster's name order, made by the store.
    std::optional<QString> byName;

    // The source's keys (and, ordered by name, each record's name) in the
    // backend's SQL.
    QString keySql(const RosterBackend& backend) const
    {
        if (!byName)
            return QStringLiteral("SELECT %1 FROM %2%3").arg(backend.keyColumn(), backend.quoteIdentifier(table), clauses);
        const QString name = backend.quoteIdentifier(*byName);
        return QStringLiteral("SELECT %1, %2 FROM %3%4%5")
            .arg(backend.keyColumn(), name, backend.quoteIdentifier(table), clauses, backend.presortByName(name));
    }
    // " FROM table WHERE ...": the records of the source, in any order.
    QString from(const RosterBackend& backend) const
    {
        return QStringLiteral(" FROM %1%2").arg(backend.quoteIdentifier(table), clauses);
    }
};

// The keys a roster in name order opens with: a screenful and more, the
// rest read on a thread meanwhile. Whole blocks of the row cache, so the
// grid's reads of the first rows need no key past them.
constexpr int kFirstKeys = 4 * RowCache::kBlockSize;

// "... ORDER BY Name [ASC]" (the roster query): the rest before it, and
// the column as written; nothing for any other order.
std::optional<std::pair<QString, QString>> orderedByName(const QString& clause)
{
    static const QRegularExpression byName(QStringLiteral(R"(^(.*?)\s+ORDER\s+BY\s+("Name"|\[Name\]|Name)(?:\s+ASC)?\s*$)"),
                                           QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = byName.match(u' ' + clause);
    if (!m.hasMatch())
        return std::nullopt;
    QString column = m.captured(2);
    if (column.startsWith(u'"') || column.startsWith(u'['))
        column = column.mid(1, column.size() - 2);
    return std::make_pair(m.captured(1), column);
}

// The roster must be updatable, so the source is one table: its bare name,
// or "SELECT * FROM <table>" with an optional WHERE and ORDER BY.
SourceQuery parseRecordSource(const QString& source)
{
    // The roster's own query, as every start opens it, is known without
    // the patterns below.
    if (source == kRosterQuery)
        return {kSoldierTable, QString(), column::Name};
    static const QRegularExpression bare(QStringLiteral(R"(^\s*("(?:[^"]|"")+"|\[[^\]]+\]|[A-Za-z_][A-Za-z0-9_]*)\s*;?\s*$)"));
    static const QRegularExpression select(QStringLiteral(
        R"(^\s*SELECT\s+\*\s+FROM\s+("(?:[^"]|"")+"|\[[^\]]+\]|[A-Za-z_][A-Za-z0-9_]*)((?:\s+(?:WHERE|ORDER)\b.*)?)\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);

    auto unquote = [](QString name) {
        if (name.startsWith(u'"'))
            return name.mid(1, name.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
        if (name.startsWith(u'['))
            return name.mid(1, name.size() - 2);
        return name;
    };

    SourceQuery q;
    if (const auto m = bare.match(source); m.hasMatch()) {
        q.table = unquote(m.captured(1));
        return q;
    }
    if (const auto m = select.match(source); m.hasMatch()) {
        q.table = unquote(m.captured(1));
        if (const auto byName = orderedByName(m.captured(2))) {
            q.byName = byName->second;
            q.clauses = byName->first;
        } else {
            q.clauses = m.captured(2);
        }
        return q;
    }
    throw Failure(RecordsetError::BadRecordSource,
                  QCoreApplication::translate("varnel::store", "The record source \"%1\" is not one table or \"SELECT * FROM\" one table.").arg(source));
}

} // namespace

DataControl::DataControl(QObject* parent)
    : QObject(parent)
{
    history_.setOnChange([this] { emit historyChanged(); });
}

DataControl::~DataControl()
{
    recordset_.reset();
    guard_.reset(); // waits for a running file check
    if (!connectionName_.isEmpty())
        QSqlDatabase::removeDatabase(connectionName_);
}

Recordset& DataControl::recordset()
{
    if (!recordset_)
        throw Failure(RecordsetError::NotOpen, QCoreApplication::translate("varnel::store", "The roster is not open."));
    return *recordset_;
}

void DataControl::refresh()
{
    const SourceQuery source = parseRecordSource(recordSource_);

    // Values pending in the controls belong to the record being left; keep
    // them, as any move would. If that fails the reload does not happen.
    if (recordset_) {
        try {
            recordset_->leaveRecord();
        } catch (...) {
            dropPending();
            showCurrent();
            throw;
        }
    }

    const QString path = location_.text();
    const QString name = QStringLiteral("varnel-roster-%1-%2").arg(quintptr(this)).arg(++connectionSerial_);
    std::unique_ptr<Recordset> opened;
    {
        std::unique_ptr<RosterBackend> backend = openRosterBackend(name, location_, lockWait_);
        try {
            RecordLayout layout = backend->readLayout(source.table);
            backend->requireKeyedTable(source.table, layout);
            if (const QString wrong = layout.mismatch(); !wrong.isEmpty())
                throw Failure(RecordsetError::BadLayout,
                              QCoreApplication::translate("varnel::store", "The table \"%1\" in the roster file \"%2\" does not have the Soldier record layout: %3.")
                                  .arg(source.table, location_.inWords(), wrong));

            const QString keySql = source.keySql(*backend);
            // A roster whose engine gives its first keys in name order
            // opens with them, and the whole list follows. A roster of no
            // more is read whole at once: its order is always the store's.
            std::optional<RosterBackend::FirstKeys> first;
            if (source.byName && firstKeysFirst_)
                first = backend->readFirstKeysInNameOrder(source.from(*backend), backend->quoteIdentifier(*source.byName), kFirstKeys);
            RosterKeys keys;
            if (first && first->count > first->keys.size()) {
                keys = RosterKeys(std::move(first->keys), first->count);
            } else {
                keys = RosterKeys(source.byName ? backend->readKeysInNameOrder(keySql) : backend->readKeys(keySql));
            }
            // One guard for as long as the same file is open: its check and
            // its safety copy are the file's, not the reload's.
            // A roster on a server has no file to guard.
            if (location_.isServer())
                guard_.reset();
            else if (!guard_ || guard_->path() != path) {
                guard_ = std::make_unique<RosterFileGuard>(path);
                guard_->setOnCopyFailed([this](const Failure& failure) { emit safetyCopyFailed(failure.number(), failure.description()); });
            }
            if (guard_)
                guard_->setLockWait(lockWait_);
            RecordsetObserver& observer = *this;
            const QString table = backend->quoteIdentifier(source.table);
            // Changes stored in another roster cannot be taken back here.
            if (historyOf_ != path) {
                history_.clear();
                historyOf_ = path;
            }
            opened = std::make_unique<Recordset>(observer, guard_.get(), keepsHistory_ ? &history_ : nullptr, std::move(backend), location_,
                                                 table, std::move(layout), KeyQuery{keySql, source.byName.has_value()},
                                                 std::move(keys));
        } catch (...) {
            backend.reset(); // closes its connection, the last use of the name
            QSqlDatabase::removeDatabase(name);
            throw;
        }
    }

    recordset_ = std::move(opened);
    recordset_->watchOthersChanges([this] { emit othersCommitted(); });
    pending_.clear();
    if (!connectionName_.isEmpty())
        QSqlDatabase::removeDatabase(connectionName_);
    connectionName_ = name;

    emit reset();
    showCurrent();
    emit currentChanged(recordset_->hasCurrent() ? recordset_->position() : -1);
}

Recordset::Followed DataControl::followOthersChanges(bool notified)
{
    return recordset_ ? recordset_->followOthersChanges(notified) : Recordset::Followed::Unchanged;
}

void DataControl::startFileCheck()
{
    if (recordset_ && !guard_)
        return; // a roster on a server: the server keeps its own files whole
    if (!guard_)
        throw Failure(RecordsetError::NotOpen, QCoreApplication::translate("varnel::store", "The roster is not open."));
    // The verdict arrives on the checking thread; the signal is emitted on
    // this object's own. The guard (and its thread) ends before this object
    // does, and events still queued for it are dropped with it.
    guard_->startCheck([this](const Failure& damage) {
        QMetaObject::invokeMethod(
            this, [this, damage] { emit fileDamaged(damage.number(), damage.description()); }, Qt::QueuedConnection);
    });
}

void DataControl::prepareFind()
{
    if (recordset_)
        recordset_->prepareNames();
}

void DataControl::readKeysBehind()
{
    if (!recordset_)
        return;
    const quint64 serial = ++openSerial_;
    // Told on the reading's thread; the signal goes out on this object's
    // own, for the roster still open.
    recordset_->readKeysBehind([this, serial] {
        QMetaObject::invokeMethod(
            this, [this, serial] { if (serial == openSerial_) emit keysRead(); }, Qt::QueuedConnection);
    });
}

void DataControl::setLockWait(LockWait* wait)
{
    lockWait_ = wait;
    if (recordset_)
        recordset_->setLockWait(wait);
    if (guard_)
        guard_->setLockWait(wait);
}

QString DataControl::safetyCopy() const
{
    return guard_ ? guard_->safetyCopy() : QString();
}

void DataControl::registerControl(BoundControl* control)
{
    if (!controls_.contains(control))
        controls_.append(control);
    control->showValue(shownValue(control->dataField()));
}

void DataControl::unregisterControl(BoundControl* control)
{
    controls_.removeAll(control);
}

void DataControl::setPending(const QString& field, const Value& value)
{
    if (!recordset_ || (!recordset_->hasCurrent() && recordset_->editMode() != Recordset::EditMode::AddNew)) {
        // Nowhere to keep it: show the record (none) again and say why.
        showCurrent();
        throw Failure(RecordsetError::NoCurrentRecord, QCoreApplication::translate("varnel::store", "No current record."));
    }
    pending_.insert(field, value.isEmpty() ? Value::null() : value);
    if (recordset_->hasCurrent() && recordset_->editMode() != Recordset::EditMode::AddNew)
        emit rowChanged(recordset_->position());
}

Value DataControl::shownValue(const QString& field) const
{
    if (auto it = pending_.find(field); it != pending_.end())
        return *it;
    if (!recordset_)
        return Value::null();
    const int ordinal = recordset_->layout().indexOf(field);
    if (ordinal < 0)
        return Value::null();
    if (recordset_->editMode() == Recordset::EditMode::AddNew)
        return Value::null();
    if (!recordset_->hasCurrent())
        return Value::null();
    return recordset_->currentStoredValue(ordinal);
}

Value DataControl::displayValue(int position, int ordinal) const
{
    if (!recordset_)
        return Value::null();
    if (position == recordset_->position() && recordset_->hasCurrent()
        && recordset_->editMode() != Recordset::EditMode::AddNew && !pending_.isEmpty()
        && ordinal >= 0 && ordinal < recordset_->layout().count()) {
        if (auto it = pending_.find(recordset_->layout().at(ordinal).name); it != pending_.end())
            return *it;
    }
    return recordset_->storedValue(position, ordinal);
}

void DataControl::showCurrent()
{
    // A control may unregister itself while being shown a value.
    const QList<BoundControl*> controls = controls_;
    for (BoundControl* control : controls)
        control->showValue(shownValue(control->dataField()));
}

QHash<int, Value> DataControl::takePending()
{
    QHash<int, Value> byOrdinal;
    for (auto it = pending_.cbegin(); it != pending_.cend(); ++it) {
        const int ordinal = recordset_->layout().indexOf(it.key());
        if (ordinal < 0)
            throw Failure(RecordsetError::NoSuchColumn,
                          QCoreApplication::translate("varnel::store", "The roster file \"%1\" has no column \"%2\".").arg(location_.inWords(), it.key()));
        byOrdinal.insert(ordinal, it.value());
    }
    pending_.clear();
    return byOrdinal;
}

void DataControl::restorePending(const QHash<int, Value>& pending)
{
    for (auto it = pending.cbegin(); it != pending.cend(); ++it)
        pending_.insert(recordset_->layout().at(it.key()).name, it.value());
}

void DataControl::dropPending()
{
    pending_.clear();
}

} // namespace varnel::store
