#include "common/shipped_files.h"
#include "reports/report_engine.h"
#include "reports/report_failures.h"
#include "reports/report_layout.h"
#include "reports/report_presenter.h"
#include "reports/report_progress.h"
#include "reports/report_renderer.h"

#include "support/roster_file.h"

#include <QDir>
#include <QFileInfo>

using namespace varnel::test;
using namespace varnel::reports;

namespace {

class RecordingPresenter : public ReportPresenter {
public:
    explicit RecordingPresenter(QStringList& made) : made_(made) {}
    void present(const ReportRenderer& report, ReportProgress&) override
    {
        made_ << report.layout().title + " of " + QFileInfo(report.layout().dataSource.text()).canonicalFilePath();
    }

private:
    QStringList& made_;
};

QString layoutTitled(const QString& path, const QString& title)
{
    return writeFile(path, QStringLiteral(R"({"format": 1, "title": "%1", "kind": "list",
        "query": "SELECT Name FROM Soldier", "columns": [{"field": "Name"}]})").arg(title).toUtf8());
}

} // namespace

TEST(ShippedFiles, InstalledBesideThePrograms)
{
    EXPECT_EQ(varnel::shippedFileFolders("/opt/varnel/bin"), QStringList{"/opt/varnel/share/varnel"});
    EXPECT_EQ(varnel::shippedFileFolders(QString()), QStringList());
}

TEST(ShippedFiles, ALayoutInTheRosterFolderWinsElseTheShippedOneReadsThatRoster)
{
    RosterFile roster;
    QTemporaryDir first, second;
    layoutTitled(second.filePath("varnel_list.rpt"), "Second shipped list");
    layoutTitled(second.filePath("varnel_nco.rpt"), "Second shipped NCOES");
    layoutTitled(first.filePath("varnel_nco.rpt"), "First shipped NCOES");
    layoutTitled(roster.directory() + "/varnel_work.rpt", "The clerk's own worksheets");
    // A broken copy in the roster's folder still wins: its failure is shown.
    writeFile(roster.directory() + "/varnel_odd.rpt", "not a layout");
    layoutTitled(first.filePath("varnel_odd.rpt"), "Never used");

    const QString of = " of " + QFileInfo(roster.path()).canonicalFilePath();
    const struct {
        const char* layout;
        QString made; // empty: the failure below
        int failure;
        QStringList inMessage;
    } cases[] = {
        {"varnel_work.rpt", "The clerk's own worksheets" + of, 0, {}},
        {"varnel_nco.rpt", "First shipped NCOES" + of, 0, {}},
        {"varnel_list.rpt", "Second shipped list" + of, 0, {}},
        {"varnel_odd.rpt", {}, failure::NotALayout, {roster.directory() + "/varnel_odd.rpt"}},
        {"varnel_none.rpt", {}, failure::LayoutUnreadable,
         {roster.directory() + "/varnel_none.rpt", first.filePath("varnel_none.rpt"), second.filePath("varnel_none.rpt")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout);
        QStringList made;
        ReportEngine engine(std::make_unique<RecordingPresenter>(made), std::make_unique<SilentProgress>());
        engine.setShippedLayoutFolders({first.path(), second.path()});
        engine.setReportFileName(roster.directory() + '/' + c.layout);
        const auto failure = failureOf([&] { engine.setAction(0); });
        EXPECT_EQ(failure ? failure->number() : 0, c.failure);
        EXPECT_EQ(made, c.made.isEmpty() ? QStringList() : QStringList{c.made}) << "the report is of the roster's folder";
        for (const QString& place : c.inMessage)
            EXPECT_TRUE(failure && failure->description().contains(QDir::toNativeSeparators(place))) << qPrintable(place);
    }
    EXPECT_EQ(filesBeside(roster.path()), QStringList({"varnel_odd.rpt", "varnel_work.rpt"})) << "nothing written there";
}
