// Undo, Redo and the restore from a copy: the stored changes of one step
// applied backwards or forwards in one transaction, each only where its
// record still holds what the change left there.
#include "store/recordset.h"

#include "common/failure_numbers.h"
#include "store/change_history.h"
#include "store/record_conflict.h"
#include "store/recordset_observer.h"
#include "store/recordset_write.h"

#include <QCoreApplication>
#include <QSet>

namespace varnel::store {

class Recordset::Replay {
public:
    // `back`: the changes are taken back (Undo), else made (Redo, a
    // restore). `refusal` begins the message of a refused change ("Cannot
    // undo ...").
    Replay(Recordset& rs, bool back, QString refusal) : rs_(rs), back_(back), refusal_(std::move(refusal)) {}

    void apply(const RecordChange& change);

    // Records put back under another key than they had: old -> new.
    QHash<qint64, qint64> rekeyed;
    QList<qint64> added;
    QList<qint64> removed;
    QSet<qint64> changed;
    QStringList notes;

private:
    void applyColumns(const RecordChange& change, qint64 key);
    void putBack(const RecordChange& change, qint64 key);
    void take(const RecordChange& change, qint64 key);
    StoredRecord read(qint64 key) const { return rs_.backend_->readRecordForWrite(rs_.layout_, key); }
    [[noreturn]] void refuseGone(const QString& name) const;
    [[noreturn]] void refuseChanged(const QString& name, const QList<int>& columns) const;

    Recordset& rs_;
    bool back_;
    QString refusal_;
};

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("varnel::store", text);
}

} // namespace

void Recordset::Replay::apply(const RecordChange& change)
{
    const qint64 key = rekeyed.value(change.key, change.key);
    if (change.kind == RecordChange::Kind::Changed)
        applyColumns(change, key);
    else if ((change.kind == RecordChange::Kind::Deleted) == back_)
        putBack(change, key); // an undone Delete, a redone Add
    else
        take(change, key); // an undone Add, a redone Delete
}

// The written columns go from one side of the change to the other, if they
// (and the Name beside them) still hold the first side.
void Recordset::Replay::applyColumns(const RecordChange& change, qint64 key)
{
    const QList<StoredValue>& expected = back_ ? change.after : change.before;
    const QList<StoredValue>& wanted = back_ ? change.before : change.after;
    const int nameAt = int(change.columns.indexOf(rs_.layout_.indexOf(column::Name)));
    const QString name = nameAt >= 0 ? expected.at(nameAt).toString() : QString();
    const StoredRecord now = read(key);
    if (now.isEmpty())
        refuseGone(name);
    QList<int> differ, written;
    QList<StoredValue> values;
    for (int i = 0; i < change.columns.size(); ++i) {
        const int c = change.columns.at(i);
        if (!sameStored(now.stored.at(c), expected.at(i)))
            differ << c;
        else if (!sameStored(expected.at(i), wanted.at(i))) {
            written << c;
            values << wanted.at(i);
        }
    }
    if (!differ.isEmpty())
        refuseChanged(name, differ);
    if (!written.isEmpty())
        rs_.backend_->writeStoredColumns(rs_.layout_, key, written, values);
    changed.insert(key);
}

void Recordset::Replay::putBack(const RecordChange& change, qint64 key)
{
    const bool free = read(key).isEmpty();
    const qint64 now =
        rs_.backend_->insertStoredRecord(rs_.layout_, change.record, free ? std::optional(key) : std::nullopt);
    if (now != key) {
        rekeyed.insert(change.key, now);
        notes << tr("%1 is back under the key %2: another soldier holds the key %3 now.")
                     .arg(soldierInWords(rs_.nameOf(change.record)))
                     .arg(now)
                     .arg(key);
    }
    added << now;
}

// The record goes, if it still holds everything it held after the change
// (its generated key aside, which a record put back may have anew).
void Recordset::Replay::take(const RecordChange& change, qint64 key)
{
    const QString name = rs_.nameOf(change.record);
    const StoredRecord now = read(key);
    if (now.isEmpty())
        refuseGone(name);
    QList<int> differ;
    for (int c = 0; c < rs_.layout_.count(); ++c) {
        if (!rs_.layout_.at(c).generatedKey && !sameStored(now.stored.at(c), change.record.value(c)))
            differ << c;
    }
    if (!differ.isEmpty())
        refuseChanged(name, differ);
    rs_.backend_->deleteRecord(key);
    removed << key;
}

void Recordset::Replay::refuseGone(const QString& name) const
{
    throw Failure(RecordsetError::RecordGone, tr("%1: the record of %2 is no longer in %3. Nothing was changed.")
                                                  .arg(refusal_, soldierInWords(name), rs_.rosterInWords()));
}

void Recordset::Replay::refuseChanged(const QString& name, const QList<int>& columns) const
{
    QStringList names;
    for (int c : columns)
        names << columnLabel(rs_.layout_.at(c).name);
    const QString text = rs_.onServer() ? tr("%1: another clerk changed the record of %2 in %3 since (%4). Nothing was changed.")
                                        : tr("%1: another program changed the record of %2 in %3 since (%4). Nothing was changed.");
    throw Failure(RecordsetError::ChangedByAnotherWriter,
                  text.arg(refusal_, soldierInWords(name), rs_.rosterInWords(), names.join(QStringLiteral(", "))));
}

Recordset::StepOutcome Recordset::undo(const Progress& progress)
{
    return replay(true, progress);
}

Recordset::StepOutcome Recordset::redo(const Progress& progress)
{
    return replay(false, progress);
}

Recordset::StepOutcome Recordset::replay(bool back, const Progress& progress)
{
    StepOutcome outcome;
    if (!history_)
        return outcome;
    takeWholeKeys(true);
    catchUp();
    leaveRecord();
    if (back ? !history_->canUndo() : !history_->canRedo())
        return outcome;
    outcome.what = back ? history_->undoWhat() : history_->redoWhat();
    Replay replay(*this, back, (back ? tr("Cannot undo \"%1\"") : tr("Cannot redo \"%1\"")).arg(outcome.what));
    const int total = back ? history_->undoSize() : history_->redoSize();
    {
        Write write(*this);
        int done = 0;
        bool stopped = false;
        const auto apply = [&](const RecordChange& change) {
            if (done % 256 == 0 && !progress(done, total)) {
                stopped = true;
                return false;
            }
            ++done;
            replay.apply(change);
            return true;
        };
        if (back)
            history_->forEachToUndo(apply);
        else
            history_->forEachToRedo(apply);
        if (stopped || !progress(total, total))
            return outcome; // rolled back
        write.commitAll();
    }
    if (back)
        history_->undone();
    else
        history_->redone();
    for (auto it = replay.rekeyed.cbegin(); it != replay.rekeyed.cend(); ++it)
        history_->rekey(it.key(), it.value());
    showReplayed(replay.added, replay.removed);
    outcome.done = true;
    outcome.notes = replay.notes;
    return outcome;
}

Recordset::StepOutcome Recordset::applyChanges(const QList<RecordChange>& changes, const QString& what, const Progress& progress)
{
    StepOutcome outcome;
    outcome.what = what;
    takeWholeKeys(true);
    catchUp();
    leaveRecord();
    Replay replay(*this, false, tr("Cannot restore \"%1\"").arg(what));
    const NamedStep step(*this, what);
    {
        Write write(*this);
        for (int i = 0; i < changes.size(); ++i) {
            if (i % 256 == 0 && !progress(i, int(changes.size())))
                return outcome; // rolled back
            replay.apply(changes.at(i));
            RecordChange made = changes.at(i);
            made.key = replay.rekeyed.value(made.key, made.key);
            stage(made);
        }
        if (!progress(int(changes.size()), int(changes.size())))
            return outcome;
        write.commitAll();
    }
    showReplayed(replay.added, replay.removed);
    outcome.done = true;
    outcome.notes = replay.notes;
    return outcome;
}

// After a replay's commit: the records it removed leave the open roster,
// those it put back join it at its end, and every row is read again. A
// soldier put back alone becomes current; a current soldier removed leaves
// no record current.
void Recordset::showReplayed(const QList<qint64>& added, const QList<qint64>& removed)
{
    const bool hadCurrent = hasCurrent();
    const qint64 current = hadCurrent ? keys_.at(position_) : 0;
    QList<qint64> keys;
    keys.reserve(keys_.size() + added.size());
    const QSet<qint64> gone(removed.cbegin(), removed.cend());
    int position = position_;
    for (int i = 0; i < keys_.size(); ++i) {
        if (!gone.contains(keys_.at(i)))
            keys << keys_.at(i);
        else if (i < position_)
            --position;
    }
    keys << added;
    keys_.replaceAll(std::move(keys));
    if (added.size() == 1 && removed.isEmpty()) {
        position_ = keys_.size() - 1;
        currentDeleted_ = false;
    } else if (hadCurrent && gone.contains(current)) {
        position_ = std::min(position, keys_.size());
        currentDeleted_ = true;
    } else if (hadCurrent) {
        position_ = positionOf(current);
    } else {
        position_ = std::min(position, keys_.size());
    }
    edit_.close();
    loadCurrent();
    observer_.recordsReset();
    observer_.showCurrent();
    observer_.currentMoved(hasCurrent() ? position_ : -1);
}

StoredRecord Recordset::storedRecord(qint64 key) const
{
    return backend_->readRecordForWrite(layout_, key);
}

} // namespace varnel::store
