#pragma once

#include <QString>

namespace varnel::reports {

class ReportControl;

// The layout files the three report commands hand over, as bare names; the
// command puts the current directory and the leading separator in front.
inline const QString kMeritListLayout = QStringLiteral("varnel_list.rpt");
inline const QString kWorksheetsLayout = QStringLiteral("varnel_work.rpt");
inline const QString kNcoesCourseLayout = QStringLiteral("varnel_nco.rpt");

// The Click handlers of MNU_MERIT, MNU_WORKSHEETS and MNU_NCOES. Each asks for
// the current directory afresh, appends its own layout file name with the
// leading separator (nothing trimmed, nothing tested), then makes exactly two
// requests: the report file, then the run request 0. Nothing else is read or
// written. A failure of the control propagates as varnel::Failure.
void printMeritList(ReportControl& report1);
void printWorksheets(ReportControl& report1);
void printNcoesCourse(ReportControl& report1);

} // namespace varnel::reports
