// `varnel-roster export ROSTER CSV [--merit] [--force]`: File > Export
// without a window.

#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/roster_export.h"

#include <QString>
#include <cstdio>

int runExport(const QString& rosterPath, const QString& csvPath, bool merit, bool force)
{
    varnel::store::DataControl data1;
    data1.setDatabaseName(rosterPath);
    data1.setRecordSource(varnel::store::kRosterQuery);
    data1.refresh();
    const auto kind = merit ? varnel::store::ExportKind::MeritList : varnel::store::ExportKind::Roster;
    varnel::store::exportCsv(data1, kind, csvPath, force);
    std::printf("Wrote %s\n", qPrintable(csvPath));
    return 0;
}
