#pragma once

#include "store/roster_backend.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <vector>

namespace varnel::store {

// One stored change of one record, as Undo and Redo need it: the record's
// key and its columns, as the engine held them, on both sides of the change.
struct RecordChange {
    enum class Kind : quint8 { Changed, Added, Deleted };
    Kind kind = Kind::Changed;
    qint64 key = 0;
    // Changed: the columns (ordinals) the change wrote, with their values
    // before and after it. Beside them, with the same value on both sides,
    // the columns that say whose record it is (the Name), so that neither
    // direction lands on another soldier.
    QList<int> columns;
    QList<StoredValue> before;
    QList<StoredValue> after;
    // Added, Deleted: every column of the record as it was stored.
    QList<StoredValue> record;
};

// The stored changes of one run of the program, grouped into steps the
// clerk takes back (Undo) and makes again (Redo) in reverse order. A step
// is what one command stored ("Delete of ADAMS, ALICIA", "Total All
// Soldiers"); a new step drops every step that could be redone.
//
// What a step overwrote is kept packed, column by column (a few bytes for a
// number), not as whole records: Total All over 100,000 soldiers costs some
// megabytes. The oldest steps go when all of them together pass
// kBytesKept.
class ChangeHistory {
public:
    static constexpr qsizetype kBytesKept = qsizetype(256) << 20;

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    // What the next Undo (Redo) takes back (makes again), in words; empty
    // when there is nothing.
    QString undoWhat() const { return undo_.empty() ? QString() : undo_.back().what; }
    QString redoWhat() const { return redo_.empty() ? QString() : redo_.back().what; }
    // How many record changes the next Undo (Redo) holds.
    int undoSize() const { return undo_.empty() ? 0 : undo_.back().count(); }
    int redoSize() const { return redo_.empty() ? 0 : redo_.back().count(); }

    // The changes recorded until the matching closeStep() are one step,
    // named `what`. Steps opened inside an open one join it.
    void openStep(const QString& what);
    void closeStep();

    // Recording happens inside a write: a stored change is staged while
    // the write is open, kept when it commits, dropped when it rolls back.
    void stage(const RecordChange& change);
    bool hasStaged() const { return !staged_.offsets.empty(); }
    // The first change staged, to name the step after.
    RecordChange firstStaged() const;
    // Keeps what was staged: in the open step, else as a step of its own
    // named by `what` (asked only then). A new step drops every step that
    // could be redone.
    void keepStaged(const std::function<QString()>& what);
    void dropStaged();

    // Hands the changes of the newest step to `apply`, newest first (Undo),
    // or of the next step to redo, oldest first (Redo). `apply` returns
    // false to stop.
    void forEachToUndo(const std::function<bool(const RecordChange&)>& apply) const;
    void forEachToRedo(const std::function<bool(const RecordChange&)>& apply) const;
    // The step was taken back (made again): it moves to the other list.
    void undone();
    void redone();
    // A record put back under another key than it had: every step names
    // it by the new one from now on.
    void rekey(qint64 from, qint64 to);

    void clear();
    // Bytes held for the steps' changes.
    qsizetype bytes() const { return bytes_; }
    // Called after every change to the lists (for the window's Undo item).
    void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

    struct Step {
        QString what;
        QByteArray packed;
        std::vector<quint32> offsets; // where each change begins in `packed`
        int count() const { return int(offsets.size()); }
    };

private:
    void forEach(const Step& step, bool newestFirst, const std::function<bool(const RecordChange&)>& apply) const;
    void changed();
    void dropOldest();
    void moveNewest(std::vector<Step>& from, std::vector<Step>& to);

    std::vector<Step> undo_;
    std::vector<Step> redo_;
    Step staged_;
    int openDepth_ = 0;
    bool openStepStarted_ = false;
    QString openWhat_;
    qsizetype bytes_ = 0;
    std::function<void()> onChange_;
};

} // namespace varnel::store
