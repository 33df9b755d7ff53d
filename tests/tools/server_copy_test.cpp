#include "support/roster_file.h"
#include "tool_run.h"

#include <QDir>

using namespace varnel::test;

namespace {

QList<QVariantMap> fileRecords(const QString& path)
{
    return Connection(path).rows(QStringLiteral(R"(SELECT * FROM "Soldier" ORDER BY _rowid_)"));
}

class CopyThroughTheServer : public ::testing::TestWithParam<TableLayout> {};

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
    const QList<QVariantMap> records = fileRecords(original);
    EXPECT_TRUE(there.out.startsWith(QStringLiteral("Copied %1 record(s)").arg(records.size()))) << qPrintable(there.out);
    const ToolRun home = runTool({"copy", server, back});
    ASSERT_EQ(home.exitCode, 0) << qPrintable(home.err);
    EXPECT_EQ(fileRecords(back), records);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"back.mdb", "original.mdb"})) << "no temporary file left";

    EXPECT_GT(Connection::toServer(database)->insert({{"Name", "NEW, RECRUIT"}}), 0) << "a key of its own";

    const QString name = records.value(0).value(QStringLiteral("Name")).toString();
    Connection::toServer(database)->run(QStringLiteral(R"(DELETE FROM "Soldier" WHERE "Name" = ?)"), {name});
    const ToolRun recovered = runTool({"recover", original, server, name});
    EXPECT_TRUE(recovered.out.startsWith("Brought back 1 record(s)")) << qPrintable(recovered.out + recovered.err);
}

INSTANTIATE_TEST_SUITE_P(BothTableLayouts, CopyThroughTheServer, kBothLayouts, layoutName);

TEST(ServerRosterTool, CreateOnceCopyNeverOverATableTotalAndExportTakeTheServer)
{
    QTemporaryDir dir;
    const QString database = makeServerDatabase();
    const QString server = serverLocation(database);
    ASSERT_EQ(runTool({"create", server}).exitCode, 0);

    const QString file = dir.filePath(QStringLiteral("roster.mdb"));
    writeRoster(file, {{{"Name", "ADAMS"}}});
    const QByteArray before = fileBytes(file);
    Connection::toServer(database)->run(QStringLiteral(R"(INSERT INTO "Soldier" ("Name", "TISDate", "DORDate", "1SGTPoints",
        "SSGTPoints") VALUES ('BAKER', '2001-01-01', '2020-01-01', 10, 20))"));
    const QString csv = dir.filePath(QStringLiteral("roster.csv"));
    const struct {
        const char* how;
        QStringList args;
        int exitCode;
        QString says; // standard output begins so, or standard error holds it
    } runs[] = {
        {"create again", {"create", server}, 1, "already holds a table"},
        {"copy onto a server roster", {"copy", file, server}, 1, "already holds a table"},
        {"copy onto a roster file", {"copy", server, file}, 1, "already exists"},
        {"total with --database", {"total", "--database", server}, 0, "Totalled 1 of 1 soldiers"},
        {"export with --database=", {"export", csv, "--database=" + server}, 0, "Wrote " + csv},
        {"export in place of ROSTER", {"export", server, csv, "--force"}, 0, "Wrote " + csv},
    };
    for (const auto& r : runs) {
        SCOPED_TRACE(r.how);
        const ToolRun run = runTool(r.args);
        EXPECT_EQ(run.exitCode, r.exitCode) << qPrintable(run.err);
        EXPECT_TRUE(r.exitCode == 0 ? run.out.startsWith(r.says) : run.err.contains("error 17:") && run.err.contains(r.says))
            << qPrintable(run.out + run.err);
    }
    EXPECT_EQ(fileBytes(file), before) << "the file is as it was";
    EXPECT_EQ(Connection::toServer(database)->rows(R"(SELECT * FROM "Soldier")").size(), 1);
    EXPECT_FALSE(Connection::toServer(database)->rows(R"(SELECT "TOTAL" FROM "Soldier")").value(0).value("TOTAL").isNull())
        << "total stored the worksheet on the server";
    EXPECT_TRUE(QString::fromUtf8(fileBytes(csv)).contains("BAKER"));
}

TEST(ServerRosterTool, ACopyThatFailsHalfwayLeavesNothing)
{
    // Text in a whole-number column; text in a Yes/No column the server reads as a Yes.
    const std::pair<QVariantMap, QStringList> cases[] = {
        {{{"Name", "BAKER"}, {"TOTAL", "eight hundred"}}, {"error 3421:", "BAKER", "22P02"}},
        {{{"Name", "BAKER"}, {"MSM", "yes"}}, {"error 3421:", "BAKER", "does not read back as it was", "MSM"}},
    };
    for (const auto& [baker, mentions] : cases) {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("roster.mdb"));
        writeRoster(file, {{{"Name", "ADAMS"}, {"TOTAL", 800}}, baker});
        const QString database = makeServerDatabase();
        const ToolRun run = runTool({"copy", file, serverLocation(database)});
        EXPECT_EQ(run.exitCode, 1);
        for (const QString& mention : mentions)
            EXPECT_TRUE(run.err.contains(mention)) << qPrintable(run.err) << " lacks " << qPrintable(mention);
        const auto table = Connection::toServer(database)->rows(R"(SELECT to_regclass('"Soldier"') IS NOT NULL AS "there")");
        EXPECT_FALSE(table.value(0).value("there").toBool()) << "the table made for the copy went with it";
    }
}

} // namespace
