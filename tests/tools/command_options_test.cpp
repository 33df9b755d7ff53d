// varnel-roster's commands with options (sample, report, export) read them
// wherever they stand among the files: a mistake is named, ends with 2 and
// leaves no file, and the options given are the ones the command uses.
#include "support/roster_file.h"
#include "tool_run.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace varnel::test;

namespace {

QStringList filesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden, QDir::Name);
}

QString firstLine(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readLine()).trimmed();
}

} // namespace

TEST(CommandOptions, MistakesAreNamedEndWithTwoAndLeaveNoFile)
{
    QTemporaryDir dir;
    ASSERT_EQ(runTool({"create", "roster.db"}, 60000, dir.path()).exitCode, 0);
    const struct {
        QStringList args;
        const char* says; // after "varnel-roster: "
    } cases[] = {
        {{"sample", "f.db", "--count"}, "--count needs a number."},
        {{"sample", "f.db", "--count", "3", "--seed"}, "--seed needs a number."},
        {{"sample", "f.db", "--count", "x"}, "--count must be a whole number from 0 to 10000000, not \"x\"."},
        {{"sample", "f.db", "--count", "10000001"},
         "--count must be a whole number from 0 to 10000000, not \"10000001\"."},
        {{"sample", "f.db", "--count", "-1"}, "--count must be a whole number from 0 to 10000000, not \"-1\"."},
        {{"sample", "f.db", "--count", "x", "--count", "3"},
         "--count must be a whole number from 0 to 10000000, not \"x\"."},
        {{"sample", "f.db", "--count", "3", "--seed", "4294967296"},
         "--seed must be a whole number from 0 to 4294967295, not \"4294967296\"."},
        {{"sample", "f.db", "g.db", "--count", "3"}, "unexpected argument \"g.db\"."},
        {{"sample", "f.db", "--count", "3", "--bogus"}, "unexpected argument \"--bogus\"."},
        {{"sample", "f.db", "--count", "3", "--edge-cases=yes"}, "unexpected argument \"--edge-cases=yes\"."},
        {{"sample", "f.db", "--count", "3", "-x"}, "unexpected argument \"-x\"."},
        {{"sample", "--count", "3"}, "sample needs FILE and --count N."},
        {{"sample", "f.db", "--seed", "3"}, "sample needs FILE and --count N."},
        {{"report", "a.rpt", "b.pdf", "--bogus"}, "unexpected option \"--bogus\"."},
        {{"report", "--force=yes", "a.rpt", "b.pdf"}, "unexpected option \"--force=yes\"."},
        {{"report", "a.rpt"}, "report takes LAYOUT and PDF."},
        {{"report", "--force", "a.rpt", "b.pdf", "c.pdf"}, "report takes LAYOUT and PDF."},
        {{"export", "roster.db", "c.csv", "--merit", "--bogus"}, "unexpected option \"--bogus\"."},
        {{"export", "--merit", "roster.db"}, "export takes ROSTER and CSV."},
        {{"export", "roster.db", "--force", "c.csv", "d.csv"}, "export takes ROSTER and CSV."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ToolRun run = runTool(c.args, 60000, dir.path());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains(QStringLiteral("varnel-roster: %1\n\nUsage: ").arg(QString::fromUtf8(c.says))))
            << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("varnel-roster sample FILE --count N")) << "the help follows the mistake";
        EXPECT_EQ(run.out, QString());
        EXPECT_EQ(filesIn(dir.path()), QStringList{"roster.db"});
    }
}

TEST(CommandOptions, StandAnywhereAmongTheFilesAndAreTheOnesUsed)
{
    QTemporaryDir dir;
    const auto rows = [&](const QString& name) { return Connection(dir.filePath(name)).rows("SELECT * FROM Soldier"); };

    // The same count and seed, before, after and between the file, in both
    // of Qt's spellings, give the same soldiers; another seed others.
    const QStringList spellings[] = {
        {"sample", "--seed", "5", "--count", "4", "a.db"},
        {"sample", "b.db", "--count=4", "--seed=5"},
        {"sample", "--count", "4", "c.db", "--seed", "5"},
        {"sample", "--count", "9", "--count", "4", "--seed", "5", "--", "d.db"},
    };
    for (const QStringList& args : spellings) {
        const ToolRun run = runTool(args, 60000, dir.path());
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.startsWith("Wrote 4 soldiers to ")) << run.out.toStdString();
    }
    const QList<QVariantMap> first = rows("a.db");
    ASSERT_EQ(first.size(), 4);
    for (const char* name : {"b.db", "c.db", "d.db"})
        EXPECT_EQ(rows(name), first) << name;
    ASSERT_EQ(runTool({"sample", "e.db", "--count", "4", "--seed", "6"}, 60000, dir.path()).exitCode, 0);
    EXPECT_NE(rows("e.db"), first) << "the seed is used";
    // Without --seed the seed is 1.
    ASSERT_EQ(runTool({"sample", "f.db", "--count", "4"}, 60000, dir.path()).exitCode, 0);
    ASSERT_EQ(runTool({"sample", "g.db", "--seed", "1", "--count", "4"}, 60000, dir.path()).exitCode, 0);
    EXPECT_EQ(rows("f.db"), rows("g.db"));

    // --merit picks the merit list and --force lets a CSV be replaced,
    // wherever they stand.
    const struct {
        QStringList args;
        int exitCode;
        const char* header; // the CSV's first line afterwards
    } exports[] = {
        {{"export", "a.db", "list.csv"}, 0, "ID,Name,Rank"},
        {{"export", "a.db", "list.csv", "--merit"}, 1, "ID,Name,Rank"},
        {{"export", "--merit", "a.db", "list.csv", "--force"}, 0, "Place,"},
        {{"export", "a.db", "--force", "list.csv"}, 0, "ID,Name,Rank"},
    };
    for (const auto& c : exports) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ToolRun run = runTool(c.args, 60000, dir.path());
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        EXPECT_TRUE(firstLine(dir.filePath("list.csv")).startsWith(c.header))
            << firstLine(dir.filePath("list.csv")).toStdString();
    }
}
