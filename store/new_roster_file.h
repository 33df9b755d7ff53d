#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

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

// The Soldier table as a new roster file holds it (positions 3 to 24 and 29
// fixed, a generated key first) and an index on Name for the roster's order.
QStringList soldierTableStatements();

// Writes a new roster file with an empty Soldier table, as varnel-roster
// create and the window's File > New Roster do. Refuses to overwrite an
// existing file. Throws varnel::Failure naming the file.
void createRosterFile(const QString& path);

} // namespace varnel::store
