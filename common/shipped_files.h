#pragma once

#include <QString>
#include <QStringList>

namespace varnel {

// The report layouts shipped with the program, as bare names: the merit
// list, the worksheets and the NCOES course list.
inline const QString kMeritListLayout = QStringLiteral("varnel_list.rpt");
inline const QString kWorksheetsLayout = QStringLiteral("varnel_work.rpt");
inline const QString kNcoesCourseLayout = QStringLiteral("varnel_nco.rpt");

// The folders that hold the files shipped with the program (the report
// layouts and the help file), searched after the roster's own folder, which
// always comes first. An installed program has one: the data folder of its
// installation prefix (<prefix>/share/varnel beside <prefix>/bin), found
// from the executable's folder so that an installed tree can be moved
// whole. A program run from its build folder uses the source tree's data/
// instead.
QStringList shippedFileFolders();

// The same, for a program whose executable lies in `executableDir`.
QStringList shippedFileFolders(const QString& executableDir);

} // namespace varnel
