#pragma once

#include "common/failure.h"
#include "common/failure_numbers.h"
#include "store/folded_names.h"
#include "store/record_layout.h"
#include "store/roster_backend.h"
#include "store/roster_keys.h"
#include "store/value.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace varnel::store {

class ChangeHistory;
struct RecordChange;
struct RecordConflict;
class RecordsetObserver;
class RosterFileGuard;
class RowCache;

// How the open roster's keys are read: the statement, whose rows are the
// key (and, in name order, the Name), and whether the store puts them in
// the roster's name order.
struct KeyQuery {
    QString sql;
    bool byName = false;
};

// The open roster: the result of the record source, in its order, with one
// current record or none. Only the record keys are held in memory; a
// record's fields are read when it becomes current (and, for the grid, in
// small cached blocks), so every operation but DataControl::refresh costs
// the same on any roster size.
//
// Failures throw varnel::Failure: engine failures carry the engine's own
// number (SQLite's extended result code; see RosterBackend::failure), the
// recordset's own the numbers in `RecordsetError`.
//
// The recordset is shown through one binding, its RecordsetObserver (the
// DataControl that opened it): it takes the values pending in the bound
// controls when it stores a record, and tells the binding of every move and
// change.
//
// Every write first passes the roster file's guard (the file still at its
// path, not damaged, a safety copy saved; a server has none) and is one
// transaction. A record
// is stored only if the columns being written, and its Name, still hold
// what this copy read when the record became current or was last stored;
// otherwise nothing is stored and a ConflictFailure (3197) carries both
// versions. A record is deleted only if it still holds all of that.
//
// Every stored change goes into the change history, from which Undo takes
// it back and Redo makes it again, each through the same checks.
//
// When another connection commits to a roster file (a second window,
// another program, a copy put over the file), the roster's keys and names
// are read again before the next command: the current soldier stays
// current only if the file still holds him under the same key and Name.
class Recordset {
public:
    enum class EditMode { None, Edit, AddNew };

    // The roster at `path` as opened on `backend`: the records with these
    // keys, in this order, of `table` (quoted for SQL); `keyQuery` reads
    // them again. The first record becomes current. Stored changes go into
    // `history` (none: not kept). `keys` may hold only the first keys
    // (RosterKeys): see readKeysBehind.
    Recordset(RecordsetObserver& observer, RosterFileGuard* guard, ChangeHistory* history, std::unique_ptr<RosterBackend> backend,
              RosterLocation location, QString table, RecordLayout layout, KeyQuery keyQuery, RosterKeys keys);
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // True when the position lies past the last record (always for an empty
    // roster); there is then no current record.
    bool eof() const;
    // True when there is a current record: not past the end, not deleted.
    bool hasCurrent() const;
    int recordCount() const { return keys_.size(); }
    // 0-based position of the current record; recordCount() past the end.
    int position() const { return position_; }
    // The file's key of the current record. Fails without a current record.
    qint64 currentKey() const;
    EditMode editMode() const { return edit_.mode(); }
    const RecordLayout& layout() const { return layout_; }

    // Begins editing the current record; later field writes go to the edit
    // buffer. Fails without a current record.
    void edit();
    // Ends any edit of the current record (the binding stores the values
    // changed in bound controls first) and begins a new, empty record.
    void addNew();
    // Stores the record being edited or added, the values changed in bound
    // controls first. An edited record stays current; a new record is
    // appended at the end of the roster and the position returns to where
    // it was. Fails when no edit or addition is in progress, when the
    // edited record is no longer in the file (3167), and when another writer
    // changed it (3197). A failed store keeps the values pending in the bound
    // controls and the edit open.
    void update();
    // Reads the current record again: what another writer stored becomes
    // what this copy has read, so a following Update stores the clerk's
    // entries over it (and CancelUpdate takes the stored values). An open
    // edit's own writes are dropped; values pending in the bound controls
    // are kept. Fails without a current record, or when it is gone (3167).
    void reloadCurrent();
    // Drops the edit buffer and any pending bound values.
    void cancelUpdate();
    // Leaves the current record as any move does: a new record the clerk
    // typed into is stored (an untouched one dropped), an edit ends without
    // its own writes, and values pending in the bound controls are stored.
    void leaveRecord();
    // Deletes the current record from the file at once, if it still holds
    // what this copy read (else a ConflictFailure, 3197, and nothing is
    // deleted; 3167 when it is gone). There is no current record until the
    // next move; pending bound values are dropped.
    void deleteRecord();
    // Moves on; from the last record (or a deleted last record) the
    // position goes past the end. Fails when already past the end.
    void moveNext();
    // Makes the last record current. Fails on an empty roster.
    void moveLast();
    void moveFirst();
    // Makes the record at `position` current (the grid's row change).
    void moveTo(int position);
    // The key of the record at `position`, and the position of a key (-1
    // when the open roster does not hold it).
    qint64 keyAt(int position);
    int positionOf(qint64 key);

    // Whether all the roster's keys are in: a large roster on a server
    // opens with its first page of them while the rest are read.
    bool keysWhole() const { return keys_.isWhole(); }
    // Starts reading the whole list on a thread and a connection of its
    // own (once the window has shown the first page: not beside that
    // paint); `done` is called on that thread when the reading has ended.
    // Nothing when the list is whole or being read. A command that needs
    // the list before it was started reads it itself.
    void readKeysBehind(std::function<void()> done);
    // Takes in the whole list of keys: with `wait`, waiting for its reading
    // (or reading it here when that failed or never began), else only when
    // it has arrived.
    // Every command that needs a position past the first keys, or changes
    // the roster, does this first. Where the whole list orders the roster
    // otherwise than its first keys did, it holds: the grid is read again
    // and the current soldier stays current where he now stands (it fails
    // as catchUp does when he is gone).
    void takeWholeKeys(bool wait);

    // Reads the roster's keys again when another connection committed to
    // the file since they were read (see above); true when it did. Fails
    // (3167, 3197) when the current soldier is no longer there, after
    // which no record is current. Entries pending for a soldier no longer
    // there are not dropped: their store meets the change. Every command
    // does this first.
    bool catchUp();
    // Reads the roster's keys again and puts the soldier who was current
    // (`key`, read now as `now`) back where he stands, or leaves no record
    // current when he is gone or his key holds another soldier (thrown, for
    // the clerk to hear, once the window was told).
    // `read`: the keys as read already, in the roster's order.
    void readKeysAround(bool hadCurrent, qint64 key, const QList<Value>& now, std::optional<QList<qint64>> read = std::nullopt);

    // What other connections committed to the roster, taken in at once
    // rather than before the next command: for a server when it notified
    // (`notified`), for a file when its data version moved. The roster's keys
    // are read again and the grid's rows with them: a new soldier stands in
    // his place, a deleted one is gone. The current soldier stays current;
    // with nothing of the clerk's waiting his record is read again and
    // shown, with entries waiting nothing is touched and the record is
    // marked as changed elsewhere when it was (its store then meets the
    // change: 3197, the clerk's choice). Waits (Later) inside a write and
    // while a new record is being entered. Fails as catchUp does when the
    // current soldier is gone and nothing of the clerk's waited.
    enum class Followed { Unchanged, Read, Later };
    Followed followOthersChanges(bool notified);
    // The current record was changed by another connection since this copy
    // read it, while the clerk's entries for it wait.
    bool currentChangedElsewhere() const { return changedElsewhere_; }
    // Tells `changed` when the roster's engine says another connection
    // committed a change (RosterBackend::watchOthersChanges).
    void watchOthersChanges(std::function<void()> changed) { backend_->watchOthersChanges(std::move(changed)); }

    // The stored changes of one command are one step of the history,
    // named `what` ("Total of ADAMS"), for as long as this lives. Without
    // a name, each change is a step of its own, named by its kind.
    class NamedStep {
    public:
        NamedStep(Recordset& rs, const QString& what);
        ~NamedStep();
        NamedStep(const NamedStep&) = delete;
        NamedStep& operator=(const NamedStep&) = delete;

    private:
        ChangeHistory* history_;
    };

    // Undo and Redo: the newest step of the history taken back, or the
    // last one taken back made again, in one transaction, or nothing of it.
    // Values pending for the current record are stored first (they are the
    // newest step then). A record changed since by another writer refuses
    // the whole step (3197, naming the soldier); a record gone, 3167. A
    // deleted record comes back with its key where the key is free, under a
    // new one where it is not (said in `notes`). `progress` hears records
    // done out of all and stops everything (nothing stored) when it
    // returns false.
    struct StepOutcome {
        bool done = false;   // false: nothing to do, or stopped
        QString what;        // the step's name
        QStringList notes;   // what the clerk should know
    };
    using Progress = std::function<bool(int done, int total)>;
    StepOutcome undo(const Progress& progress);
    StepOutcome redo(const Progress& progress);
    // Applies `changes` (as Redo would) in one transaction and keeps them
    // in the history as one step named `what`: a restore from a copy.
    StepOutcome applyChanges(const QList<RecordChange>& changes, const QString& what, const Progress& progress);
    // The record with this key as the engine holds it now (values and
    // stored values); empty when there is none.
    StoredRecord storedRecord(qint64 key) const;
    // The roster in words for a message: its file, or its server's database.
    QString rosterInWords() const;
    bool onServer() const { return location_.isServer(); }
    // The current soldier's changes as the roster's history of changes
    // keeps them, oldest first; nothing when it keeps none (a file).
    // Fails without a current record.
    std::optional<QList<HistoryEntry>> currentHistory();
    // How another program's lock on the file is waited for (lock_wait.h).
    void setLockWait(class LockWait* wait) { backend_->setLockWait(wait); }

    // Fields(i).Value: reads the edit buffer while an edit is open, else the
    // current record; writes only while an edit or addition is open.
    class Field {
    public:
        Value value() const;
        void setValue(const Value& value);
    private:
        friend class Recordset;
        Field(Recordset* rs, int ordinal) : rs_(rs), ordinal_(ordinal) {}
        Recordset* rs_;
        int ordinal_;
    };
    Field fields(int ordinal) { return Field(this, ordinal); }
    Value fieldValue(int ordinal) const;
    void setFieldValue(int ordinal, const Value& value);

    // The stored value of any record, for the grid; no pending values.
    Value storedValue(int position, int ordinal) const;
    // The current record's value as stored (as read when it became current,
    // or last stored), whatever an open edit holds; null without a current
    // record.
    Value currentStoredValue(int ordinal) const;

    // The position of the first record, at `from` or after it and then
    // round from the first, whose Name holds `part` in the roster's name
    // order's folding (case and accents left out); -1 when none does. The
    // names are read once and again only after a change.
    int findName(const QString& part, int from);
    // Starts reading the names findName looks through on a thread and a
    // connection of their own, so the first search finds them ready (the
    // window starts it once it is up). A change to the roster meanwhile
    // makes the first search read them itself.
    void prepareNames();
    // Whether a search would find the names read (by prepareNames or an
    // earlier search) for the roster as it is.
    bool namesReady() const;

    // Changes many records in one transaction: for each record of the open
    // roster, in the order of the records' keys (not the roster's), `change`
    // is given the record's position and its fields as stored, and returns
    // the fields to write (ordinal and value, each ordinal once; none to
    // leave the record as it is). `progress` hears how many records are done out of how many, and
    // stops the whole change when it returns false: then nothing is stored
    // and the result is false. Values pending for the current record are
    // stored first, as when the binding leaves it.
    using FieldValues = QList<std::pair<int, Value>>;
    using RecordChanger = std::function<FieldValues(int position, const QList<Value>& record)>;
    bool changeEveryRecord(const RecordChanger& change, const std::function<bool(int done, int total)>& progress);

private:
    class Write;
    class Replay;

    // One record of changeEveryRecord, at `position` in the roster: the
    // fields `change` wants written that differ, written and staged.
    void changeRecord(qint64 key, int position, const QList<Value>& values, const RosterBackend::StoredColumn& stored,
                      const RecordChanger& change, int name);

    // What is open on the roster, as one state: nothing, an edit of the
    // current record, or a new record, with the values written to it
    // (Fields()). Only an open edit or new record has values, and closing
    // it drops them. A new record is open at the position the clerk was
    // at, where it returns once stored: every move leaves the new record
    // first.
    class OpenEdit {
    public:
        EditMode mode() const { return mode_; }
        bool isOpen() const { return mode_ != EditMode::None; }
        bool isNew() const { return mode_ == EditMode::AddNew; }
        void openEdit(QList<Value> record) { open(EditMode::Edit, std::move(record)); }
        void openNew(int columns) { open(EditMode::AddNew, QList<Value>(columns, Value::null())); }
        void close()
        {
            mode_ = EditMode::None;
            values_.clear();
        }
        // While one is open.
        const QList<Value>& values() const { return values_; }
        void setValue(int ordinal, const Value& value) { values_[ordinal] = value; }

    private:
        void open(EditMode mode, QList<Value> values)
        {
            mode_ = mode;
            values_ = std::move(values);
        }
        EditMode mode_ = EditMode::None;
        QList<Value> values_;
    };

    void requireCurrent() const;
    void requireOpenEdit() const;
    // The keys up to `position` are wanted: the whole list, when that is
    // past the first keys.
    void needKeysTo(int position);
    void loadCurrent();
    void insertRecord(const QList<Value>& values);
    qint64 insertRow(const QList<Value>& values);
    void storeChanges(const QList<Value>& values);
    QList<int> changedColumns(const QList<Value>& values) const;
    [[noreturn]] void refuseConflict(const RosterBackend::StoreRequest& request, const RosterBackend::StoreOutcome& outcome) const;
    // Throws the ConflictFailure of `conflict`, whose `changed` columns
    // (ordinals) another writer changed.
    [[noreturn]] void throwConflict(RecordConflict conflict, const QList<int>& changed) const;
    QList<Value> readRecord(qint64 key) const;
    // What was read of the records may be out of date once another
    // connection has committed to the file: it is read again.
    void forgetRowsIfChangedElsewhere();
    void forgetRowsIfChangedElsewhere(std::optional<qint64> othersChangeCount);
    Failure recordGone() const;
    bool isCurrentSoldier(const QList<Value>& now) const;
    Failure currentSoldierLost(const QList<Value>& now) const;
    // A stored change for the history, staged inside the write that
    // stores it (Write keeps it when it commits): named, when no command
    // names its step, by its kind and soldier.
    void stage(const RecordChange& change);
    void stageStore(const RosterBackend::StoreRequest& request, const RosterBackend::StoreOutcome& outcome);
    void keepStaged();
    QString stepName(const RecordChange& change) const;
    // The keys and names of the records, for FoldedNames.
    QString namesSql() const;
    QString nameOf(const QList<StoredValue>& stored) const;
    QString nameOf(const QList<Value>& values) const;
    StepOutcome replay(bool back, const Progress& progress);
    // The roster as a replay left it: records removed and added.
    void showReplayed(const QList<qint64>& added, const QList<qint64>& removed);

    RecordsetObserver& observer_;
    RosterFileGuard* guard_; // none for a roster on a server
    ChangeHistory* history_; // none: changes are not kept
    std::unique_ptr<RosterBackend> backend_;
    RosterLocation location_;
    QString table_;
    RecordLayout layout_;
    KeyQuery keyQuery_;
    RosterKeys keys_;
    // The whole list of keys being read (RosterKeys); a look at a row past
    // the first keys takes it in when it keeps their order.
    mutable std::unique_ptr<KeysReader> keysReader_;
    // The names were asked for (prepareNames) before the whole list of
    // keys was in: they are read once it is.
    bool namesWanted_ = false;
    int position_ = 0;
    bool currentDeleted_ = false;
    QList<Value> current_;   // stored fields of the current record
    OpenEdit edit_;
    std::unique_ptr<RowCache> cache_;
    // The names findName looks through, and the roster's generation they
    // were read under; those being read in the background (prepareNames).
    std::unique_ptr<FoldedNames> names_;
    std::optional<quint64> namesGeneration_;
    std::unique_ptr<FoldedNamesReader> namesReader_;
    quint64 readerGeneration_ = 0;
    qint64 seenDataVersion_ = -1;
    // The change count the keys were read under (catchUp).
    std::optional<qint64> keysVersion_;
    bool changedElsewhere_ = false;
    int writing_ = 0; // writes open (Write)
};

} // namespace varnel::store
