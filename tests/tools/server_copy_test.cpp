// varnel-roster's create and copy with a roster on a PostgreSQL server, run
// as a process the way an administrator runs them.
#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/recordset.h"

#include "support/roster_file.h"
#include "tool_run.h"

#include <QDir>
#include <QFileInfo>

using namespace varnel;
using namespace varnel::test;

namespace {

// Every record of the file at `path`, as another program reads it.
QList<QVariantMap> fileRecords(const QString& path)
{
    return Connection(path).rows(QStringLiteral(R"(SELECT * FROM "Soldier" ORDER BY _rowid_)"));
}

bool serverHasSoldierTable(const QString& database)
{
    auto server = Connection::toServer(database);
    const auto rows = server->rows(QStringLiteral(R"(SELECT to_regclass('"Soldier"') IS NOT NULL AS "there")"));
    return rows.value(0).value(QStringLiteral("there")).toBool();
}

class CopyThroughTheServer : public ::testing::TestWithParam<TableLayout> {};

// A roster with the values other programs and hurried typing leave, copied
// to a server and back, is the roster it was; the server then gives a new
// record a key of its own after the copied ones.
TEST_P(CopyThroughTheServer, FileToServerToFileGivesTheSameRecords)
{
    QTemporaryDir dir;
    const QString original = dir.filePath(QStringLiteral("original.mdb"));
    if (GetParam() == TableLayout::Standard) {
        ASSERT_EQ(runTool({"sample", original, "--count", "120", "--edge-cases"}).exitCode, 0);
    } else {
        writeRoster(original,
                    {{{"Name", "O'Neil, \"Red\""}, {"TISDate", "2001-09-11 08:46:00"}, {"MSM", 1}, {"Remarks", ""}},
                     {{"Name", "Ångström, Åsa"}, {"TISDate", "soon"}, {"DORDate", "2/30/2021"}, {"TOTAL", 845}},
                     {{"Rank", "SGT"}, {"APFTPoints", -3}, {"Unit", "B Co; 2-7 INF"}, {"AAM", 0}}},
                    TableLayout::Rearranged);
    }
    const QString database = makeServerDatabase();
    const QString server = serverLocation(database);
    const QString back = dir.filePath(QStringLiteral("back.mdb"));

    const ToolRun there = runTool({"copy", original, server});
    ASSERT_EQ(there.exitCode, 0) << qPrintable(there.err);
    const int count = int(fileRecords(original).size());
    EXPECT_TRUE(there.out.startsWith(QStringLiteral("Copied %1 record(s)").arg(count))) << qPrintable(there.out);
    const ToolRun home = runTool({"copy", server, back});
    ASSERT_EQ(home.exitCode, 0) << qPrintable(home.err);
    EXPECT_EQ(fileRecords(back), fileRecords(original));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"back.mdb", "original.mdb"})) << "no temporary file left";

    store::DataControl data1;
    data1.setDatabaseName(server);
    data1.setRecordSource(store::kRosterQuery);
    data1.refresh();
    EXPECT_EQ(data1.recordset().recordCount(), count);
    store::addRecord(data1);
    data1.setPending(QStringLiteral("Name"), store::Value::text(QStringLiteral("NEW, RECRUIT")));
    store::updateRecord(data1);
    EXPECT_EQ(Connection::toServer(database)->rows(QStringLiteral(R"(SELECT * FROM "Soldier")")).size(), count + 1);

    // A soldier deleted on the server comes back from the file.
    QString name;
    for (const QVariantMap& record : fileRecords(original))
        name = name.isEmpty() ? record.value(QStringLiteral("Name")).toString() : name;
    Connection::toServer(database)->run(QStringLiteral(R"(DELETE FROM "Soldier" WHERE "Name" = ?)"), {name});
    const ToolRun recovered = runTool({"recover", original, server, name});
    EXPECT_EQ(recovered.exitCode, 0) << qPrintable(recovered.err);
    EXPECT_TRUE(recovered.out.startsWith(QStringLiteral("Brought back 1 record(s)"))) << qPrintable(recovered.out);
}

INSTANTIATE_TEST_SUITE_P(BothTableLayouts, CopyThroughTheServer, kBothLayouts, layoutName);

TEST(ServerRosterTool, CreateMakesAnEmptyRosterOnceAndCopyNeverWritesOverOne)
{
    QTemporaryDir dir;
    const QString database = makeServerDatabase();
    const QString server = serverLocation(database);
    const ToolRun created = runTool({"create", server});
    ASSERT_EQ(created.exitCode, 0) << qPrintable(created.err);
    store::DataControl data1;
    data1.setDatabaseName(server);
    data1.refresh();
    EXPECT_EQ(data1.recordset().recordCount(), 0);

    const QString file = dir.filePath(QStringLiteral("roster.mdb"));
    writeRoster(file, {{{"Name", "ADAMS"}}});
    const QByteArray before = fileBytes(file);
    const struct {
        const char* why;
        QStringList args;
        QString mention;
    } refused[] = {
        {"create again", {"create", server}, "already holds a table"},
        {"copy onto a server roster", {"copy", file, server}, "already holds a table"},
        {"copy onto a roster file", {"copy", server, file}, "already exists"},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.why);
        const ToolRun run = runTool(r.args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains("error 17:") && run.err.contains(r.mention)) << qPrintable(run.err);
    }
    EXPECT_EQ(fileBytes(file), before) << "the file is as it was";
    EXPECT_EQ(Connection::toServer(database)->rows(QStringLiteral(R"(SELECT * FROM "Soldier")")).size(), 0);
}

// total and export on a server roster, named in place of ROSTER or with
// --database, as `varnel --database` names it.
TEST(ServerRosterTool, TotalAndExportTakeTheServerAsTheRoster)
{
    RosterFile roster(RosterKind{Engine::Server, TableLayout::Standard});
    roster.insert({{"Name", "ADAMS"}, {"TISDate", "2001-01-01"}, {"DORDate", "2020-01-01"}, {"1SGTPoints", 10},
                   {"SSGTPoints", 20}});
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("roster.csv"));
    const struct {
        const char* how;
        QStringList args;
        int exitCode;
        QString out;
    } runs[] = {
        {"total with --database", {"total", "--database", roster.location()}, 0, "Totalled 1 of 1 soldiers"},
        {"export with --database=", {"export", csv, "--database=" + roster.location()}, 0, "Wrote " + csv},
        {"export in place of ROSTER", {"export", roster.location(), csv, "--force"}, 0, "Wrote " + csv},
        {"--database without a URI", {"total", "--database"}, 2, "--database needs a server's URI."},
        {"--database naming a file", {"total", "--database", csv}, 2, "is not one libpq reads"},
    };
    for (const auto& r : runs) {
        SCOPED_TRACE(r.how);
        const ToolRun run = runTool(r.args);
        EXPECT_EQ(run.exitCode, r.exitCode) << qPrintable(run.err);
        if (r.exitCode == 0)
            EXPECT_TRUE(run.out.startsWith(r.out)) << qPrintable(run.out);
        else
            EXPECT_TRUE(run.err.contains(r.out)) << qPrintable(run.err);
    }
    EXPECT_FALSE(roster.recordNamed("ADAMS").value("TOTAL").isNull()) << "total stored the worksheet on the server";
    EXPECT_TRUE(QString::fromUtf8(fileBytes(csv)).contains("ADAMS"));
}

// A value the server's column cannot hold, or holds as something else (a
// file takes anything in any column): the copy fails naming the soldier and
// leaves nothing behind.
TEST(ServerRosterTool, ACopyThatFailsHalfwayLeavesNothing)
{
    const struct {
        const char* why;
        QVariantMap baker;
        QStringList mentions;
    } cases[] = {
        {"text in a whole-number column", {{"Name", "BAKER"}, {"TOTAL", "eight hundred"}}, {"error 3421:", "BAKER", "22P02"}},
        {"text in a Yes/No column that the server reads as a Yes",
         {{"Name", "BAKER"}, {"MSM", "yes"}},
         {"error 3421:", "BAKER", "does not read back as it was", "MSM"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("roster.mdb"));
        writeRoster(file, {{{"Name", "ADAMS"}, {"TOTAL", 800}}, c.baker});
        const QString database = makeServerDatabase();
        const ToolRun run = runTool({"copy", file, serverLocation(database)});
        EXPECT_EQ(run.exitCode, 1);
        for (const QString& mention : c.mentions)
            EXPECT_TRUE(run.err.contains(mention)) << qPrintable(run.err) << " lacks " << qPrintable(mention);
        EXPECT_FALSE(serverHasSoldierTable(database)) << "the table made for the copy went with it";
    }
}

} // namespace
