// `varnel-roster report` as a process: the PDF is written only where it may
// go, "Wrote" is printed only once it is in place, and every failure exits
// non-zero with its number, leaving the roster and the folder as they were.
// The engine's tests (tests/reports) go through every spelling of a refused
// path; these check what the command line adds.
#include "support/roster_file.h"
#include "tool_run.h"

#include <QDir>
#include <QFile>

using namespace varnel::test;

namespace {

QStringList entries(const QString& dir)
{
    QStringList names = QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden | QDir::System);
    names.sort();
    return names;
}

const QByteArray kKeep = "the clerk's own file";

} // namespace

TEST(ReportTool, WritesOnlyWhereItMayAndSaysSo)
{
    const struct {
        const char* name;
        QStringList args;  // after "report"; ROSTER, LAYOUT, DIR stand for the folder's files
        int exitCode;
        const char* err;   // in standard error
        bool writes;       // out.pdf is a new PDF, or other.pdf replaced
    } cases[] = {
        {"a new file", {"LAYOUT", "DIR/out.pdf"}, 0, "", true},
        {"the roster", {"LAYOUT", "ROSTER"}, 1, "error 5111", false},
        {"the layout", {"LAYOUT", "LAYOUT", "--force"}, 1, "error 5111", false},
        {"an existing file", {"LAYOUT", "DIR/other.pdf"}, 1, "give --force to replace", false},
        {"an existing file with --force", {"--force", "LAYOUT", "DIR/other.pdf"}, 0, "", true},
        {"a query making a 1 GB blob", {"BLOB", "DIR/out.pdf"}, 1, "error 5109", false},
        {"an unknown option", {"LAYOUT", "DIR/out.pdf", "--replace"}, 2, "unexpected option", false},
        {"a file too few", {"LAYOUT"}, 2, "report takes LAYOUT and PDF", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString roster = dir.filePath("Varnel_DATA.MDB");
        writeRoster(roster, {{{"Name", "Adams, John"}, {"Rank", "SGT"}, {"TOTAL", 412}}});
        const QString layout = dir.filePath("varnel_list.rpt");
        QFile::copy(QStringLiteral(VARNEL_DATA_DIR "/varnel_list.rpt"), layout);
        const QString blob = writeFile(dir.filePath("blob.rpt"),
                                       R"({"format": 1, "title": "T", "kind": "list", "query": "SELECT randomblob(1e9) AS b",
                                           "columns": [{"field": "b"}]})");
        writeFile(dir.filePath("other.pdf"), kKeep);
        const QByteArray rosterBefore = fileBytes(roster);
        QStringList expected = entries(dir.path());
        const bool replacing = c.args.contains("DIR/other.pdf");
        if (c.writes && !replacing)
            expected = (expected << "out.pdf"), expected.sort();

        QStringList args{"report"};
        for (QString a : c.args)
            args << a.replace("ROSTER", roster).replace("LAYOUT", layout).replace("BLOB", blob).replace("DIR", dir.path());
        const ToolRun run = runTool(args);

        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.err))) << run.err.toStdString();
        const QString pdf = dir.filePath(replacing ? "other.pdf" : "out.pdf");
        EXPECT_EQ(run.out.contains("Wrote " + pdf), c.writes) << run.out.toStdString();
        EXPECT_EQ(fileBytes(pdf).startsWith("%PDF-"), c.writes);
        if (replacing && !c.writes) {
            EXPECT_EQ(fileBytes(pdf), kKeep);
        }
        EXPECT_EQ(fileBytes(roster), rosterBefore);
        EXPECT_EQ(entries(dir.path()), expected) << "nothing else left in the folder";
    }
}

// A full disk: exit 1 with 5107, no "Wrote", no file or temporary file left,
// and the file being replaced stays as it was.
TEST(ReportTool, FullDiskFailsAndLeavesNothingBehind)
{
    ScratchMount disk(QStringLiteral("64k"));
    if (!disk.skipReason().isEmpty())
        GTEST_SKIP() << disk.skipReason().toStdString();
    QTemporaryDir dir;
    writeRoster(dir.filePath("Varnel_DATA.MDB"), {{{"Name", "Adams, John"}}});
    const QString layout = dir.filePath("varnel_nco.rpt");
    QFile::copy(QStringLiteral(VARNEL_DATA_DIR "/varnel_nco.rpt"), layout);
    const QString kept = writeFile(disk.path() + "/kept.pdf", kKeep);
    disk.fill();
    for (const char* name : {"new.pdf", "kept.pdf"}) {
        SCOPED_TRACE(name);
        const ToolRun run = runTool({"report", layout, disk.path() + '/' + name, "--force"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains("error 5107")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(name)) << run.err.toStdString();
        EXPECT_FALSE(run.out.contains("Wrote")) << run.out.toStdString();
        EXPECT_EQ(entries(disk.path()), (QStringList{"filler", "kept.pdf"}));
        EXPECT_EQ(fileBytes(kept), kKeep);
    }
}
