#include "store/record_commands.h"

#include "common/paths.h"
#include "store/data_control.h"

namespace varnel::store {

QString rosterPath(const QString& currentDirectory)
{
    return fileInDirectory(currentDirectory, kRosterFileName);
}

void loadRoster(DataControl& data1, const QString& currentDirectory)
{
    openRosterAt(data1, rosterPath(currentDirectory));
}

void openRosterAt(DataControl& data1, const QString& location)
{
    data1.setDatabaseName(location);
    data1.setRecordSource(kRosterQuery);
    data1.refresh();
}

void reloadRoster(DataControl& data1)
{
    data1.setRecordSource(kRosterQuery);
    data1.refresh();
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

void addRecordFrom(DataControl& data1, const QList<Value>& values)
{
    Recordset& rs = data1.recordset();
    rs.addNew();
    for (int c = 0; c < rs.layout().count() && c < values.size(); ++c) {
        if (!rs.layout().at(c).generatedKey)
            rs.fields(c).setValue(values.at(c));
    }
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

} // namespace varnel::store
