#pragma once

#include <QString>
#include <QStringList>

namespace varnel::store {

class DataControl;

// The roster query, the only query the program runs.
inline const QString kRosterQuery = QStringLiteral("SELECT * FROM Soldier ORDER BY Name Asc");
inline const QString kRosterFileName = QStringLiteral("Varnel_DATA.MDB");

// What start-up gives the window to apply: the request-dates setting and
// the entries of both school lists, in order.
struct StartupSettings {
    int prefDatesSetting = 25;
    QStringList schools;
};

// Start-up: names the roster file in `currentDirectory`, sets the roster
// query, opens the roster; returns the settings the window applies.
StartupSettings loadRoster(DataControl& data1, const QString& currentDirectory);

// The path of the roster file in a directory (no separator trimmed or added
// beyond the file name's own).
QString rosterPath(const QString& currentDirectory);

void addRecord(DataControl& data1);
void deleteRecord(DataControl& data1);
void updateRecord(DataControl& data1);

// What Sort needs of the window: hide it and show the hourglass while the
// roster reloads.
class SortView {
public:
    virtual ~SortView() = default;
    virtual void setBusyPointer(bool busy) = 0; // hourglass, or the default
    virtual void hideWindow() = 0;
    virtual void showWindow() = 0;
};

// Sort: reloads the roster in name order. When the reload fails, the window
// is shown again and the pointer restored before the failure goes on.
void sortRoster(DataControl& data1, SortView& view);

} // namespace varnel::store
