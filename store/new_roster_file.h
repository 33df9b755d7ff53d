#pragma once

#include "store/record_layout.h"
#include "store/roster_backend.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QSqlError;

namespace varnel::store {

// A new roster file being written. It must not exist yet, and must name a
// file (not a folder, a device, or what SQLite takes for a database of no
// file: 22); it is written under a temporary name beside it
// ("NAME.new-1a2b3c4d") and takes its name only in finish(), so a file cut
// short (a full disk, an error) never stands under the name. A file never
// finished is removed with its journal; what a killed run for the same name
// left is removed by the next one once it is some minutes old.
class NewRosterFile {
public:
    explicit NewRosterFile(const QString& path); // throws Failure 17 when it exists
    ~NewRosterFile();
    NewRosterFile(const NewRosterFile&) = delete;
    NewRosterFile& operator=(const NewRosterFile&) = delete;

    QSqlDatabase& db() { return db_; }
    // Runs one statement; throws Failure naming the file.
    void exec(const QString& sql);
    [[noreturn]] void fail(const QSqlError& error, const QString& what) const;
    // Closes the file and gives it its name.
    void finish();

private:
    void close();

    QString path_;
    QString temporary_;
    QString connection_;
    QSqlDatabase db_;
    bool finished_ = false;
};

// The Soldier table as a new roster holds it: positions 3 to 24 and 29
// fixed, a generated key first.
const RecordLayout& standardRosterLayout();
// The statements that make the Soldier table of `layout` in a file, each
// column declared as its kind's file type (the first generated key as the
// file's row key), and the index on Name that keeps the roster's order.
QStringList fileTableStatements(const RecordLayout& layout);
// The index on Name that keeps the roster's order, for a file's table of
// `layout` (which must have a Name).
QString nameIndexStatement(const RecordLayout& layout);
// Those of the standard layout.
QStringList soldierTableStatements();

// A new roster being written at `location`, through the backend of its
// engine: a file under a temporary name (NewRosterFile), or a database on a
// server inside one transaction, with the Soldier table of `layout` made in
// it. Nothing stays when it is not finished. Refuses (17) an existing file,
// or a database that has a Soldier table.
class NewRoster {
public:
    NewRoster(const RosterLocation& location, const RecordLayout& layout);
    ~NewRoster();
    NewRoster(const NewRoster&) = delete;
    NewRoster& operator=(const NewRoster&) = delete;

    RosterBackend& backend() { return *backend_; }
    // The table as the engine made it (a server adds a key where the
    // layout has none).
    const RecordLayout& layout() const { return layout_; }
    // Commits the roster and, for a file, gives it its name.
    void finish();

private:
    std::optional<NewRosterFile> file_;
    std::unique_ptr<RosterBackend> backend_;
    RecordLayout layout_;
    bool finished_ = false;
};

// Writes a new roster with an empty Soldier table of the standard layout at
// `location` (a file, or a database on a server), as varnel-roster create
// and the window's File > New Roster do. Throws varnel::Failure naming it.
void createRoster(const RosterLocation& location);

} // namespace varnel::store
