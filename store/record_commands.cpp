#include "store/record_commands.h"

#include "common/paths.h"
#include "store/data_control.h"

namespace varnel::store {

QString rosterPath(const QString& currentDirectory)
{
    return fileInDirectory(currentDirectory, kRosterFileName);
}

StartupSettings loadRoster(DataControl& data1, const QString& currentDirectory)
{
    data1.setDatabaseName(rosterPath(currentDirectory));
    data1.setRecordSource(kRosterQuery);
    data1.refresh();
    StartupSettings settings;
    settings.prefDatesSetting = 25;
    settings.schools = {QStringLiteral("NONE"), QStringLiteral("WLC"), QStringLiteral("ALC"), QStringLiteral("SLC"),
                        QStringLiteral("USASMC")};
    return settings;
}

void addRecord(DataControl& data1)
{
    Recordset& rs = data1.recordset();
    if (!rs.eof())
        rs.edit();
    rs.addNew();
    rs.update();
    rs.moveLast();
}

void deleteRecord(DataControl& data1)
{
    Recordset& rs = data1.recordset();
    rs.deleteRecord();
    rs.moveNext();
}

void updateRecord(DataControl& data1)
{
    Recordset& rs = data1.recordset();
    rs.edit();
    rs.update();
}

void sortRoster(DataControl& data1, SortView& view)
{
    view.setBusyPointer(true);
    try {
        view.hideWindow();
        data1.setRecordSource(kRosterQuery);
        data1.refresh();
    } catch (...) {
        // The clerk must see the window and a normal pointer to read why.
        view.showWindow();
        view.setBusyPointer(false);
        throw;
    }
    view.showWindow();
    view.setBusyPointer(false);
}

} // namespace varnel::store
