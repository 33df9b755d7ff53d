#include "reports/report_commands.h"

#include "common/failure.h"
#include "common/paths.h"
#include "reports/report_control.h"
#include "reports/report_failures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

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

void printWorksheetFor(ReportControl& report1, qint64 recordKey)
{
    // The narrowing holds for this report only, however it ends.
    struct OnlyThisRecord {
        ReportControl& control;
        ~OnlyThisRecord() { control.setOnlyRecord(std::nullopt); }
    } only{report1};
    report1.setOnlyRecord(recordKey);
    runLayoutFromCurrentDirectory(report1, kWorksheetsLayout);
}

LayoutLocation locateLayout(const QString& namedPath, const QStringList& shippedFolders)
{
    const QFileInfo named(namedPath);
    LayoutLocation location{namedPath, named.absolutePath()};
    // exists() sees a dangling link as missing; a link is the clerk's file
    // all the same.
    if (named.exists() || named.isSymLink())
        return location;
    QStringList searched{QDir::toNativeSeparators(named.absoluteFilePath())};
    for (const QString& folder : shippedFolders) {
        const QString candidate = QDir(folder).absoluteFilePath(named.fileName());
        if (QFileInfo(candidate).isFile()) {
            location.path = candidate;
            return location;
        }
        searched << QDir::toNativeSeparators(candidate);
    }
    throw Failure(failure::LayoutUnreadable,
                  QCoreApplication::translate("varnel::reports", "The report layout file %1 was found in none of "
                                                                 "the places it was looked for: %2.")
                      .arg(named.fileName(), searched.join(QStringLiteral(", "))));
}

} // namespace varnel::reports
