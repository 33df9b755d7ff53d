#include "tools/recover_soldier.h"

#include "common/failure.h"
#include "common/failure_numbers.h"
#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/recordset.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace varnel::tools {

namespace {

// The records of one soldier, by name; opened like the roster, read only.
void openSoldier(store::DataControl& data, const QString& path, const QString& name)
{
    QString quoted = name;
    quoted.replace(u'\'', QLatin1String("''"));
    data.setDatabaseName(path);
    // "Name" quoted: a server's column keeps its case only so.
    data.setRecordSource(QStringLiteral("SELECT * FROM Soldier WHERE \"Name\" = '%1'").arg(quoted));
    data.refresh();
}

// Every record of the open roster, column name -> value; the generated key
// is left out, since two files give the same soldier different keys.
QList<QHash<QString, store::Value>> recordsOf(store::Recordset& rs)
{
    QList<QHash<QString, store::Value>> records;
    for (int position = 0; position < rs.recordCount(); ++position) {
        QHash<QString, store::Value> record;
        for (int c = 0; c < rs.layout().count(); ++c) {
            if (!rs.layout().at(c).generatedKey)
                record.insert(rs.layout().at(c).name.toCaseFolded(), rs.storedValue(position, c));
        }
        records.append(record);
    }
    return records;
}

} // namespace

int recoverSoldier(const QString& copyPath, const QString& rosterPath, const QString& name)
{
    const QFileInfo copyFile(copyPath);
    const QFileInfo rosterFile(rosterPath);
    if (copyFile.exists() && rosterFile.exists() && copyFile.canonicalFilePath() == rosterFile.canonicalFilePath())
        throw Failure(ToolError::InvalidArgument, QCoreApplication::translate("varnel::tools", "The copy \"%1\" is the roster itself; name a safety copy or an older roster.").arg(copyPath));

    store::DataControl copy;
    openSoldier(copy, copyPath, name);
    const QList<QHash<QString, store::Value>> wanted = recordsOf(copy.recordset());
    if (wanted.isEmpty())
        throw Failure(RecordsetError::NoCurrentRecord,
                      QCoreApplication::translate("varnel::tools", "The copy \"%1\" holds no soldier named \"%2\".").arg(copyPath, name));

    store::DataControl roster;
    openSoldier(roster, rosterPath, name);
    store::Recordset& rs = roster.recordset();
    QList<QHash<QString, store::Value>> present = recordsOf(rs);

    int added = 0;
    for (const QHash<QString, store::Value>& record : wanted) {
        // A record the roster holds as it is (Delete was not the cause, or
        // it was brought back before) is not added a second time.
        if (present.removeOne(record))
            continue;
        rs.addNew();
        for (int c = 0; c < rs.layout().count(); ++c) {
            const store::Column& column = rs.layout().at(c);
            const auto value = record.find(column.name.toCaseFolded());
            if (!column.generatedKey && value != record.end())
                rs.fields(c).setValue(*value);
        }
        rs.update();
        ++added;
    }
    return added;
}

} // namespace varnel::tools
