#include "store/recordset.h"

#include "common/failure.h"
#include "common/name_order.h"
#include "store/record_conflict.h"
#include "store/recordset_observer.h"
#include "store/roster_backend.h"
#include "store/row_cache.h"
#include "store/write_transaction.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

namespace varnel::store {

namespace {

Failure noCurrentRecord()
{
    return Failure(RecordsetError::NoCurrentRecord, QCoreApplication::translate("varnel::store", "No current record."));
}

} // namespace

// One write to the roster file: the guard's checks and one transaction.
// However it ends, the roster's generation moves on, so nothing read of
// the records before or during it is taken for what the file holds after:
// committed, by the one record it was said to change (or any); rolled back
// (a failure, a cancel), by any record, since a read inside the transaction
// saw what was never stored.
class Recordset::Write {
public:
    explicit Write(Recordset& rs)
        : keys_(rs.keys_), transaction_(*rs.backend_, rs.guard_)
    {
    }
    ~Write()
    {
        if (!committed_)
            keys_.recordsChanged();
    }
    Write(const Write&) = delete;
    Write& operator=(const Write&) = delete;

    // Commits a change of the one record `key`.
    void commit(qint64 key)
    {
        transaction_.commit();
        committed_ = true;
        keys_.recordChanged(key);
    }
    // Commits a change of any number of records.
    void commitAll()
    {
        transaction_.commit();
        committed_ = true;
        keys_.recordsChanged();
    }

private:
    RosterKeys& keys_;
    WriteTransaction transaction_;
    bool committed_ = false;
};

Recordset::Recordset(RecordsetObserver& observer, RosterFileGuard* guard, std::unique_ptr<RosterBackend> backend,
                     QString path, QString table, RecordLayout layout, QList<qint64> keys)
    : observer_(observer), guard_(guard), backend_(std::move(backend)),
      path_(std::move(path)), table_(std::move(table)), layout_(std::move(layout)), keys_(std::move(keys))
{
    cache_ = std::make_unique<RowCache>(*backend_, table_, layout_);
    position_ = 0;
    loadCurrent();
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
    if (mode_ == EditMode::None)
        throw Failure(RecordsetError::NoEditInProgress, QCoreApplication::translate("varnel::store", "Update or CancelUpdate without AddNew or Edit."));
}

QList<Value> Recordset::readRecord(qint64 key) const
{
    return backend_->readRecord(table_, layout_, key);
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

void Recordset::loadCurrent()
{
    current_.clear();
    if (!hasCurrent()) {
        forgetRowsIfChangedElsewhere();
        return;
    }
    RosterBackend::CurrentRecord now = backend_->readCurrentRecord(table_, layout_, keys_.at(position_));
    forgetRowsIfChangedElsewhere(now.othersChangeCount);
    current_ = std::move(now.record);
    if (current_.isEmpty()) // deleted by another program since the roster was read
        current_ = QList<Value>(layout_.count(), Value::null());
}

void Recordset::edit()
{
    // A new record the clerk typed into is kept, as when any move leaves it.
    if (mode_ == EditMode::AddNew)
        leaveRecord();
    requireCurrent();
    buffer_ = current_;
    mode_ = EditMode::Edit;
}

void Recordset::addNew()
{
    leaveRecord();
    positionBeforeAdd_ = position_;
    buffer_ = QList<Value>(layout_.count(), Value::null());
    mode_ = EditMode::AddNew;
    observer_.showCurrent();
    observer_.currentMoved(-1);
}

void Recordset::update()
{
    requireOpenEdit();
    QHash<int, Value> pending = observer_.takePending();
    QList<Value> values = buffer_;
    for (auto it = pending.cbegin(); it != pending.cend(); ++it)
        values[it.key()] = it.value();
    const bool isNew = mode_ == EditMode::AddNew;
    try {
        if (isNew)
            insertRecord(values);
        else
            storeChanges(values);
    } catch (...) {
        observer_.restorePending(pending);
        throw;
    }
    mode_ = EditMode::None;
    buffer_.clear();
    if (!isNew)
        observer_.recordChanged(position_);
    observer_.showCurrent();
    if (isNew)
        observer_.currentMoved(hasCurrent() ? position_ : -1);
}

void Recordset::cancelUpdate()
{
    const bool wasNew = mode_ == EditMode::AddNew;
    mode_ = EditMode::None;
    buffer_.clear();
    observer_.dropPending();
    observer_.showCurrent();
    if (wasNew)
        observer_.currentMoved(hasCurrent() ? position_ : -1);
}

Failure Recordset::recordGone() const
{
    return Failure(RecordsetError::RecordGone,
                   QCoreApplication::translate("varnel::store", "The record is no longer in the roster file \"%1\"; another program may have deleted it. "
                                  "Nothing was saved.")
                       .arg(path_));
}

void Recordset::insertRecord(const QList<Value>& values)
{
    const qint64 key = insertRow(values);
    // The new record goes to the end of the open roster whatever its name;
    // the position returns to where it was (past the end stays past the end).
    const bool wasPastEnd = positionBeforeAdd_ >= keys_.size();
    keys_.append(key);
    position_ = wasPastEnd ? keys_.size() : positionBeforeAdd_;
    observer_.recordAppended(keys_.size() - 1);
}

// Returns the new record's key.
qint64 Recordset::insertRow(const QList<Value>& values)
{
    Write write(*this);
    const qint64 key = backend_->insertRecord(table_, layout_, values);
    write.commit(key);
    return key;
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
    RosterBackend::StoreOutcome outcome = backend_->storeIfUnchanged(table_, layout_, request);
    if (outcome.result == RosterBackend::StoreOutcome::Result::Gone)
        throw recordGone();
    if (outcome.result == RosterBackend::StoreOutcome::Result::Changed)
        refuseConflict(request, outcome);
    write.commit(request.key);
    current_ = std::move(outcome.record);
    cache_->replace(keys_, request.key, current_);
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
    const int name = layout_.indexOf(column::Name);
    RecordConflict conflict;
    for (int c : outcome.changed)
        conflict.columns << layout_.at(c).name;
    conflict.key = request.key;
    conflict.soldier = name >= 0 ? current_.at(name).displayText() : QString();
    conflict.readBefore = current_;
    conflict.storedNow = outcome.record;
    conflict.entered = request.entered;
    throw ConflictFailure(std::move(conflict), path_);
}

bool Recordset::changeEveryRecord(const RecordChange& change, const std::function<bool(int done, int total)>& progress)
{
    leaveRecord();
    const int total = keys_.size();
    {
        Write write(*this);
        for (int position = 0; position < total; ++position) {
            if (position % 256 == 0 && !progress(position, total))
                return false; // rolled back
            const qint64 key = keys_.at(position);
            const QList<Value> record = readRecord(key);
            if (record.isEmpty())
                continue; // deleted by another program since the roster was read
            QList<int> written;
            const QHash<int, Value> wanted = change(position, record);
            for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
                if (!(it.value() == record.at(it.key())))
                    written << it.key();
            }
            if (written.isEmpty())
                continue;
            std::sort(written.begin(), written.end());
            QList<Value> values;
            for (int c : written)
                values << wanted.value(c);
            backend_->writeColumns(table_, layout_, key, written, values);
        }
        if (!progress(total, total))
            return false;
        write.commitAll();
    }
    // Every row may differ now: the grid reads them again.
    loadCurrent();
    observer_.recordsReset();
    observer_.showCurrent();
    observer_.currentMoved(hasCurrent() ? position_ : -1);
    return true;
}

void Recordset::reloadCurrent()
{
    requireCurrent();
    const QList<Value> now = readRecord(keys_.at(position_));
    if (now.isEmpty())
        throw recordGone();
    if (mode_ == EditMode::Edit) {
        mode_ = EditMode::None;
        buffer_.clear();
    }
    current_ = now;
    const qint64 key = keys_.at(position_);
    keys_.recordChanged(key);
    cache_->replace(keys_, key, current_);
    observer_.recordChanged(position_);
    observer_.showCurrent();
}

void Recordset::leaveRecord()
{
    if (mode_ == EditMode::AddNew) {
        // A new record the user typed into is kept; an untouched one is not.
        if (observer_.hasPending()) {
            update();
            return;
        }
        cancelUpdate();
        return;
    }
    if (mode_ == EditMode::Edit) {
        // Moving away ends an edit without its own writes; what the user
        // changed in the bound controls is stored below.
        mode_ = EditMode::None;
        buffer_.clear();
    }
    if (hasCurrent() && observer_.hasPending()) {
        buffer_ = current_;
        mode_ = EditMode::Edit;
        try {
            update();
        } catch (...) {
            mode_ = EditMode::None;
            buffer_.clear();
            throw;
        }
    }
}

void Recordset::deleteRecord()
{
    requireCurrent();
    const qint64 key = keys_.at(position_);
    {
        Write write(*this);
        if (!backend_->deleteRecord(table_, key))
            throw recordGone();
        write.commit(key);
    }
    mode_ = EditMode::None;
    buffer_.clear();
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
    if (mode_ != EditMode::None)
        return buffer_.at(ordinal);
    requireCurrent();
    return current_.at(ordinal);
}

void Recordset::setFieldValue(int ordinal, const Value& value)
{
    if (ordinal < 0 || ordinal >= layout_.count())
        throw Failure(RecordsetError::NoSuchColumn, QCoreApplication::translate("varnel::store", "Item not found in this collection: field %1.").arg(ordinal));
    if (mode_ == EditMode::None)
        throw Failure(RecordsetError::NoEditInProgress, QCoreApplication::translate("varnel::store", "Update or CancelUpdate without AddNew or Edit."));
    buffer_[ordinal] = value.isEmpty() ? Value::null() : value;
}

Value Recordset::Field::value() const
{
    return rs_->fieldValue(ordinal_);
}

void Recordset::Field::setValue(const Value& value)
{
    rs_->setFieldValue(ordinal_, value);
}

int Recordset::findName(const QString& part, int from)
{
    forgetRowsIfChangedElsewhere();
    const int count = keys_.size();
    if (count == 0)
        return -1;
    const int name = layout_.indexOf(column::Name);
    if (name < 0)
        return -1;
    if (namesGeneration_ != keys_.generation()) {
        QHash<qint64, QByteArray> byKey;
        backend_->readKeyedTexts(QStringLiteral("SELECT %1, %2 FROM %3")
                                     .arg(backend_->keyColumn(), backend_->quoteIdentifier(layout_.at(name).name), table_),
                                 [&byKey](qint64 key, std::optional<QByteArrayView> text) {
                                     byKey.insert(key, text ? nameFoldKeyOfUtf8(*text) : QByteArray());
                                 });
        foldedNames_.clear();
        foldedNames_.reserve(count);
        for (qint64 key : keys_.list())
            foldedNames_.append(byKey.value(key));
        namesGeneration_ = keys_.generation();
    }
    const QByteArray wanted = nameFoldKey(part);
    from = std::clamp(from, 0, count - 1);
    for (int i = 0; i < count; ++i) {
        const int position = (from + i) % count;
        if (foldedNames_.at(position).contains(wanted))
            return position;
    }
    return -1;
}

Value Recordset::storedValue(int position, int ordinal) const
{
    if (position < 0 || position >= keys_.size() || ordinal < 0 || ordinal >= layout_.count())
        return Value::null();
    if (position == position_ && !currentDeleted_ && !current_.isEmpty())
        return current_.at(ordinal);
    return cache_->row(keys_, position).at(ordinal);
}

Value Recordset::currentStoredValue(int ordinal) const
{
    if (!hasCurrent() || ordinal < 0 || ordinal >= current_.size())
        return Value::null();
    return current_.at(ordinal);
}

} // namespace varnel::store
