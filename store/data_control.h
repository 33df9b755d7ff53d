#pragma once

#include "common/roster_location.h"

#include "store/bound_control.h"
#include "store/change_history.h"
#include "store/lock_wait.h"
#include "store/recordset.h"
#include "store/recordset_observer.h"
#include "store/roster_file_guard.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <memory>

namespace varnel::store {

// The roster binding (the window's Data1). It opens the roster from the
// database file and record source, holds the open Recordset, and binds
// controls to its current record: they show it at all times, and what the
// user changes in them stays pending until the record is stored, by Update
// or whenever the binding leaves the record (a move, AddNew, a refresh).
// It is the open Recordset's observer: the recordset takes the pending
// values from it and tells it of moves and changes, which it passes on as
// its signals.
class DataControl : public QObject, private RecordsetObserver {
    Q_OBJECT
public:
    explicit DataControl(QObject* parent = nullptr);
    ~DataControl() override;

    // The roster file's path, or a PostgreSQL server's connection URI
    // (postgresql://...): the roster is then the table on that server, with
    // no file to check or copy.
    QString databaseName() const { return location_.text(); }
    void setDatabaseName(const QString& location) { location_ = RosterLocation(location); }
    // The roster named, read once: a file or a server.
    const RosterLocation& location() const { return location_; }
    // A table name or "SELECT * FROM <table> ..." over one table.
    QString recordSource() const { return recordSource_; }
    void setRecordSource(const QString& source) { recordSource_ = source; }

    // (Re)opens the roster; the first record becomes current. Never creates
    // the file and never changes it: its journal mode stays as found.
    // Refuses (3190) a Soldier table whose fixed positions are wrong, and a
    // view, a virtual or WITHOUT ROWID table, or a table with a column
    // named _rowid_, in which records cannot be stored by their key.
    void refresh();
    bool isOpen() const { return recordset_ != nullptr; }
    // The open roster; fails before the first refresh.
    Recordset& recordset();

    // Starts SQLite's check of the open roster file in the background (a
    // large roster takes longer to check than to open). Every write waits for
    // its verdict, and runs the check itself when it was never started; a
    // damaged file takes no more writes (11), and fileDamaged() is emitted.
    void startFileCheck();
    // Starts reading the names Find Soldier looks through in the background
    // (Recordset::prepareNames); nothing when no roster is open.
    void prepareFind();
    // Whether a large roster whose engine can give them opens with its
    // first page of keys (a window, to show it at once), or with all of
    // them (the default). Then readKeysBehind starts reading the rest in
    // the background (Recordset::readKeysBehind), and keysRead() tells
    // when they are there.
    void setFirstKeysFirst(bool first) { firstKeysFirst_ = first; }
    void readKeysBehind();
    // The safety copy saved before the first write, or empty.
    QString safetyCopy() const;

    // The stored changes of this run, for Undo and Redo: kept across a
    // reload of the same roster, begun anew when another roster is opened.
    // A tool that needs no Undo turns the keeping off.
    ChangeHistory& history() { return history_; }
    void setKeepsHistory(bool keeps) { keepsHistory_ = keeps; }

    // How a roster file's lock held by another program is waited for (none:
    // by sleeping); the caller keeps it alive, or sets none before it goes.
    void setLockWait(LockWait* wait);

    // What other connections committed to the open roster, taken in now
    // (Recordset::followOthersChanges); `notified`: a server said there is.
    Recordset::Followed followOthersChanges(bool notified);

    void registerControl(BoundControl* control);
    void unregisterControl(BoundControl* control);

    // A bound control's change by the user (or a command): pending for the
    // current record until it is stored or the binding drops it.
    void setPending(const QString& field, const Value& value);
    bool hasPending() const override { return !pending_.isEmpty(); }
    // What a bound control shows: the pending value, else the record's.
    Value shownValue(const QString& field) const;
    // For the grid: the stored value, overlaid with pending values on the
    // current record.
    Value displayValue(int position, int ordinal) const;

signals:
    // The roster was (re)opened: every row may differ.
    void reset();
    // Another record became current, or none (-1).
    void currentChanged(int position);
    void rowAppended(int position);
    void rowRemoved(int position);
    // A record's stored values or its pending values changed.
    void rowChanged(int position);
    // The background check found the roster file damaged.
    void fileDamaged(int number, const QString& description);
    // What Undo and Redo would do changed.
    void historyChanged();
    // The roster's server told of a change another connection committed;
    // followOthersChanges(true) takes it in.
    void othersCommitted();
    // The whole list of the roster's keys, read while the window showed
    // the first of them, has arrived; followOthersChanges takes it in.
    void keysRead();
    // No safety copy could be saved before the first write of this run; the
    // write goes on once the handlers return.
    void safetyCopyFailed(int number, const QString& description);

private:
    // RecordsetObserver
    QHash<int, Value> takePending() override;
    void restorePending(const QHash<int, Value>& pending) override;
    void dropPending() override;
    void showCurrent() override;
    void currentMoved(int position) override { emit currentChanged(position); }
    void recordAppended(int position) override { emit rowAppended(position); }
    void recordRemoved(int position) override { emit rowRemoved(position); }
    void recordChanged(int position) override { emit rowChanged(position); }
    void recordsReset() override { emit reset(); }

    RosterLocation location_;
    QString recordSource_ = QStringLiteral("Soldier");
    QString connectionName_;
    int connectionSerial_ = 0;
    // Moves on with every reading of the roster's keys on a thread.
    quint64 openSerial_ = 0;
    bool firstKeysFirst_ = false;
    std::unique_ptr<RosterFileGuard> guard_;
    ChangeHistory history_;
    bool keepsHistory_ = true;
    LockWait* lockWait_ = nullptr;
    // The roster the history's changes were stored in.
    QString historyOf_;
    std::unique_ptr<Recordset> recordset_;
    QList<BoundControl*> controls_;
    QHash<QString, Value> pending_;
};

} // namespace varnel::store
