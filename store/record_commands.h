#pragma once

#include <QList>
#include <QString>

namespace varnel::store {

class DataControl;
class Value;

// The roster query, the only query the program runs.
inline const QString kRosterQuery = QStringLiteral("SELECT * FROM Soldier ORDER BY Name Asc");
inline const QString kRosterFileName = QStringLiteral("Varnel_DATA.MDB");

// Start-up: names the roster file in `currentDirectory`, sets the roster
// query, opens the roster. What the window then applies to its controls is
// the window's own (ui/window_policy.h).
void loadRoster(DataControl& data1, const QString& currentDirectory);
// The same for the roster at `location`: a roster file's path, or a
// PostgreSQL server's address (postgresql://...).
void openRosterAt(DataControl& data1, const QString& location);

// Sort's reload: the roster query set again and the roster reopened, in
// name order at the first record. Entries pending for the current record
// are stored first, as on any refresh; when the reload fails, the open
// roster stays as it was.
void reloadRoster(DataControl& data1);

// The path of the roster file in a directory (no separator trimmed or added
// beyond the file name's own).
QString rosterPath(const QString& currentDirectory);

void addRecord(DataControl& data1);
// Adds a record holding `values` (one for each column of the open roster's
// layout; its generated key is left to the engine) and makes it current.
void addRecordFrom(DataControl& data1, const QList<Value>& values);
void deleteRecord(DataControl& data1);
void updateRecord(DataControl& data1);

} // namespace varnel::store
