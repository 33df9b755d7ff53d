#include "store/recordset.h"

#include "common/failure.h"
#include "common/name_order.h"
#include "common/server_connection.h"
#include "store/change_history.h"
#include "store/record_conflict.h"
#include "store/recordset_observer.h"
#include "store/roster_backend.h"
#include "store/recordset_write.h"
#include "store/row_cache.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <vector>

namespace varnel::store {

namespace {

Failure noCurrentRecord()
{
    return Failure(RecordsetError::NoCurrentRecord, QCoreApplication::translate("varnel::store", "No current record."));
}

} // namespace

Recordset::Recordset(RecordsetObserver& observer, RosterFileGuard* guard, ChangeHistory* history, std::unique_ptr<RosterBackend> backend,
                     RosterLocation location, QString table, RecordLayout layout, KeyQuery keyQuery, RosterKeys keys)
    : observer_(observer), guard_(guard), history_(history), backend_(std::move(backend)),
      location_(std::move(location)), table_(std::move(table)), layout_(std::move(layout)), keyQuery_(std::move(keyQuery)),
      keys_(std::move(keys))
{
    cache_ = std::make_unique<RowCache>(*backend_, layout_);
    position_ = 0;
    loadCurrent();
    // The keys were read before the record: a change in between is caught
    // up with by the first command.
    keysVersion_ = seenDataVersion_;
}

Recordset::~Recordset() = default;

bool Recordset::eof() const
{
    return position_ >= keys_.size();
}

bool Recordset::hasCurrent() const
{
    return !eof() && !currentDeleted_;
}

qint64 Recordset::currentKey() const
{
    requireCurrent();
    return keys_.at(position_);
}

void Recordset::requireCurrent() const
{
    if (!hasCurrent())
        throw noCurrentRecord();
}

void Recordset::requireOpenEdit() const
{
    if (!edit_.isOpen())
        throw Failure(RecordsetError::NoEditInProgress, QCoreApplication::translate("varnel::store", "Update or CancelUpdate without AddNew or Edit."));
}

QList<Value> Recordset::readRecord(qint64 key) const
{
    return backend_->readRecord(layout_, key);
}

void Recordset::forgetRowsIfChangedElsewhere()
{
    forgetRowsIfChangedElsewhere(backend_->othersChangeCount());
}

void Recordset::forgetRowsIfChangedElsewhere(std::optional<qint64> othersChangeCount)
{
    const qint64 version = othersChangeCount.value_or(seenDataVersion_);
    if (version != seenDataVersion_) {
        keys_.recordsChanged();
        seenDataVersion_ = version;
    }
}

bool Recordset::catchUp()
{
    // A new record being entered is stored, or dropped, first.
    if (!backend_->changeCountIsOthersOnly() || edit_.isNew())
        return false;
    const std::optional<qint64> version = backend_->othersChangeCount();
    if (!version || version == keysVersion_)
        return false;

    const bool holding = edit_.isOpen() || observer_.hasPending();
    const bool hadCurrent = hasCurrent();
    const qint64 key = hadCurrent ? keys_.at(position_) : 0;
    QList<Value> now;
    if (hadCurrent) {
        now = readRecord(key);
        // The clerk's entries for a soldier no longer there are not
        // dropped: storing them meets the change (3167, or the choice
        // over the Name), and the roster is read again after that.
        if (!isCurrentSoldier(now) && holding)
            return false;
    }
    keysVersion_ = version;
    seenDataVersion_ = *version;
    // The record stays as this copy read it, which the clerk saw: a change
    // another program made to it meets the next store or Delete.
    readKeysAround(hadCurrent, key, now);
    return true;
}

void Recordset::readKeysAround(bool hadCurrent, qint64 key, const QList<Value>& now, std::optional<QList<qint64>> read)
{
    // A whole list still being read is of the roster as it was.
    keysReader_.reset();
    QList<qint64> keys = read ? std::move(*read)
                              : keyQuery_.byName ? backend_->readKeysInNameOrder(keyQuery_.sql) : backend_->readKeys(keyQuery_.sql);
    const int before = position_;
    keys_.replaceAll(std::move(keys));

    std::optional<Failure> lost;
    const int at = hadCurrent ? positionOf(key) : -1;
    if (at >= 0 && isCurrentSoldier(now)) {
        position_ = at;
        currentDeleted_ = false;
    } else {
        if (hadCurrent)
            lost = currentSoldierLost(now);
        // No record is current; the next move goes on from about where the
        // clerk was.
        position_ = std::min(before, keys_.size());
        currentDeleted_ = currentDeleted_ || hadCurrent;
        current_.clear();
    }
    observer_.recordsReset();
    observer_.showCurrent();
    observer_.currentMoved(hasCurrent() ? position_ : -1);
    if (lost)
        throw *lost;
}

Recordset::Followed Recordset::followOthersChanges(bool notified)
{
    if (writing_ > 0 || edit_.isNew())
        return Followed::Later;
    takeWholeKeys(false);
    std::optional<qint64> version;
    if (backend_->changeCountIsOthersOnly()) {
        version = backend_->othersChangeCount();
        if (!version || version == keysVersion_)
            return Followed::Unchanged;
    } else if (!notified) {
        return Followed::Unchanged;
    }
    const bool holding = edit_.isOpen() || observer_.hasPending();
    const bool hadCurrent = hasCurrent();
    const qint64 key = hadCurrent ? keys_.at(position_) : 0;
    const QList<Value> now = hadCurrent ? readRecord(key) : QList<Value>();
    if (hadCurrent && holding && !(now == current_)) {
        changedElsewhere_ = true;
        observer_.recordChanged(position_);
        // Entries for a soldier gone, or become another, keep the roster
        // as it was until they are stored (the change met) or dropped.
        if (!isCurrentSoldier(now))
            return Followed::Read;
    }
    if (hadCurrent && !holding && isCurrentSoldier(now))
        current_ = now;
    if (version) {
        // A file: catchUp does the rest, as before a command.
        keysVersion_.reset();
        catchUp();
        return Followed::Read;
    }
    readKeysAround(hadCurrent, key, now);
    return Followed::Read;
}

// Whether `now`, the current record as read again, is still the soldier
// this copy read there: the record is there, under the same Name.
bool Recordset::isCurrentSoldier(const QList<Value>& now) const
{
    const int name = layout_.indexOf(column::Name);
    return !now.isEmpty() && (name < 0 || now.at(name) == current_.value(name));
}

// Why the current soldier is no longer current, the record being `now`.
Failure Recordset::currentSoldierLost(const QList<Value>& now) const
{
    const QString soldier = soldierInWords(nameOf(current_));
    const QString writer = location_.isServer() ? QCoreApplication::translate("varnel::store", "Another clerk")
                                                : QCoreApplication::translate("varnel::store", "Another program");
    if (now.isEmpty())
        return Failure(RecordsetError::RecordGone,
                       QCoreApplication::translate("varnel::store", "%1 changed %2: %3 is no longer in it. The window shows the "
                                                                    "roster as it is now; no soldier is current.")
                           .arg(writer, rosterInWords(), soldier));
    return Failure(RecordsetError::ChangedByAnotherWriter,
                   QCoreApplication::translate("varnel::store", "%1 changed %2: the record of %3 now holds %4. The window "
                                                                "shows the roster as it is now; no soldier is current.")
                       .arg(writer, rosterInWords(), soldier, soldierInWords(nameOf(now))));
}

void Recordset::loadCurrent()
{
    current_.clear();
    changedElsewhere_ = false;
    if (!hasCurrent()) {
        forgetRowsIfChangedElsewhere();
        return;
    }
    RosterBackend::CurrentRecord now = backend_->readCurrentRecord(layout_, keys_.at(position_));
    forgetRowsIfChangedElsewhere(now.othersChangeCount);
    current_ = std::move(now.record);
    if (current_.isEmpty()) // deleted by another program since the roster was read
        current_ = QList<Value>(layout_.count(), Value::null());
}

void Recordset::takeWholeKeys(bool wait)
{
    if (!keys_.isWhole()) {
        if (!wait && (!keysReader_ || !keysReader_->done()))
            return;
        std::optional<QList<qint64>> whole;
        if (keysReader_)
            whole = std::move(keysReader_->result());
        keysReader_.reset();
        if (!whole)
            whole = backend_->readKeysInNameOrder(keyQuery_.sql);
        if (!keys_.takeWhole(*whole)) {
            const bool hadCurrent = hasCurrent();
            readKeysAround(hadCurrent, hadCurrent ? keys_.at(position_) : 0, current_, std::move(whole));
        }
    }
    keysReader_.reset();
    if (std::exchange(namesWanted_, false))
        prepareNames();
}

void Recordset::readKeysBehind(std::function<void()> done)
{
    if (!keys_.isWhole() && !keysReader_)
        keysReader_ = std::make_unique<KeysReader>(location_, keyQuery_.sql, std::move(done));
}

void Recordset::needKeysTo(int position)
{
    if (position >= keys_.loaded())
        takeWholeKeys(true);
}

qint64 Recordset::keyAt(int position)
{
    needKeysTo(position);
    return keys_.at(position);
}

int Recordset::positionOf(qint64 key)
{
    if (const int at = int(keys_.list().indexOf(key)); at >= 0 || keys_.isWhole())
        return at;
    takeWholeKeys(true);
    return int(keys_.list().indexOf(key));
}

void Recordset::edit()
{
    // A new record the clerk typed into is kept, as when any move leaves it.
    if (edit_.isNew())
        leaveRecord();
    takeWholeKeys(true);
    catchUp();
    requireCurrent();
    edit_.openEdit(current_);
}

void Recordset::addNew()
{
    takeWholeKeys(true);
    catchUp();
    leaveRecord();
    edit_.openNew(layout_.count());
    observer_.showCurrent();
    observer_.currentMoved(-1);
}

void Recordset::update()
{
    requireOpenEdit();
    takeWholeKeys(true);
    QHash<int, Value> pending = observer_.takePending();
    QList<Value> values = edit_.values();
    for (auto it = pending.cbegin(); it != pending.cend(); ++it)
        values[it.key()] = it.value();
    const bool isNew = edit_.isNew();
    try {
        if (isNew)
            insertRecord(values);
        else
            storeChanges(values);
    } catch (...) {
        observer_.restorePending(pending);
        throw;
    }
    edit_.close();
    if (!isNew)
        observer_.recordChanged(position_);
    observer_.showCurrent();
    if (isNew)
        observer_.currentMoved(hasCurrent() ? position_ : -1);
}

void Recordset::cancelUpdate()
{
    const bool wasNew = edit_.isNew();
    edit_.close();
    observer_.dropPending();
    // The entries dropped, what another connection stored shows.
    if (changedElsewhere_ && hasCurrent()) {
        if (QList<Value> now = readRecord(keys_.at(position_)); !now.isEmpty())
            current_ = std::move(now);
        changedElsewhere_ = false;
        observer_.recordChanged(position_);
    }
    observer_.showCurrent();
    if (wasNew)
        observer_.currentMoved(hasCurrent() ? position_ : -1);
}

Failure Recordset::recordGone() const
{
    return Failure(RecordsetError::RecordGone,
                   QCoreApplication::translate("varnel::store", "The record is no longer in %1; another program may have deleted it. "
                                  "Nothing was saved.")
                       .arg(rosterInWords()));
}

QString Recordset::rosterInWords() const
{
    if (location_.isServer())
        return serverDatabaseInWords(location_.text());
    return QCoreApplication::translate("varnel::store", "the roster file \"%1\"").arg(location_.inWords());
}

std::optional<QList<HistoryEntry>> Recordset::currentHistory()
{
    requireCurrent();
    return backend_->historyOf(layout_, keys_.at(position_));
}

QString Recordset::nameOf(const QList<StoredValue>& stored) const
{
    const int name = layout_.indexOf(column::Name);
    return name >= 0 && name < stored.size() ? stored.at(name).toString() : QString();
}

QString Recordset::nameOf(const QList<Value>& values) const
{
    const int name = layout_.indexOf(column::Name);
    return name >= 0 && name < values.size() ? values.at(name).displayText() : QString();
}

void Recordset::stage(const RecordChange& change)
{
    if (history_)
        history_->stage(change);
}

void Recordset::keepStaged()
{
    if (history_)
        history_->keepStaged([this] { return stepName(history_->firstStaged()); });
}

// The name of a step of one change that no command named.
QString Recordset::stepName(const RecordChange& change) const
{
    QString name;
    if (change.kind != RecordChange::Kind::Changed) {
        name = nameInCaption(nameOf(change.record));
    } else if (const auto at = change.columns.indexOf(layout_.indexOf(column::Name)); at >= 0) {
        name = nameInCaption(change.after.at(at).toString());
    }
    switch (change.kind) {
    case RecordChange::Kind::Changed:
        return name.isEmpty() ? QCoreApplication::translate("varnel::store", "Update")
                              : QCoreApplication::translate("varnel::store", "Update of %1").arg(name);
    case RecordChange::Kind::Added:
        return name.isEmpty() ? QCoreApplication::translate("varnel::store", "Add")
                              : QCoreApplication::translate("varnel::store", "Add of %1").arg(name);
    case RecordChange::Kind::Deleted:
        break;
    }
    return name.isEmpty() ? QCoreApplication::translate("varnel::store", "Delete of a soldier without a name")
                          : QCoreApplication::translate("varnel::store", "Delete of %1").arg(name);
}

Recordset::NamedStep::NamedStep(Recordset& rs, const QString& what)
    : history_(what.isEmpty() ? nullptr : rs.history_)
{
    if (history_)
        history_->openStep(what);
}

Recordset::NamedStep::~NamedStep()
{
    if (history_)
        history_->closeStep();
}

void Recordset::insertRecord(const QList<Value>& values)
{
    const qint64 key = insertRow(values);
    // The new record goes to the end of the open roster whatever its name;
    // the position, which stayed where the clerk was while the new record
    // was open, stays there (past the end stays past the end).
    const bool wasPastEnd = position_ >= keys_.size();
    keys_.append(key);
    if (wasPastEnd)
        position_ = keys_.size();
    observer_.recordAppended(keys_.size() - 1);
}

// Returns the new record's key.
qint64 Recordset::insertRow(const QList<Value>& values)
{
    RecordChange added;
    added.kind = RecordChange::Kind::Added;
    Write write(*this);
    added.key = backend_->insertRecord(layout_, values);
    // As the engine holds it, defaults and all: what Undo compares.
    added.record = backend_->readRecordForWrite(layout_, added.key).stored;
    stage(added);
    write.commit(added.key);
    return added.key;
}

void Recordset::storeChanges(const QList<Value>& values)
{
    requireCurrent();
    RosterBackend::StoreRequest request;
    request.key = keys_.at(position_);
    request.readBefore = current_;
    request.entered = values;
    request.written = changedColumns(values);
    // The Name says whose record this is: a record another writer gave to
    // another soldier is not stored over.
    if (const int name = layout_.indexOf(column::Name); name >= 0)
        request.guarded << name;
    Write write(*this);
    RosterBackend::StoreOutcome outcome = backend_->storeIfUnchanged(layout_, request);
    if (outcome.result == RosterBackend::StoreOutcome::Result::Gone)
        throw recordGone();
    if (outcome.result == RosterBackend::StoreOutcome::Result::Changed)
        refuseConflict(request, outcome);
    stageStore(request, outcome);
    write.commit(request.key);
    current_ = std::move(outcome.record);
    changedElsewhere_ = false;
    cache_->replace(keys_, request.key, current_);
}

// What a store changed, for Undo: the columns that now hold another value
// than before, and the Name beside them.
void Recordset::stageStore(const RosterBackend::StoreRequest& request, const RosterBackend::StoreOutcome& outcome)
{
    if (!history_)
        return;
    RecordChange change;
    change.key = request.key;
    for (int i = 0; i < request.written.size(); ++i) {
        const int c = request.written.at(i);
        if (sameStored(outcome.storedBefore.at(c), outcome.storedWritten.at(i)))
            continue;
        change.columns << c;
        change.before << outcome.storedBefore.at(c);
        change.after << outcome.storedWritten.at(i);
    }
    if (change.columns.isEmpty())
        return;
    if (const int name = layout_.indexOf(column::Name); name >= 0 && !change.columns.contains(name)) {
        change.columns << name;
        change.before << outcome.storedBefore.at(name);
        change.after << outcome.storedBefore.at(name);
    }
    stage(change);
}

// Only the columns that differ from what was read are written.
QList<int> Recordset::changedColumns(const QList<Value>& values) const
{
    QList<int> written;
    for (int c = 0; c < values.size() && c < current_.size(); ++c) {
        if (!(values.at(c) == current_.at(c)))
            written << c;
    }
    return written;
}

// Another writer changed a written column, or the Name: nothing is stored,
// and the failure carries both versions.
void Recordset::refuseConflict(const RosterBackend::StoreRequest& request, const RosterBackend::StoreOutcome& outcome) const
{
    RecordConflict conflict;
    conflict.key = request.key;
    conflict.readBefore = current_;
    conflict.storedNow = outcome.record;
    conflict.entered = request.entered;
    throwConflict(std::move(conflict), outcome.changed);
}

void Recordset::throwConflict(RecordConflict conflict, const QList<int>& changed) const
{
    const int name = layout_.indexOf(column::Name);
    for (int c : changed)
        conflict.columns << layout_.at(c).name;
    conflict.soldier = nameOf(conflict.readBefore);
    if (name >= 0 && changed.contains(name))
        conflict.soldierNow = nameOf(conflict.storedNow);
    conflict.onServer = location_.isServer();
    try {
        // The server's history of changes names who changed the record last.
        if (const auto entries = backend_->historyOf(layout_, conflict.key); entries && !entries->isEmpty())
            conflict.changedBy = entries->last().role;
    } catch (const Failure&) {
        // A role that may not read the history hears of another clerk.
    }
    throw ConflictFailure(std::move(conflict), rosterInWords());
}

bool Recordset::changeEveryRecord(const RecordChanger& change, const std::function<bool(int done, int total)>& progress)
{
    takeWholeKeys(true);
    catchUp();
    leaveRecord();
    const int total = keys_.size();
    const int name = layout_.indexOf(column::Name);
    // The records are read and written in the order of their keys, which
    // is where the engine keeps them: in the roster's order, each read and
    // write would land on another page of the file, and a large roster's
    // changes would not fit the engine's cache.
    std::vector<std::pair<qint64, int>> byKey;
    byKey.reserve(std::size_t(total));
    for (int position = 0; position < total; ++position)
        byKey.emplace_back(keys_.at(position), position);
    std::sort(byKey.begin(), byKey.end());
    std::vector<qint64> keys;
    keys.reserve(byKey.size());
    for (const auto& [key, position] : byKey)
        keys.push_back(key);
    {
        Write write(*this);
        // Records deleted by another program since the roster was read are
        // passed over.
        std::size_t done = 0;
        bool stopped = false;
        backend_->readRecordsForWrite(layout_, keys, [&](qint64 key, const QList<Value>& values, const RosterBackend::StoredColumn& stored) {
            // The records passed over count as done.
            std::size_t at = done;
            while (at < keys.size() && keys[at] < key)
                ++at;
            if (at == keys.size())
                return true;
            for (; done <= at; ++done) {
                if (done % 256 == 0 && !progress(int(done), total)) {
                    stopped = true;
                    return false;
                }
            }
            changeRecord(key, byKey[at].second, values, stored, change, name);
            return true;
        });
        if (stopped || !progress(total, total))
            return false; // rolled back
        write.commitAll();
    }
    // Every row may differ now: the grid reads them again.
    loadCurrent();
    observer_.recordsReset();
    observer_.showCurrent();
    observer_.currentMoved(hasCurrent() ? position_ : -1);
    return true;
}

void Recordset::changeRecord(qint64 key, int position, const QList<Value>& values, const RosterBackend::StoredColumn& stored,
                             const RecordChanger& change, int name)
{
    FieldValues wanted = change(position, values);
    std::sort(wanted.begin(), wanted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<int> written;
    QList<Value> entered;
    for (const auto& [ordinal, value] : wanted) {
        if (!(value == values.at(ordinal))) {
            written << ordinal;
            entered << value;
        }
    }
    if (written.isEmpty())
        return;
    // What the engine holds is read before the write changes it.
    RecordChange changed;
    if (history_) {
        changed.key = key;
        changed.columns = written;
        for (int c : written)
            changed.before << stored(c);
        if (name >= 0 && !written.contains(name)) {
            changed.columns << name;
            changed.before << stored(name);
        }
    }
    const QList<StoredValue> now = backend_->writeColumns(layout_, key, written, entered);
    if (!history_ || now.isEmpty())
        return;
    changed.after = now;
    if (changed.columns.size() > written.size())
        changed.after << changed.before.last();
    stage(changed);
}

void Recordset::reloadCurrent()
{
    requireCurrent();
    const QList<Value> now = readRecord(keys_.at(position_));
    if (now.isEmpty())
        throw recordGone();
    if (edit_.mode() == EditMode::Edit)
        edit_.close();
    current_ = now;
    changedElsewhere_ = false;
    const qint64 key = keys_.at(position_);
    keys_.recordChanged(key);
    cache_->replace(keys_, key, current_);
    observer_.recordChanged(position_);
    observer_.showCurrent();
}

void Recordset::leaveRecord()
{
    if (edit_.isNew()) {
        // A new record the user typed into is kept; an untouched one is not.
        if (observer_.hasPending()) {
            update();
            return;
        }
        cancelUpdate();
        return;
    }
    // Moving away ends an edit without its own writes; what the user
    // changed in the bound controls is stored below.
    edit_.close();
    if (hasCurrent() && observer_.hasPending()) {
        edit_.openEdit(current_);
        try {
            update();
        } catch (...) {
            edit_.close();
            throw;
        }
    }
}

void Recordset::deleteRecord()
{
    takeWholeKeys(true);
    catchUp();
    requireCurrent();
    const qint64 key = keys_.at(position_);
    RecordChange deleted;
    deleted.kind = RecordChange::Kind::Deleted;
    deleted.key = key;
    {
        Write write(*this);
        // Only the record the clerk sees goes: one another writer changed,
        // or gave to another soldier, since it was read stays.
        StoredRecord now = backend_->readRecordForWrite(layout_, key);
        if (now.isEmpty())
            throw recordGone();
        QList<int> changed;
        for (int c = 0; c < layout_.count(); ++c) {
            if (!(now.values.at(c) == current_.value(c)))
                changed << c;
        }
        if (!changed.isEmpty()) {
            RecordConflict conflict;
            conflict.action = RecordConflict::Action::Delete;
            conflict.key = key;
            conflict.readBefore = current_;
            conflict.storedNow = now.values;
            conflict.entered = current_;
            throwConflict(std::move(conflict), changed);
        }
        if (!backend_->deleteRecord(key))
            throw recordGone();
        deleted.record = std::move(now.stored);
        stage(deleted);
        write.commit(key);
    }
    edit_.close();
    observer_.dropPending();
    keys_.removeAt(position_);
    currentDeleted_ = true;
    current_.clear();
    observer_.recordRemoved(position_);
    observer_.showCurrent();
    observer_.currentMoved(-1);
}

void Recordset::moveNext()
{
    needKeysTo(position_ + 1);
    catchUp();
    if (!currentDeleted_ && eof())
        throw noCurrentRecord();
    leaveRecord();
    if (currentDeleted_)
        currentDeleted_ = false; // the next record has moved up into this position
    else
        ++position_;
    loadCurrent();
    observer_.showCurrent();
    observer_.currentMoved(hasCurrent() ? position_ : -1);
}

void Recordset::moveLast()
{
    if (keys_.isEmpty())
        throw noCurrentRecord();
    moveTo(keys_.size() - 1);
}

void Recordset::moveFirst()
{
    if (keys_.isEmpty())
        throw noCurrentRecord();
    moveTo(0);
}

void Recordset::moveTo(int position)
{
    if (position < 0 || position >= keys_.size())
        throw noCurrentRecord();
    needKeysTo(position);
    // The position is one of the roster as the clerk saw it: read again,
    // the roster may hold that soldier elsewhere, or not at all.
    const qint64 wanted = keys_.at(position);
    if (catchUp()) {
        position = positionOf(wanted);
        if (position < 0) {
            observer_.currentMoved(hasCurrent() ? position_ : -1);
            return;
        }
    }
    leaveRecord();
    if (position >= keys_.size()) // leaving may not shrink the roster, but be safe
        throw noCurrentRecord();
    position_ = position;
    currentDeleted_ = false;
    loadCurrent();
    observer_.showCurrent();
    observer_.currentMoved(position_);
}

Value Recordset::fieldValue(int ordinal) const
{
    if (ordinal < 0 || ordinal >= layout_.count())
        throw Failure(RecordsetError::NoSuchColumn, QCoreApplication::translate("varnel::store", "Item not found in this collection: field %1.").arg(ordinal));
    if (edit_.isOpen())
        return edit_.values().at(ordinal);
    requireCurrent();
    return current_.at(ordinal);
}

void Recordset::setFieldValue(int ordinal, const Value& value)
{
    if (ordinal < 0 || ordinal >= layout_.count())
        throw Failure(RecordsetError::NoSuchColumn, QCoreApplication::translate("varnel::store", "Item not found in this collection: field %1.").arg(ordinal));
    if (!edit_.isOpen())
        throw Failure(RecordsetError::NoEditInProgress, QCoreApplication::translate("varnel::store", "Update or CancelUpdate without AddNew or Edit."));
    edit_.setValue(ordinal, value.isEmpty() ? Value::null() : value);
}

Value Recordset::Field::value() const
{
    return rs_->fieldValue(ordinal_);
}

void Recordset::Field::setValue(const Value& value)
{
    rs_->setFieldValue(ordinal_, value);
}

QString Recordset::namesSql() const
{
    return QStringLiteral("SELECT %1, %2 FROM %3")
        .arg(backend_->keyColumn(), backend_->quoteIdentifier(layout_.at(layout_.indexOf(column::Name)).name), table_);
}

void Recordset::prepareNames()
{
    if (!keys_.isWhole()) {
        namesWanted_ = true;
        return;
    }
    if (layout_.indexOf(column::Name) < 0 || namesGeneration_ == keys_.generation()
        || (namesReader_ && readerGeneration_ == keys_.generation()))
        return;
    readerGeneration_ = keys_.generation();
    namesReader_ = std::make_unique<FoldedNamesReader>(location_, namesSql(), keys_.list());
}

bool Recordset::namesReady() const
{
    return namesGeneration_ == keys_.generation()
        || (namesReader_ && readerGeneration_ == keys_.generation() && namesReader_->done());
}

int Recordset::findName(const QString& part, int from)
{
    takeWholeKeys(true);
    catchUp();
    forgetRowsIfChangedElsewhere();
    const int count = keys_.size();
    if (count == 0 || layout_.indexOf(column::Name) < 0)
        return -1;
    if (namesGeneration_ != keys_.generation()) {
        // A few records changed since the names were read: only theirs are
        // read again.
        const std::optional<QList<qint64>> touched = names_ ? keys_.touchedSince(*namesGeneration_) : std::nullopt;
        if (!touched || !names_->follow(*backend_, namesSql(), keys_.list(), *touched)) {
            names_.reset();
            if (namesReader_ && readerGeneration_ == keys_.generation())
                names_ = std::move(namesReader_->result());
            if (!names_)
                names_ = std::make_unique<FoldedNames>(FoldedNames::read(*backend_, namesSql(), keys_.list()));
        }
        namesReader_.reset();
        namesGeneration_ = keys_.generation();
    }
    return names_->find(nameFoldKey(part), from);
}

Value Recordset::storedValue(int position, int ordinal) const
{
    if (position < 0 || position >= keys_.size() || ordinal < 0 || ordinal >= layout_.count())
        return Value::null();
    if (position == position_ && !currentDeleted_ && !current_.isEmpty())
        return current_.at(ordinal);
    if (position >= keys_.loaded()) {
        // A row past the first keys waits for the whole list, taken in here
        // when it keeps their order; else the row stays blank until
        // takeWholeKeys puts the roster in its order and the grid is read
        // again.
        std::optional<QList<qint64>>* whole = keysReader_ ? &keysReader_->result() : nullptr;
        if (!whole || !*whole || !keys_.takeWhole(**whole))
            return Value::null();
    }
    return cache_->row(keys_, position).at(ordinal);
}

Value Recordset::currentStoredValue(int ordinal) const
{
    if (!hasCurrent() || ordinal < 0 || ordinal >= current_.size())
        return Value::null();
    return current_.at(ordinal);
}

} // namespace varnel::store
