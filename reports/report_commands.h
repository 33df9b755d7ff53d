#pragma once

#include "common/shipped_files.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace varnel::reports {

class ReportControl;

// The layout files the three report commands hand over, as bare names; the
// command puts the current directory and the leading separator in front.
using varnel::kMeritListLayout;
using varnel::kNcoesCourseLayout;
using varnel::kWorksheetsLayout;

// The Click handlers of MNU_MERIT, MNU_WORKSHEETS and MNU_NCOES. Each asks for
// the current directory afresh, appends its own layout file name with the
// leading separator (nothing trimmed, nothing tested), then makes exactly two
// requests: the report file, then the run request 0. Nothing else is read or
// written. A failure of the control propagates as varnel::Failure.
void printMeritList(ReportControl& report1);
void printWorksheets(ReportControl& report1);
void printNcoesCourse(ReportControl& report1);

// Create Report > Worksheet for This Soldier: the worksheets' layout, as
// printWorksheets hands it over, showing only the record with this key.
void printWorksheetFor(ReportControl& report1, qint64 recordKey);

// Where the report engine finds the layout file a command named.
struct LayoutLocation {
    QString path;        // the file to read
    QString dataFolder;  // where a relative data source lies: the named file's folder
};

// A layout file at `namedPath` (in the roster's folder) is used whenever it
// exists, readable or not, so the clerk's own copy always wins. Otherwise the
// shipped layout of the same name is used from the first of `shippedFolders`
// that holds one; its relative data source is still taken from the named
// folder, so it reports on the clerk's roster, not on a file beside the
// shipped copy. Throws varnel::Failure 5101 naming every file looked for
// when there is none.
LayoutLocation locateLayout(const QString& namedPath, const QStringList& shippedFolders);

} // namespace varnel::reports
