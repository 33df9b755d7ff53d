#include "reports/report_engine.h"
#include "reports/report_failures.h"
#include "reports/report_progress.h"

#include "report_helpers.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>

using namespace varnel::reports;
using namespace varnel::reports::test;

namespace {

constexpr const char* kRoster = "Varnel_DATA.MDB";

QByteArray listLayout(const QByteArray& extra = {}, const QByteArray& query = R"("SELECT \"Name\" FROM \"Soldier\"")")
{
    return R"({"format": 1, "title": "T", "kind": "list", "query": )" + query +
           R"(, "columns": [{"heading": "Name", "field": "Name"}])" + extra + "}";
}

enum class Roster { Sample, None, TextFile, NoSoldierTable, Directory };

struct Case {
    const char* name;
    QByteArray layout; // empty: no layout file at all; "/": a folder of that name
    int number;
    Roster roster = Roster::Sample;
    const char* named = "report.rpt"; // the file the description must name
};

void makeRoster(const QString& path, Roster kind)
{
    switch (kind) {
    case Roster::Sample:
        writeRoster(path, sampleSoldiers());
        break;
    case Roster::None:
        break;
    case Roster::TextFile:
        writeFile(path, "Name,Rank\nAdams,SGT\n");
        break;
    case Roster::NoSoldierTable:
        execOn(path, "CREATE TABLE Notes (Name TEXT)");
        break;
    case Roster::Directory:
        QDir().mkpath(path);
        break;
    }
}

} // namespace

// Every failure names its file, presents nothing, and leaves the folder as it was.
TEST(ReportEngineFailures, MalformedLayoutsSourcesAndQueriesGetTheirNumbers)
{
    const Case cases[] = {
        {"layout missing", {}, failure::LayoutUnreadable},
        {"layout is a folder", "/", failure::LayoutUnreadable},
        {"not JSON", "SELECT * FROM Soldier", failure::NotALayout},
        {"JSON but not an object", "[1, 2, 3]", failure::NotALayout},
        {"no format", R"({"title": "T"})", failure::NotALayout},
        {"format 2", R"({"format": 2, "title": "T"})", failure::UnknownFormat},
        {"format as text", R"({"format": "1"})", failure::UnknownFormat},
        {"no title", R"({"format": 1, "kind": "list", "query": "SELECT 1", "columns": [{"field": "1"}]})", failure::NotALayout},
        {"no query", R"({"format": 1, "title": "T", "kind": "list", "columns": [{"field": "Name"}]})", failure::NotALayout},
        {"no kind", R"({"format": 1, "title": "T", "query": "SELECT 1"})", failure::NotALayout},
        {"unknown kind", R"({"format": 1, "title": "T", "kind": "chart", "query": "SELECT 1"})", failure::NotALayout},
        {"list without columns", R"({"format": 1, "title": "T", "kind": "list", "query": "SELECT 1", "columns": []})", failure::NotALayout},
        {"misspelt key", listLayout(R"(, "pagefooter": "x")"), failure::NotALayout},
        {"bad alignment", R"({"format": 1, "title": "T", "kind": "list", "query": "SELECT 1 AS a", "columns": [{"field": "a", "align": "middle"}]})", failure::NotALayout},
        {"form without lines", R"({"format": 1, "title": "T", "kind": "form", "query": "SELECT 1"})", failure::NotALayout},
        {"field not in the query", listLayout({}, R"("SELECT \"Rank\" FROM \"Soldier\"")"), failure::NotALayout},
        {"data source missing", listLayout(), failure::NotARoster, Roster::None, kRoster},
        {"data source is text", listLayout(), failure::NotARoster, Roster::TextFile, kRoster},
        {"data source is a folder", listLayout(), failure::NotARoster, Roster::Directory, kRoster},
        {"no Soldier table", listLayout(), failure::NotARoster, Roster::NoSoldierTable, kRoster},
        {"other data source missing", listLayout(R"(, "dataSource": "other.db")"), failure::NotARoster, Roster::Sample, "other.db"},
        {"query refused", listLayout({}, R"("DELETE FROM \"Soldier\"")"), failure::QueryRefused},
        {"a write after a reading statement", listLayout({}, R"("SELECT \"Name\" FROM \"Soldier\"; UPDATE \"Soldier\" SET \"TOTAL\" = 0")"), failure::QueryRefused},
        {"a write inside WITH", listLayout({}, R"("WITH t AS (SELECT 1) UPDATE \"Soldier\" SET \"Name\" = 'x'")"), failure::QueryRefused},
        {"another database attached", listLayout({}, R"("ATTACH DATABASE 'spy.db' AS spy")"), failure::QueryRefused},
        {"a pragma", listLayout({}, R"("PRAGMA user_version = 7")"), failure::QueryRefused},
        {"query with a syntax error", listLayout({}, R"("SELECT \"Name\" FROM \"Soldier\" WHERE")"), failure::QueryFailed},
        {"query on a missing table", listLayout({}, R"("SELECT \"Name\" FROM \"Soldiers\"")"), failure::QueryFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString layoutPath = dir.filePath(QStringLiteral("report.rpt"));
        if (c.layout == "/")
            QDir().mkpath(layoutPath);
        else if (!c.layout.isEmpty())
            writeFile(layoutPath, c.layout);
        makeRoster(dir.filePath(QString::fromLatin1(kRoster)), c.roster);
        const QByteArray rosterBefore = fileBytes(dir.filePath(QString::fromLatin1(kRoster)));
        const QStringList entriesBefore = QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);

        QStringList presented;
        ReportEngine engine(std::make_unique<RecordingPresenter>(presented), std::make_unique<SilentProgress>());
        engine.setReportFileName(layoutPath);
        expectFailure([&] { engine.setAction(0); }, c.number, {QString::fromLatin1(c.named)});
        EXPECT_TRUE(presented.isEmpty());
        EXPECT_EQ(QSqlDatabase::connectionNames().filter("varnel-report"), QStringList());
        EXPECT_EQ(fileBytes(dir.filePath(QString::fromLatin1(kRoster))), rosterBefore);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), entriesBefore);
    }
}
