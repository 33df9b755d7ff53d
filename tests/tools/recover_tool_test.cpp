// `varnel-roster recover` onto a server: server_copy_test.
#include "support/roster_file.h"
#include "tool_run.h"

using namespace varnel::test;

TEST(RecoverTool, BringsADeletedSoldierBackOnceAndRefusesWhatItCannotDo)
{
    // Another key (RecNo) and columns beyond TOTAL.
    RosterFile roster(TableLayout::Rearranged), older(TableLayout::Rearranged);
    const qint64 adams = older.insert({{"Name", "ADAMS, JOHN"}, {"Rank", "SGT"}, {"TISDate", "2010-05-01"}, {"APFT", "C"},
                                       {"ARCOM", 1}, {"1SGTPoints", 12}, {"TOTAL", 140}, {"PrefDates", "JUN-AUG"}});
    older.insertNames({"BAKER, MARY"});
    roster.insertNames({"CLARK, ANN", "BAKER, MARY"});
    const QString copy = older.path();
    const struct {
        const char* name;
        QStringList args; // after "recover"
        int exitCode;
        const char* says; // in standard output, else in standard error
    } runs[] = {
        {"the copy is the roster", {roster.path(), roster.path(), "BAKER, MARY"}, 1, "error 22"},
        {"no such soldier in the copy", {copy, roster.path(), "ADAMS, JON"}, 1, "error 3021"},
        {"no copy there", {roster.directory() + "/missing.MDB", roster.path(), "ADAMS, JOHN"}, 1, "error 14"},
        {"once", {copy, roster.path(), "ADAMS, JOHN"}, 0, "Brought back 1 record(s) of ADAMS, JOHN"},
        {"not twice", {copy, roster.path(), "ADAMS, JOHN"}, 0, "Brought back 0 record(s)"},
    };
    for (const auto& r : runs) {
        SCOPED_TRACE(r.name);
        const QByteArray rosterBefore = fileBytes(roster.path());
        const ToolRun run = runTool(QStringList{"recover"} + r.args);
        EXPECT_EQ(run.exitCode, r.exitCode) << qPrintable(run.err);
        EXPECT_TRUE((r.exitCode ? run.err : run.out).contains(r.says)) << qPrintable(run.out) << qPrintable(run.err);
        if (r.exitCode != 0) {
            EXPECT_TRUE(run.out.isEmpty()) << qPrintable(run.out);
            EXPECT_EQ(fileBytes(roster.path()), rosterBefore);
        }
        EXPECT_EQ(filesBeside(roster.path()), QStringList());
    }
    QVariantMap before = older.record(adams), back = roster.recordNamed("ADAMS, JOHN");
    before.remove("RecNo"); // the roster gives the key anew
    back.remove("RecNo");
    EXPECT_EQ(back, before) << "every value as it was";
    EXPECT_EQ(roster.names(), QStringList({"CLARK, ANN", "BAKER, MARY", "ADAMS, JOHN"}));
    EXPECT_EQ(integrityCheck(roster.path()), "ok");
}
