// `varnel-roster total ROSTER`: Total All Soldiers without a window.

#include "points/clock.h"
#include "points/date_services.h"
#include "points/total_all.h"
#include "store/data_control.h"
#include "store/record_commands.h"

#include <QString>
#include <cstdio>

int runTotal(const QString& rosterPath)
{
    varnel::store::DataControl data1;
    data1.setKeepsHistory(false); // nothing here is undone
    data1.setDatabaseName(rosterPath);
    data1.setRecordSource(varnel::store::kRosterQuery);
    data1.refresh();
    varnel::points::SystemClock clock;
    const varnel::points::TotalAllSummary summary =
        varnel::points::totalAllSoldiers(data1, clock, varnel::points::systemDateSeparator(), [](int, int) { return true; });
    std::printf("%s\n", qPrintable(summary.headline()));
    if (const QString details = summary.details(); !details.isEmpty())
        std::printf("\n%s\n", qPrintable(details));
    return summary.refused.isEmpty() ? 0 : 1;
}
