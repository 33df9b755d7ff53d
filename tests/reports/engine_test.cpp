#include "reports/report_engine.h"
#include "reports/report_failures.h"
#include "reports/report_pdf.h"
#include "reports/report_progress.h"

#include "report_helpers.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>

using namespace varnel::reports;
using namespace varnel::reports::test;

namespace {

QStringList entriesOf(const QString& dir) { return QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries); }

QByteArray repeated(const QByteArray& item, int times)
{
    QByteArrayList items;
    for (int i = 0; i < times; ++i)
        items << QByteArray(item).replace("%", QByteArray::number(i));
    return items.join(", ");
}

} // namespace

TEST(ReportEngine, UnusableOrOversizedLayoutsSourcesAndQueriesGetTheirNumbers)
{
    ReportLimits small;
    small.queryMilliseconds = 300;
    small.dataBytes = 1 << 20;
    small.valueBytes = 4096;
    const QByteArray names = "SELECT \\\"Name\\\" FROM \\\"Soldier\\\"";
    const QByteArray one = "SELECT 1 AS \\\"Name\\\"";
    auto withName = [&](const QByteArray& keys) { return listLayoutOver(one).replace(R"("field": "Name")", keys); };
    enum Roster { Sample, TextFile, NoSoldierTable };
    const struct {
        const char* name;
        QByteArray layout; // empty: no file
        int number;
        QStringList named = {"report.rpt"};
        Roster roster = Sample;
        ReportLimits limits = {};
    } cases[] = {
        {"layout missing", {}, failure::LayoutUnreadable},
        {"not JSON", "SELECT * FROM Soldier", failure::NotALayout},
        {"format 2", R"({"format": 2, "title": "T"})", failure::UnknownFormat},
        {"unknown kind", R"({"format": 1, "title": "T", "kind": "chart", "query": "SELECT 1"})", failure::NotALayout},
        {"misspelt key", listLayoutOver(names, R"(, "pagefooter": "x")"), failure::NotALayout},
        {"field not in the query", listLayoutOver("SELECT \\\"Rank\\\" FROM \\\"Soldier\\\""), failure::NotALayout},
        {"width out of range", withName(R"("field": "Name", "width": 5000)"), failure::NotALayout, {"not 5000"}},
        {"3.9 MB date format", listLayoutOver(one, ", \"dateFormat\": \"" + QByteArray(3'900'000, 'y') + '"'),
         failure::LayoutTooLarge, {"report.rpt", "262144 bytes"}},
        {"long date format", listLayoutOver(one, ", \"dateFormat\": \"" + QByteArray(200, 'd') + '"'), failure::LayoutTooLarge,
         {"\"dateFormat\" in the layout is 200 characters long (\"dddddddd"}},
        {"too many columns", R"({"format": 1, "title": "T", "kind": "list", "query": "SELECT 1 AS a", "columns": [)"
             + repeated(R"({"field": "a"})", 101) + "]}", failure::LayoutTooLarge, {"101 columns"}},
        {"too many form lines", R"({"format": 1, "title": "T", "kind": "form", "query": "SELECT 1 AS a", "lines": [)"
             + repeated(R"({"label": "L", "field": "a"})", 501) + "]}", failure::LayoutTooLarge, {"501 lines"}},
        {"too many map entries", withName(R"("field": "Name", "map": {)" + repeated(R"("%": "x")", 1001) + "}"),
         failure::LayoutTooLarge, {"1001 entries"}},
        {"data source is text", listLayoutOver(names), failure::NotARoster, {"Varnel_DATA.MDB"}, TextFile},
        {"no Soldier table", listLayoutOver(names), failure::NotARoster, {"Varnel_DATA.MDB"}, NoSoldierTable},
        {"other data source missing", listLayoutOver(names, R"(, "dataSource": "other.db")"), failure::NotARoster, {"other.db"}},
        {"query refused", listLayoutOver("DELETE FROM \\\"Soldier\\\""), failure::QueryRefused},
        {"query failed", listLayoutOver(names + " WHERE"), failure::QueryFailed},
        {"endless recursive WITH",
         listLayoutOver("WITH RECURSIVE r(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM r) SELECT x AS \\\"Name\\\" FROM r"),
         failure::ReportTooLarge, {"report.rpt", "1 MiB"}, Sample, small},
        {"endless WITH without rows", listLayoutOver(kEndlessCount), failure::QueryTimedOut, {"0.3 seconds"}, Sample, small},
        {"randomblob(1e9)", listLayoutOver("SELECT randomblob(1e9) AS \\\"Name\\\""), failure::ReportTooLarge, {"8 MiB"}},
        {"zeroblob made into text", listLayoutOver("SELECT hex(zeroblob(3000)) AS \\\"Name\\\""), failure::ReportTooLarge,
         {"4096 bytes"}, Sample, small},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString roster = dir.filePath("Varnel_DATA.MDB");
        const QString layout = dir.filePath("report.rpt");
        if (!c.layout.isEmpty())
            writeFile(layout, c.layout);
        if (c.roster == Sample)
            writeRoster(roster, sampleSoldiers());
        else if (c.roster == TextFile)
            writeFile(roster, "Name,Rank\nAdams,SGT\n");
        else if (c.roster == NoSoldierTable)
            execOn(roster, "CREATE TABLE Notes (Name TEXT)");
        const QByteArray rosterBefore = fileBytes(roster);
        const QStringList entriesBefore = entriesOf(dir.path());

        ReportEngine engine(std::make_unique<PdfPresenter>(dir.filePath("out.pdf"), ExistingPdf::Refuse),
                            std::make_unique<SilentProgress>());
        engine.setLimits(c.limits);
        engine.setReportFileName(layout);
        expectFailure([&] { engine.setAction(0); }, c.number, c.named);
        EXPECT_EQ(QSqlDatabase::connectionNames().filter("varnel-report"), QStringList());
        EXPECT_EQ(fileBytes(roster), rosterBefore);
        EXPECT_EQ(entriesOf(dir.path()), entriesBefore) << "no PDF, no journal";
    }
}

// Cancel between rows (inside SQLite: tests/ui's CancelButtonStopsALongQuery)
// ends quietly; a progress window out of memory, with a number.
TEST(ReportBounds, CancelEndsQuietlyAndAFailingProgressWithANumber)
{
    const QByteArray soldiers = "SELECT \\\"Name\\\" FROM \\\"Soldier\\\"";
    const struct { const char* stage; QByteArray query; } cases[] = {
        {"", soldiers}, {"Reading", kEndlessCount}, {"Reading", soldiers}, {"Laying out", soldiers}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stage + (" " + c.query.toStdString()));
        LayoutFolder folder(listLayoutOver(c.query));
        std::unique_ptr<ReportProgress> progress = std::make_unique<StoppingProgress>(3);
        if (*c.stage)
            progress = std::make_unique<ThrowingProgress>(QString::fromLatin1(c.stage));
        ReportEngine engine(std::make_unique<PdfPresenter>(folder.pdf, ExistingPdf::Refuse), std::move(progress));
        engine.setReportFileName(folder.layout);
        EXPECT_EQ(failureNumber([&] { engine.setAction(0); }), *c.stage ? failure::ReportTooLarge : 0);
        folder.expectLeftAsFound();
    }
}

// Never over a WAL roster (by any name), its journal or the layout; over another
// file only when allowed. Replacing, a missing folder: tests/ui's PreviewPresenter.
TEST(PdfOutput, RefusesTheInputsAndWhatIsNoPlainFile)
{
    const struct {
        const char* target; // in the folder
        ExistingPdf existing;
        int number; // 0: written
    } cases[] = {
        {"roster-hard.pdf", ExistingPdf::Replace, failure::OutputIsInput},
        {"journal-link.pdf", ExistingPdf::Replace, failure::OutputIsInput},
        {"layout-link.pdf", ExistingPdf::Replace, failure::OutputIsInput},
        {"other.pdf", ExistingPdf::Refuse, failure::OutputExists},
        {"new.pdf", ExistingPdf::Refuse, 0},
        {"sub", ExistingPdf::Replace, failure::OutputFailed},
        {"pipe.pdf", ExistingPdf::Replace, failure::OutputFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        OutputFolder folder;
        execOn(folder.roster, "PRAGMA journal_mode=WAL");
        folder.rosterBytes = fileBytes(folder.roster);
        const QString target = folder.dir.filePath(c.target);
        QStringList expected = folder.entries();
        if (c.number == 0) {
            const QString today = "Printed " + QDate::currentDate().toString("M/d/yyyy");
            EXPECT_FALSE(failureOf([&] { writeReportPdf(folder.layout, target, c.existing); }));
            ASSERT_TRUE(isPdf(target));
            const QString text = pdfText(target);
            EXPECT_TRUE(text.contains(today) || text.contains("Printed " + QDate::currentDate().toString("M/d/yyyy")));
            expected << c.target;
            expected.sort();
        } else {
            expectFailure([&] { writeReportPdf(folder.layout, target, c.existing); }, c.number, {c.target});
            EXPECT_EQ(fileBytes(folder.other), kKeep);
        }
        EXPECT_EQ(folder.entries(), expected) << "no temporary file left";
        folder.expectInputsUnchanged();
        EXPECT_FALSE(QFileInfo(folder.dir.filePath("pipe.pdf")).isFile()) << "the pipe is still a pipe";
    }
}
