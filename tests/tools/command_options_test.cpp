#include "support/roster_file.h"
#include "tool_run.h"

using namespace varnel::test;

TEST(CommandOptions, MistakesAreNamedEndWithTwoAndLeaveNoFile)
{
    QTemporaryDir dir;
    ASSERT_EQ(runTool({"create", "roster.db"}, 60000, dir.path()).exitCode, 0);
    const QString count = "--count must be a whole number from 0 to 10000000, not ";
    const std::pair<QStringList, QString> cases[] = { // the message after "varnel-roster: "
        {{"sample", "f.db", "--count"}, "--count needs a number."},
        {{"sample", "f.db", "--count", "10000001"}, count + "\"10000001\"."},
        {{"sample", "f.db", "--count", "-1"}, count + "\"-1\"."},
        {{"sample", "f.db", "--count", "x", "--count", "3"}, count + "\"x\"."},
        {{"sample", "f.db", "--count", "3", "--seed", "4294967296"},
         "--seed must be a whole number from 0 to 4294967295, not \"4294967296\"."},
        {{"sample", "f.db", "g.db", "--count", "3"}, "unexpected argument \"g.db\"."},
        {{"sample", "f.db", "--count", "3", "--edge-cases=yes"}, "unexpected argument \"--edge-cases=yes\"."},
        {{"sample", "f.db", "--count", "3", "-x"}, "unexpected argument \"-x\"."},
        {{"sample", "--count", "3"}, "sample needs FILE and --count N."},
        {{"sample", "f.db", "--seed", "3"}, "sample needs FILE and --count N."},
        {{"report", "a.rpt", "b.pdf", "--bogus"}, "unexpected option \"--bogus\"."},
        {{"report", "--force", "a.rpt", "b.pdf", "c.pdf"}, "report takes LAYOUT and PDF."},
        {{"export", "roster.db", "c.csv", "--merit", "--bogus"}, "unexpected option \"--bogus\"."},
        {{"export", "roster.db", "--force", "c.csv", "d.csv"}, "export takes ROSTER and CSV."},
        {{"total", "--database"}, "--database needs a server's URI."},
        {{"total", "--database", "roster.db"}, "The address given with --database is not one libpq reads"},
    };
    for (const auto& [args, says] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ToolRun run = runTool(args, 60000, dir.path());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains("varnel-roster: " + says)) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(".\n\nUsage: ") && run.err.contains("varnel-roster sample FILE --count N"))
            << "the help follows the mistake";
        EXPECT_EQ(run.out, QString());
        EXPECT_EQ(filesBeside(dir.filePath("roster.db")), QStringList());
    }
}

TEST(CommandOptions, StandAnywhereAmongTheFilesAndAreTheOnesUsed)
{
    QTemporaryDir dir;
    const auto rows = [&](const QString& name) { return Connection(dir.filePath(name)).rows("SELECT * FROM Soldier"); };

    const QStringList spellings[] = {
        {"sample", "--seed", "5", "--count", "4", "a.db"},
        {"sample", "b.db", "--count=4", "--seed=5"},
        {"sample", "--count", "9", "--count", "4", "--seed", "5", "--", "d.db"},
    };
    for (const QStringList& args : spellings) {
        const ToolRun run = runTool(args, 60000, dir.path());
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.startsWith("Wrote 4 soldiers to ")) << run.out.toStdString();
    }
    const QList<QVariantMap> first = rows("a.db");
    ASSERT_EQ(first.size(), 4);
    for (const char* name : {"b.db", "d.db"})
        EXPECT_EQ(rows(name), first) << name;
    ASSERT_EQ(runTool({"sample", "e.db", "--count", "4", "--seed", "6"}, 60000, dir.path()).exitCode, 0);
    EXPECT_NE(rows("e.db"), first) << "the seed is used";

    const struct {
        QStringList args;
        int exitCode;
        const char* header; // the CSV's first line afterwards
    } exports[] = {
        {{"export", "a.db", "list.csv"}, 0, "ID,Name,Rank"},
        {{"export", "a.db", "list.csv", "--merit"}, 1, "ID,Name,Rank"},
        {{"export", "--merit", "a.db", "list.csv", "--force"}, 0, "Group,Place,"},
        {{"export", "a.db", "--force", "list.csv"}, 0, "ID,Name,Rank"},
    };
    for (const auto& c : exports) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ToolRun run = runTool(c.args, 60000, dir.path());
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        const QString csv = QString::fromUtf8(fileBytes(dir.filePath("list.csv")));
        EXPECT_TRUE(csv.startsWith(c.header)) << qPrintable(csv.left(80));
    }
}

// A computer whose PostgreSQL client library is missing or damaged: roster
// files work as ever, and a server's address says what is wrong and leaves
// the file it was to be copied from as it was.
TEST(CommandOptions, WithoutAWorkingLibpqFilesStillWorkAndAServerSaysWhy)
{
    QTemporaryDir dir;
    QFile damaged(dir.filePath("libpq.so.5"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly)); // empty: not a library
    damaged.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LD_LIBRARY_PATH", dir.path());
    const auto run = [&](const QStringList& args) {
        return runToEnd(QStringLiteral(VARNEL_ROSTER_TOOL), args, 60000, dir.path(), environment);
    };
    const ToolRun sample = run({"sample", "a.db", "--count", "3"});
    ASSERT_EQ(sample.exitCode, 0) << qPrintable(sample.err);
    const QByteArray before = fileBytes(dir.filePath("a.db"));
    for (const char* server : {"postgresql:///battalion?host=/nowhere", "host=/nowhere dbname=battalion"}) {
        const ToolRun copy = run({"copy", "a.db", server});
        EXPECT_NE(copy.exitCode, 0);
        EXPECT_TRUE(copy.err.contains("the PostgreSQL client library (libpq) cannot be loaded")
                    && copy.err.contains(damaged.fileName()))
            << qPrintable(copy.err);
    }
    EXPECT_EQ(fileBytes(dir.filePath("a.db")), before);
}
