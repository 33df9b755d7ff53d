// Two writers on one record: another program (the sqlite3 shell or psql, a
// second process) or a second copy of the program changes a soldier while this copy
// has him current.
#include "common/server_connection.h"
#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/record_conflict.h"
#include "store/recordset.h"

#include "support/roster_file.h"

using namespace varnel;
using namespace varnel::store;

namespace {

class ConflictTest : public ::testing::TestWithParam<test::RosterKind> {
protected:
    test::RosterFile file{GetParam()};
    DataControl data1;
    qint64 adams = 0;

    void SetUp() override
    {
        adams = file.insert({{"Name", "ADAMS"}, {"Rank", "SGT"}, {"APFT", "C"}, {"Weapon", "M"}});
        file.insertNames({"BAKER"});
        file.openIn(data1);
    }
    // Another program's change, made by another process.
    void anotherProgram(const QString& sql) { ASSERT_EQ(file.runInAnotherProgram(sql), 0); }
    QString stored(const char* column) { return file.stored(adams, QString::fromLatin1(column)).toString(); }
    Value at(const QList<Value>& record, const char* column)
    {
        return record.value(data1.recordset().layout().indexOf(QString::fromLatin1(column)));
    }
    std::optional<ConflictFailure> conflictOf(const std::function<void()>& command)
    {
        try {
            command();
        } catch (const ConflictFailure& conflict) {
            return conflict;
        } catch (const Failure& other) {
            ADD_FAILURE() << "failure " << other.number() << ": " << qPrintable(other.description());
        }
        return std::nullopt;
    }
};

TEST_P(ConflictTest, TheSecondWriterOfAFieldIsRefusedWithBothVersions)
{
    anotherProgram(R"(UPDATE "Soldier" SET "APFT" = 'A', "Weapon" = 'E' WHERE "Name" = 'ADAMS')");
    data1.setPending("APFT", Value::text("B"));
    data1.setPending("PrefDates", Value::text("JUN"));

    const auto failure = conflictOf([&] { updateRecord(data1); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->number(), RecordsetError::ChangedByAnotherWriter);
    EXPECT_TRUE(failure->description().contains("\"ADAMS\"")) << qPrintable(failure->description());
    EXPECT_TRUE(failure->description().contains("(APFT)")) << "only the column both changed";
    EXPECT_TRUE(failure->description().contains(locationInWords(file.location())));
    const RecordConflict& c = failure->conflict();
    EXPECT_EQ(c.soldier, "ADAMS");
    EXPECT_EQ(c.columns, QStringList{"APFT"});
    EXPECT_EQ(at(c.readBefore, "APFT"), Value::text("C"));
    EXPECT_EQ(at(c.storedNow, "APFT"), Value::text("A"));
    EXPECT_EQ(at(c.storedNow, "Weapon"), Value::text("E"));
    EXPECT_EQ(at(c.entered, "APFT"), Value::text("B"));
    EXPECT_EQ(at(c.entered, "PrefDates"), Value::text("JUN"));

    EXPECT_EQ(stored("APFT"), "A") << "nothing was stored";
    EXPECT_EQ(stored("PrefDates"), "");
    EXPECT_EQ(data1.shownValue("APFT"), Value::text("B")) << "the clerk's entries are kept";
    EXPECT_EQ(data1.shownValue("PrefDates"), Value::text("JUN"));
}

TEST_P(ConflictTest, ChangesToOtherFieldsOrToTheSameValueAreKeptSideBySide)
{
    anotherProgram(R"(UPDATE "Soldier" SET "Rank" = 'SSG', "Weapon" = 'S' WHERE "Name" = 'ADAMS')");
    data1.setPending("APFT", Value::text("B"));
    data1.setPending("Weapon", Value::text("S"));
    updateRecord(data1);
    EXPECT_EQ(stored("APFT"), "B");
    EXPECT_EQ(stored("Rank"), "SSG") << "the other program's change stands";
    EXPECT_EQ(stored("Weapon"), "S");
    EXPECT_EQ(data1.shownValue("Rank"), Value::text("SSG")) << "and is what the window shows now";
}

TEST_P(ConflictTest, TheClerkChoosesWhichVersionStands)
{
    for (bool keepMine : {true, false}) {
        SCOPED_TRACE(keepMine ? "keep the entries" : "take the stored values");
        anotherProgram(QStringLiteral(R"(UPDATE "Soldier" SET "APFT" = '%1' WHERE "Name" = 'ADAMS')").arg(keepMine ? "A" : "D"));
        data1.setPending("APFT", Value::text(keepMine ? "B" : "E"));
        ASSERT_TRUE(conflictOf([&] { updateRecord(data1); }));

        Recordset& rs = data1.recordset();
        rs.reloadCurrent();
        if (keepMine) {
            updateRecord(data1);
            EXPECT_EQ(stored("APFT"), "B");
        } else {
            rs.cancelUpdate();
            EXPECT_FALSE(data1.hasPending());
            EXPECT_EQ(stored("APFT"), "D");
        }
        EXPECT_EQ(data1.shownValue("APFT"), Value::text(keepMine ? "B" : "D"));
        updateRecord(data1); // and the next store goes through
    }
}

TEST_P(ConflictTest, TwoCopiesOfTheProgramNeverOverwriteEachOther)
{
    DataControl secondCopy;
    file.openIn(secondCopy);
    secondCopy.setPending("APFT", Value::text("A"));
    updateRecord(secondCopy);

    data1.setPending("APFT", Value::text("B"));
    EXPECT_TRUE(conflictOf([&] { updateRecord(data1); }));
    EXPECT_EQ(stored("APFT"), "A");

    // Whoever reads the record again may store over it, and then the
    // first copy is the one refused.
    data1.recordset().reloadCurrent();
    updateRecord(data1);
    secondCopy.setPending("APFT", Value::text("J"));
    EXPECT_TRUE(conflictOf([&] { updateRecord(secondCopy); }));
    EXPECT_EQ(stored("APFT"), "B");
}

TEST_P(ConflictTest, ARecordRenamedByAnotherWriterIsNoLongerTheSoldierTheClerkMeant)
{
    anotherProgram(R"(UPDATE "Soldier" SET "Name" = 'ADAMS, JOHN' WHERE "Name" = 'ADAMS')");
    data1.setPending("APFT", Value::text("B"));
    const auto failure = conflictOf([&] { updateRecord(data1); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->conflict().columns, QStringList{"Name"});
    EXPECT_EQ(stored("APFT"), "C");
}

INSTANTIATE_TEST_SUITE_P(EveryRoster, ConflictTest, test::kEveryRoster, test::rosterName);

} // namespace
