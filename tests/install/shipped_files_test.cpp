// The shipped report layouts and help file, found from a roster folder that
// has none: the folder's own copy wins, then the installed data folder (or
// the source tree's data/ for a program run from its build); the data are
// always the roster folder's; and a layout found nowhere names every place.
#include "common/failure.h"
#include "common/shipped_files.h"
#include "reports/report_commands.h"
#include "reports/report_engine.h"
#include "reports/report_failures.h"
#include "reports/report_layout.h"
#include "reports/report_presenter.h"
#include "reports/report_progress.h"
#include "reports/report_renderer.h"

#include "support/roster_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace varnel::test;
using namespace varnel::reports;

namespace {

const QString kSourceData = QStringLiteral(VARNEL_SOURCE_DIR "/data");

// What a report was made from: its title and the roster it read.
struct Made {
    QString title;
    QString roster;
};

class RecordingPresenter : public ReportPresenter {
public:
    explicit RecordingPresenter(QList<Made>& made) : made_(made) {}
    void present(const ReportRenderer& report, ReportProgress&) override
    {
        made_.append({report.layout().title, QFileInfo(report.layout().dataSource).canonicalFilePath()});
    }

private:
    QList<Made>& made_;
};

QString layoutTitled(const QString& path, const QString& title)
{
    return writeFile(path, QStringLiteral(R"({"format": 1, "title": "%1", "kind": "list",
        "query": "SELECT Name FROM Soldier", "columns": [{"field": "Name"}]})").arg(title).toUtf8());
}

} // namespace

TEST(ShippedFiles, InstalledBesideTheProgramsOrInTheSourceTreeForTheBuild)
{
    // An installed tree: <prefix>/bin and <prefix>/share/varnel.
    EXPECT_EQ(varnel::shippedFileFolders("/opt/varnel/bin"), QStringList{"/opt/varnel/share/varnel"});
    EXPECT_EQ(varnel::shippedFileFolders("/usr/bin"), QStringList{"/usr/share/varnel"});
    EXPECT_EQ(varnel::shippedFileFolders(QString()), QStringList());
    // This test runs from the build folder, beside the programs.
    ASSERT_EQ(varnel::shippedFileFolders().size(), 1);
    EXPECT_EQ(QFileInfo(varnel::shippedFileFolders().first()).canonicalFilePath(),
              QFileInfo(kSourceData).canonicalFilePath());
}

TEST(ShippedFiles, ALayoutInTheRosterFolderWinsElseTheShippedOneReadsThatRoster)
{
    RosterFile roster;
    roster.insertNames({"ADAMS"});
    QTemporaryDir firstShipped, secondShipped;
    layoutTitled(secondShipped.filePath("varnel_list.rpt"), "Second shipped list");
    layoutTitled(secondShipped.filePath("varnel_nco.rpt"), "Second shipped NCOES");
    layoutTitled(firstShipped.filePath("varnel_nco.rpt"), "First shipped NCOES");
    layoutTitled(roster.directory() + "/varnel_work.rpt", "The clerk's own worksheets");
    // A broken copy in the roster's folder still wins: its failure is shown,
    // not hidden behind a shipped one.
    writeFile(roster.directory() + "/varnel_odd.rpt", "not a layout");
    layoutTitled(firstShipped.filePath("varnel_odd.rpt"), "Never used");

    const QString rosterFile = QFileInfo(roster.path()).canonicalFilePath();
    const struct {
        const char* layout;
        const char* title;  // nullptr: the failure below
        int failure;
        QStringList inMessage;
    } cases[] = {
        {"varnel_work.rpt", "The clerk's own worksheets", 0, {}},
        {"varnel_nco.rpt", "First shipped NCOES", 0, {}},
        {"varnel_list.rpt", "Second shipped list", 0, {}},
        {"varnel_odd.rpt", nullptr, failure::NotALayout, {roster.directory() + "/varnel_odd.rpt"}},
        {"varnel_none.rpt", nullptr, failure::LayoutUnreadable,
         {roster.directory() + "/varnel_none.rpt", firstShipped.filePath("varnel_none.rpt"),
          secondShipped.filePath("varnel_none.rpt")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout);
        QList<Made> made;
        ReportEngine engine(std::make_unique<RecordingPresenter>(made), std::make_unique<SilentProgress>());
        engine.setShippedLayoutFolders({firstShipped.path(), secondShipped.path()});
        engine.setReportFileName(roster.directory() + '/' + c.layout);
        try {
            engine.setAction(0);
            ASSERT_TRUE(c.title) << "no failure";
            ASSERT_EQ(made.size(), 1);
            EXPECT_EQ(made[0].title, c.title);
            EXPECT_EQ(made[0].roster, rosterFile) << "the report is of the roster's folder";
        } catch (const varnel::Failure& failure) {
            ASSERT_FALSE(c.title) << failure.description().toStdString();
            EXPECT_EQ(failure.number(), c.failure);
            for (const QString& place : c.inMessage)
                EXPECT_TRUE(failure.description().contains(QDir::toNativeSeparators(place)))
                    << place.toStdString() << " in " << failure.description().toStdString();
            EXPECT_TRUE(made.isEmpty());
        }
    }
}

// The shipped layouts themselves, from the build's data/, on a roster folder
// that holds nothing but the roster; an engine told of no shipped folders
// (varnel-roster's) reads the named file only.
TEST(ShippedFiles, EveryShippedLayoutReportsOnAFolderWithOnlyTheRoster)
{
    RosterFile roster;
    roster.insertNames({"ADAMS", "BAKER"});
    for (const QString& name : {kMeritListLayout, kWorksheetsLayout, kNcoesCourseLayout}) {
        SCOPED_TRACE(name.toStdString());
        QList<Made> made;
        ReportEngine engine(std::make_unique<RecordingPresenter>(made), std::make_unique<SilentProgress>());
        engine.setShippedLayoutFolders(varnel::shippedFileFolders());
        engine.setReportFileName(roster.directory() + '/' + name);
        EXPECT_NO_THROW(engine.setAction(0));
        ASSERT_EQ(made.size(), 1);
        EXPECT_EQ(made[0].roster, QFileInfo(roster.path()).canonicalFilePath());

        ReportEngine namedOnly(std::make_unique<RecordingPresenter>(made), std::make_unique<SilentProgress>());
        namedOnly.setReportFileName(roster.directory() + '/' + name);
        try {
            namedOnly.setAction(0);
            ADD_FAILURE() << "a missing layout was reported on";
        } catch (const varnel::Failure& failure) {
            EXPECT_EQ(failure.number(), failure::LayoutUnreadable);
        }
    }
    EXPECT_EQ(QDir(roster.directory()).entryList(QDir::Files), QStringList{"Varnel_DATA.MDB"});
}
