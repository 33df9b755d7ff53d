#include "reports/report_engine.h"
#include "reports/report_failures.h"
#include "reports/report_pdf.h"
#include "reports/report_progress.h"

#include "report_helpers.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>

using namespace varnel::reports;
using namespace varnel::reports::test;

TEST(ReportEngine, ProducesEachReportFromItsOwnFileEveryTime)
{
    QTemporaryDir dir;
    writeSampleRoster(dir);
    const QString merit = copyShippedLayout("varnel_list.rpt", dir.path());
    const QString nco = copyShippedLayout("varnel_nco.rpt", dir.path());
    QStringList titles;
    ReportEngine engine(std::make_unique<RecordingPresenter>(titles), std::make_unique<SilentProgress>());
    for (const QString& layout : {merit, merit, nco}) {
        engine.setReportFileName(layout);
        engine.setAction(0);
    }
    EXPECT_EQ(titles, (QStringList{"Merit List", "Merit List", "NCOES Course List"}));
    // Each report's own connection is gone once it is done.
    EXPECT_EQ(QSqlDatabase::connectionNames().filter("varnel-report"), QStringList());
}

TEST(ReportEngine, LeavesTheRosterFileAsFoundInEitherJournalMode)
{
    for (const char* mode : {"DELETE", "WAL"}) {
        SCOPED_TRACE(mode);
        QTemporaryDir dir;
        writeSampleRoster(dir);
        const QString roster = dir.filePath("Varnel_DATA.MDB");
        execOn(roster, QStringLiteral("PRAGMA journal_mode=%1").arg(mode));
        const QString header = journalModeBytes(roster);
        const QString merit = copyShippedLayout("varnel_list.rpt", dir.path());
        QStringList titles;
        ReportEngine engine(std::make_unique<RecordingPresenter>(titles), std::make_unique<SilentProgress>());
        engine.setReportFileName(merit);
        engine.setAction(0);
        EXPECT_EQ(titles, QStringList{"Merit List"});
        EXPECT_EQ(journalModeBytes(roster), header);
        EXPECT_EQ(filesBeside(roster), QStringList{"varnel_list.rpt"}) << "no journal, log or index left beside it";
    }
}

TEST(ReportEngine, CancelEndsTheReportQuietly)
{
    QTemporaryDir dir;
    writeSampleRoster(dir);
    QStringList titles;
    auto progress = std::make_unique<StoppingProgress>(3);
    StoppingProgress* seen = progress.get();
    ReportEngine engine(std::make_unique<RecordingPresenter>(titles), std::move(progress));
    engine.setReportFileName(copyShippedLayout("varnel_list.rpt", dir.path()));
    EXPECT_NO_THROW(engine.setAction(0));
    EXPECT_TRUE(titles.isEmpty());
    EXPECT_EQ(seen->steps, 3);
    EXPECT_EQ(seen->ends, 1);
}

// Straight to PDF, without a window, printed today.
TEST(ReportEngine, ReadsTheDataSourceTheLayoutNames)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("layouts"));
    writeRoster(dir.filePath("archive.db"), {{{"Name", "Only, One"}, {"Rank", "SFC"}, {"TOTAL", 700}}});
    const QString layout = writeFile(
        dir.filePath("layouts/other.rpt"),
        R"({"format": 1, "title": "Other", "kind": "list", "dataSource": "../archive.db",
            "query": ["SELECT \"Name\", \"TOTAL\"", "FROM \"Soldier\""],
            "columns": [{"heading": "Who", "field": "Name"},
                        {"heading": "Points", "field": "TOTAL", "format": "integer", "align": "right"}]})");
    const QString pdf = dir.filePath("other.pdf");
    const QDate before = QDate::currentDate();
    writeReportPdf(layout, pdf);
    const QStringList lines = pdfLines(pdf);
    EXPECT_NE(std::max(findRow(lines, {"Printed " + before.toString("M/d/yyyy")}),
                       findRow(lines, {"Printed " + QDate::currentDate().toString("M/d/yyyy")})), -1);
    EXPECT_NE(findRow(lines, {"Who", "Points"}), -1);
    EXPECT_NE(findRow(lines, {"Only, One", "700"}), -1);
    EXPECT_NE(findRow(lines, {"Roster: archive.db"}), -1);
}

TEST(ReportEngine, FilesThatCannotBeUsedGiveTheirNumbers)
{
    QTemporaryDir dir;
    writeSampleRoster(dir);
    // A layout no one can read, whatever the rights of the user running the
    // tests: this process's own memory, read from its first byte, which is
    // never mapped, fails with an input/output error, even for root.
    const QString locked = dir.filePath("locked.rpt");
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"), locked));
    const struct {
        const char* name;
        QString layout, pdf;
        int number;
        const char* named;
        const char* says;
    } cases[] = {
        {"no layout named", QString(), dir.filePath("x.pdf"), failure::LayoutUnreadable, "", "No report layout file"},
        {"layout not readable", locked, dir.filePath("x.pdf"), failure::LayoutUnreadable, "locked.rpt",
         "cannot be read"},
        {"PDF not writable", copyShippedLayout("varnel_nco.rpt", dir.path()), dir.filePath("no/such/out.pdf"),
         failure::OutputFailed, "out.pdf", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectFailure([&] { writeReportPdf(c.layout, c.pdf); }, c.number, {c.named, c.says});
    }
}
