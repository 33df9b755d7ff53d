#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/recordset.h"

#include "support/roster_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

using namespace varnel;
using namespace varnel::store;
using test::failureNumber;

namespace {

class RecordCommandsTest : public ::testing::TestWithParam<test::RosterKind> {
protected:
    test::RosterFile file{GetParam()};
    DataControl data1;

    void load()
    {
        if (file.onServer())
            file.openIn(data1);
        else
            loadRoster(data1, file.directory());
    }
    Recordset& rs() { return data1.recordset(); }
    QString current(const QString& column)
    {
        return rs().hasCurrent() ? rs().fieldValue(rs().layout().indexOf(column)).displayText() : QStringLiteral("<none>");
    }
    QStringList roster() { return test::shownRows(data1); }
};

TEST_P(RecordCommandsTest, LoadOpensTheRosterInTheGivenDirectory)
{
    file.insertNames({"KIM, OMAR", "ADAMS, AARON"});
    ASSERT_NE(QDir(file.directory()), QDir(QCoreApplication::applicationDirPath()));
    load(); // the request-dates limit and the school lists it gives are checked through the window
    EXPECT_EQ(data1.databaseName(), file.onServer() ? file.location() : file.directory() + "/Varnel_DATA.MDB");
    EXPECT_EQ(current("Name"), "ADAMS, AARON");
}

TEST_P(RecordCommandsTest, AddStoresAnEmptyRecordAtTheEndAndMakesItCurrent)
{
    load();
    addRecord(data1); // on an empty roster: no Edit is attempted
    EXPECT_FALSE(rs().eof());
    EXPECT_EQ(file.count(), 1);

    file.insertNames({"ADAMS, AARON"});
    data1.refresh();
    EXPECT_EQ(roster(), QStringList({"", "ADAMS, AARON"})); // the grid has read the rows
    addRecord(data1);
    addRecord(data1);
    EXPECT_EQ(roster(), QStringList({"", "ADAMS, AARON", "", ""}));
    EXPECT_EQ(rs().position(), 3) << "the second new record is current";
    EXPECT_EQ(file.count(), 4);
}

// Sort's reload; the window's part of Sort is tested with the window
// (tests/ui/test_window_policy.cpp).
TEST_P(RecordCommandsTest, ReloadStoresPendingNamesThenReopensInNameOrderAtTheFirstRecord)
{
    file.insertNames({"BAKER, ERIC", "YOUNG, GRACE"});
    load();
    addRecord(data1);
    data1.setPending("Name", Value::text("MILLER, SARAH"));
    reloadRoster(data1);
    EXPECT_EQ(roster(), QStringList({"BAKER, ERIC", "MILLER, SARAH", "YOUNG, GRACE"}));
    EXPECT_EQ(current("Name"), "BAKER, ERIC");
}

TEST_P(RecordCommandsTest, FailedReloadLeavesTheOpenRosterAsItWas)
{
    file.insertNames({"A"});
    load();
    // The file moved away, or the table renamed on the server.
    const auto moveAway = [&](bool back) {
        if (file.onServer())
            file.exec(back ? R"(ALTER TABLE "Moved" RENAME TO "Soldier")" : R"(ALTER TABLE "Soldier" RENAME TO "Moved")");
        else
            QFile::rename(back ? file.path() + ".moved" : file.path(), back ? file.path() : file.path() + ".moved");
    };
    moveAway(false);
    EXPECT_NE(failureNumber([&] { reloadRoster(data1); }), 0);
    EXPECT_EQ(current("Name"), "A") << "the open roster stays as it was";
    moveAway(true);
}

TEST_P(RecordCommandsTest, DeleteMovesToTheNextRecordAndThenNeedsOne)
{
    file.insertNames({"A", "B", "C"});
    load();
    rs().moveTo(1);
    deleteRecord(data1);
    EXPECT_EQ(current("Name"), "C");
    deleteRecord(data1);
    EXPECT_TRUE(rs().eof());
    EXPECT_EQ(file.names(), QStringList({"A"}));
    EXPECT_EQ(failureNumber([&] { deleteRecord(data1); }), RecordsetError::NoCurrentRecord);
    EXPECT_EQ(failureNumber([&] { updateRecord(data1); }), RecordsetError::NoCurrentRecord);
    addRecord(data1);
    EXPECT_EQ(file.count(), 2) << "Add still works past the end";
}

TEST_P(RecordCommandsTest, UpdateStoresShownValuesAndKeepsTheRecordCurrent)
{
    const qint64 a = file.insert({{"Name", "A"}, {"Rank", "PFC"}});
    file.insertNames({"B"});
    load();
    updateRecord(data1);
    EXPECT_EQ(file.stored(a, "Rank").toString(), "PFC");
    data1.setPending("Rank", Value::text("SPC"));
    data1.setPending("PrefDates", Value::text("JAN-MAR 2027, any class that has seats left"));
    updateRecord(data1);
    EXPECT_EQ(file.stored(a, "Rank").toString(), "SPC");
    EXPECT_EQ(file.stored(a, "PrefDates").toString(), "JAN-MAR 2027, any class that has seats left");
    EXPECT_EQ(current("Name"), "A");
}

INSTANTIATE_TEST_SUITE_P(EveryRoster, RecordCommandsTest, test::kEveryRoster, test::rosterName);

TEST(RosterPath, JoinsTheDirectoryAndTheFileNameUnchanged)
{
#ifndef Q_OS_WIN
    EXPECT_EQ(rosterPath("/"), "//Varnel_DATA.MDB");
    EXPECT_EQ(rosterPath("/home/clerk"), "/home/clerk/Varnel_DATA.MDB");
    EXPECT_EQ(rosterPath("/home/clerk/"), "/home/clerk//Varnel_DATA.MDB");
#else
    EXPECT_EQ(rosterPath("C:\\"), "C:\\\\Varnel_DATA.MDB");
#endif
}

} // namespace
