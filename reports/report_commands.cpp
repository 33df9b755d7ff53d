#include "reports/report_commands.h"

#include "common/paths.h"
#include "reports/report_control.h"

#include <QDir>

namespace varnel::reports {

namespace {

void runLayoutFromCurrentDirectory(ReportControl& report1, const QString& layoutName)
{
    // Asked at every command: whatever the directory is now, not at start-up.
    const QString directory = QDir::toNativeSeparators(QDir::currentPath());
    const QString path = fileInDirectory(directory, layoutName);
    report1.setReportFileName(path);
    report1.setAction(0);
}

} // namespace

void printMeritList(ReportControl& report1)
{
    runLayoutFromCurrentDirectory(report1, kMeritListLayout);
}

void printWorksheets(ReportControl& report1)
{
    runLayoutFromCurrentDirectory(report1, kWorksheetsLayout);
}

void printNcoesCourse(ReportControl& report1)
{
    runLayoutFromCurrentDirectory(report1, kNcoesCourseLayout);
}

} // namespace varnel::reports
