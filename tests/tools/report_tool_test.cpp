// `varnel-roster report`: what the command line adds to the engine (tests/reports
// has the refused paths): --force, "Wrote", exit 1, the folder left as it was.
#include "support/roster_file.h"
#include "tool_run.h"

#include <QFile>

using namespace varnel::test;

TEST(ReportTool, ReplacesAFileOnlyWithForceAndSaysSo)
{
    for (const bool force : {false, true}) {
        SCOPED_TRACE(force);
        QTemporaryDir dir;
        const QString roster = dir.filePath("Varnel_DATA.MDB");
        writeRoster(roster, {{{"Name", "Adams, John"}, {"Rank", "SGT"}, {"TOTAL", 412}}});
        const QString layout = dir.filePath("varnel_list.rpt");
        QFile::copy(QStringLiteral(VARNEL_DATA_DIR "/varnel_list.rpt"), layout);
        const QString pdf = writeFile(dir.filePath("other.pdf"), "the clerk's own file");
        const QByteArray rosterBefore = fileBytes(roster);
        const QStringList before = filesBeside(roster);

        const ToolRun run = runTool(force ? QStringList{"report", "--force", layout, pdf} : QStringList{"report", layout, pdf});
        EXPECT_EQ(run.exitCode, force ? 0 : 1) << run.err.toStdString();
        EXPECT_EQ(run.err.contains("give --force to replace"), !force) << run.err.toStdString();
        EXPECT_EQ(run.out.contains("Wrote " + pdf), force) << run.out.toStdString();
        EXPECT_EQ(fileBytes(pdf).startsWith("%PDF-"), force);
        if (!force) {
            EXPECT_EQ(fileBytes(pdf), "the clerk's own file");
        }
        EXPECT_EQ(fileBytes(roster), rosterBefore);
        EXPECT_EQ(filesBeside(roster), before) << "nothing else left in the folder";
    }
}

TEST(ReportTool, FullDiskFailsAndLeavesNothingBehind)
{
    ScratchMount disk(QStringLiteral("64k"));
    if (!disk.skipReason().isEmpty())
        GTEST_SKIP() << disk.skipReason().toStdString();
    QTemporaryDir dir;
    writeRoster(dir.filePath("Varnel_DATA.MDB"), {{{"Name", "Adams, John"}}});
    const QString layout = dir.filePath("varnel_nco.rpt");
    QFile::copy(QStringLiteral(VARNEL_DATA_DIR "/varnel_nco.rpt"), layout);
    const QString kept = writeFile(disk.path() + "/kept.pdf", "the clerk's own file");
    disk.fill();
    for (const char* name : {"new.pdf", "kept.pdf"}) {
        SCOPED_TRACE(name);
        const ToolRun run = runTool({"report", layout, disk.path() + '/' + name, "--force"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains("error 5107") && run.err.contains(name)) << run.err.toStdString();
        EXPECT_FALSE(run.out.contains("Wrote")) << run.out.toStdString();
        EXPECT_EQ(filesBeside(kept), QStringList{"filler"});
        EXPECT_EQ(fileBytes(kept), "the clerk's own file");
    }
}
