// `varnel-roster recover` as a process: a soldier deleted in the window comes
// back from the safety copy the store saved before the deletion, whole and
// once, while the program still has the roster open.
#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/recordset.h"
#include "store/safety_copy.h"

#include "support/roster_file.h"
#include "tool_run.h"

using namespace varnel;
using namespace varnel::test;

namespace {

ToolRun recover(const QStringList& args)
{
    return runTool(QStringList{"recover"} + args, 60000);
}

// The record without its key, which the roster gives anew.
QVariantMap withoutKey(QVariantMap record)
{
    record.remove("ID");
    record.remove("RecNo");
    return record;
}

class RecoverTool : public ::testing::TestWithParam<TableLayout> {};

TEST_P(RecoverTool, BringsADeletedSoldierBackFromTheSafetyCopyOnce)
{
    RosterFile roster(GetParam());
    const qint64 adams = roster.insert({{"Name", "ADAMS, JOHN"}, {"Rank", "SGT"}, {"TISDate", "2010-05-01"}, {"APFT", "C"},
                                        {"ARCOM", 1}, {"1SGTPoints", 12}, {"TOTAL", 140}, {"PrefDates", "JUN-AUG"}});
    roster.insertNames({"BAKER, MARY"});
    const QVariantMap before = withoutKey(roster.record(adams));

    // The clerk deletes him in the program, which stays open.
    store::DataControl data1;
    store::loadRoster(data1, roster.directory());
    store::deleteRecord(data1);
    ASSERT_EQ(roster.names(), QStringList{"BAKER, MARY"});
    const QStringList copies = store::safetyCopiesOf(roster.path());
    ASSERT_EQ(copies.size(), 1);

    const ToolRun first = recover({copies.first(), roster.path(), "ADAMS, JOHN"});
    EXPECT_EQ(first.exitCode, 0) << qPrintable(first.err);
    EXPECT_TRUE(first.out.startsWith("Brought back 1 record(s) of ADAMS, JOHN")) << qPrintable(first.out);
    EXPECT_EQ(withoutKey(roster.recordNamed("ADAMS, JOHN")), before) << "every value as it was";
    EXPECT_EQ(roster.count(), 2);

    const ToolRun again = recover({copies.first(), roster.path(), "ADAMS, JOHN"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_TRUE(again.out.startsWith("Brought back 0 record(s)")) << qPrintable(again.out);
    EXPECT_EQ(roster.count(), 2) << "not twice";

    // The program sees him after Sort.
    data1.refresh();
    EXPECT_EQ(data1.recordset().recordCount(), 2);
    EXPECT_EQ(integrityCheck(roster.path()), "ok");
}

TEST_P(RecoverTool, RefusesWhatItCannotDoAndChangesNothing)
{
    RosterFile roster(GetParam());
    RosterFile copy(GetParam());
    roster.insertNames({"BAKER, MARY"});
    copy.insertNames({"ADAMS, JOHN"});
    const QByteArray rosterBytes = fileBytes(roster.path());
    const struct {
        const char* name;
        QStringList args;
        const char* err;
    } cases[] = {
        {"the copy is the roster", {roster.path(), roster.path(), "BAKER, MARY"}, "error 22"},
        {"no such soldier in the copy", {copy.path(), roster.path(), "ADAMS, JON"}, "error 3021"},
        {"no copy there", {roster.directory() + "/missing.MDB", roster.path(), "ADAMS, JOHN"}, "error 14"},
        {"a name missing", {copy.path(), roster.path()}, "recover takes COPY, ROSTER and NAME"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun run = recover(c.args);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_TRUE(run.err.contains(c.err)) << qPrintable(run.err);
        EXPECT_TRUE(run.out.isEmpty()) << qPrintable(run.out);
        EXPECT_EQ(fileBytes(roster.path()), rosterBytes);
        EXPECT_EQ(filesBeside(roster.path()), QStringList());
    }
}

INSTANTIATE_TEST_SUITE_P(BothTableLayouts, RecoverTool, kBothLayouts, layoutName);

} // namespace
