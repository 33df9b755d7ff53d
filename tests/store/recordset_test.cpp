#include "common/roster_location.h"
#include "store/background_read.h"
#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/record_conflict.h"
#include "store/record_layout.h"
#include "store/recordset.h"

#include "support/roster_file.h"

#include <QFile>
#include <atomic>
#include <future>
#include <thread>

using namespace varnel;
using namespace varnel::store;
using test::failureNumber;

namespace {

class RecordsetTest : public ::testing::TestWithParam<test::RosterKind> {
protected:
    test::RosterFile file{GetParam()};
    DataControl data1;

    void open() { file.openIn(data1); }
    Recordset& rs() { return data1.recordset(); }
    QString currentName() { return rs().fieldValue(rs().layout().indexOf("Name")).asText(); }
    QStringList rosterRows() { return test::shownRows(data1, {"Name", "Rank"}); }
    QStringList rosterNames() { return test::shownRows(data1); }
};

TEST_P(RecordsetTest, NamesAreInDictionaryOrderWithNoNameFirst)
{
    file.insertNames(
        {"Zimmerman", "de la Cruz", "MULLER, ANN", "Müller, Ann", "Davis", "", "Ångström", "davis", "Davis", "Evans"});
    file.insert({});
    // The index a new roster has, none, and one another program made.
    for (const char* index :
         {"", R"(DROP INDEX IF EXISTS "SoldierByName")", R"(CREATE INDEX "ByName" ON "Soldier" ("Name"))"}) {
        SCOPED_TRACE(index);
        if (*index)
            file.exec(QString::fromUtf8(index));
        open();
        EXPECT_EQ(rosterNames(), QStringList({"", "", "Ångström", "Davis", "Davis", "davis", "de la Cruz", "Evans",
                                              "MULLER, ANN", "Müller, Ann", "Zimmerman"}));
        EXPECT_TRUE(rs().fieldValue(rs().layout().indexOf("Name")).isNull()) << "no name comes first";
    }
}

TEST_P(RecordsetTest, FindsANameByAnyPartInRosterOrderRoundFromTheStart)
{
    file.insertNames({"MÜLLER, ANN", "de la Cruz, Luis", "ADAMS, JOHN", "MULLINS, KIM"});
    open(); // ADAMS, de la Cruz, MÜLLER, MULLINS
    rs().prepareNames(); // read on a thread, as the window has them read
    EXPECT_EQ(rs().findName("müll", 2), 2);
    EXPECT_EQ(rs().findName("adams", 1), 0) << "round from the start";
    EXPECT_EQ(rs().findName("lacr", 0), -1);
    EXPECT_EQ(rs().findName("", 2), 2);
    // Names another program or the clerk changed are found as they are now.
    file.exec(R"(UPDATE "Soldier" SET "Name" = 'ZIMMER, ZOE' WHERE "Name" LIKE 'MULLINS%')");
    EXPECT_EQ(rs().findName("zimmer", 0), 3);
    data1.setPending("Name", Value::text("YOUNG, ADA"));
    rs().edit();
    rs().update();
    EXPECT_EQ(rs().findName("young", 0), 0);
    // The clerk's additions and deletions: only their names are read again.
    rs().addNew();
    data1.setPending("Name", Value::text("QUINN, AL"));
    rs().update(); // YOUNG, de la Cruz, MÜLLER, ZIMMER, QUINN
    rs().moveTo(1);
    deleteRecord(data1);
    EXPECT_EQ(rs().findName("quinn", 0), 3);
    EXPECT_EQ(rs().findName("cruz", 0), -1);
}

TEST_P(RecordsetTest, NewRecordsAreAppendedAtTheEndWhateverTheirName)
{
    open();
    addRecord(data1); // on an empty roster: no Edit is attempted
    file.insertNames({"BAKER, ERIC", "YOUNG, GRACE"});
    data1.refresh();
    EXPECT_EQ(rosterNames(), QStringList({"", "BAKER, ERIC", "YOUNG, GRACE"})); // the grid has read the rows
    addRecord(data1);
    addRecord(data1);
    EXPECT_EQ(rosterNames(), QStringList({"", "BAKER, ERIC", "YOUNG, GRACE", "", ""}));
    EXPECT_EQ(rs().position(), 4) << "the second new record is current";

    rs().moveTo(1);
    rs().addNew();
    rs().fields(ordinal::TISPoints).setValue(Value::integer(7));
    data1.setPending("Name", Value::text("AARONSON, ZED"));
    rs().update();
    EXPECT_EQ(rosterNames().last(), "AARONSON, ZED");
    EXPECT_EQ(currentName(), "BAKER, ERIC") << "the position returns to the record current before AddNew";
    rs().moveLast();
    EXPECT_EQ(rs().fieldValue(ordinal::TISPoints), Value::integer(7));

    // Edit while a typed new record is open keeps that record too.
    rs().addNew();
    data1.setPending("Name", Value::text("CARTER, DAVID"));
    rs().edit();
    EXPECT_EQ(file.count(), 7);
    EXPECT_EQ(rosterNames().last(), "CARTER, DAVID");
}

TEST_P(RecordsetTest, ValuesRoundTripInTheFileEncodings)
{
    const qint64 key = file.insert({{"Name", "ADAMS, AARON"}, {"TISDate", "1/5/2013"}, {"DORDate", "2020-02-29 08:30:00"},
                                    {"MSM", 5}, {"MSM2", 0}, {"AAM", -1}, {"TOTAL", 180}});
    const QString quoted = "Say \"when\""; // another program's column: its name quoted in every statement
    file.exec(R"(ALTER TABLE "Soldier" ADD COLUMN "Say ""when""" TEXT)");
    open();
    EXPECT_EQ(rs().fieldValue(ordinal::TISDate), Value::date(QDate(2013, 1, 5))) << "m/d/yyyy text reads as a date";
    EXPECT_EQ(rs().fieldValue(ordinal::DORDate), Value::date(QDateTime(QDate(2020, 2, 29), QTime(8, 30), Qt::UTC)));
    EXPECT_EQ(rs().fieldValue(ordinal::FirstAward), Value::boolean(true)) << "any non-zero Yes/No is True";
    EXPECT_EQ(rs().fieldValue(ordinal::FirstAward + 1), Value::boolean(false));
    EXPECT_TRUE(rs().fieldValue(ordinal::FirstAward + 2).isNull());
    EXPECT_EQ(rs().fieldValue(ordinal::FirstAward + 5), Value::boolean(true));

    rs().edit();
    rs().fields(ordinal::TISDate).setValue(Value::date(QDate(2001, 9, 11)));
    rs().fields(ordinal::FirstAward + 2).setValue(Value::boolean(true));
    rs().fields(ordinal::TOTAL).setValue(Value());
    rs().fields(ordinal::TISPoints).setValue(Value::integer(-1));
    const QDateTime afternoon(QDate(2024, 3, 5), QTime(13, 4, 5), Qt::UTC);
    rs().fields(rs().layout().indexOf("TotalDate")).setValue(Value::date(afternoon));
    rs().fields(rs().layout().indexOf(quoted)).setValue(Value::text("x"));
    rs().update();
    EXPECT_EQ(file.stored(key, "TISDate").toString(), "2001-09-11");
    EXPECT_EQ(file.stored(key, "TotalDate").toString(), "2024-03-05 13:04:05");
    QSqlQuery said = file.exec(QString(R"(SELECT "Say ""when""" FROM "Soldier" WHERE %1 = %2)").arg(file.keyColumn()).arg(key));
    EXPECT_TRUE(said.next() && said.value(0).toString() == "x") << "written to the column whose name holds a quote";
    EXPECT_EQ(file.stored(key, "DORDate").toString(), "2020-02-29 08:30:00") << "untouched columns keep their text";
    EXPECT_EQ(file.stored(key, "ARCOM").toLongLong(), 1);
    EXPECT_EQ(file.stored(key, "TISPoints").toLongLong(), -1);
    EXPECT_TRUE(file.stored(key, "TOTAL").isNull());
}

TEST_P(RecordsetTest, DeleteLeavesNoCurrentRecordAndMisusedOperationsFailWithTheirNumbers)
{
    file.insertNames({"A", "B", "C", "D"});
    open();
    EXPECT_EQ(failureNumber([&] { rs().update(); }), RecordsetError::NoEditInProgress);
    EXPECT_EQ(failureNumber([&] { rs().fields(99).value(); }), RecordsetError::NoSuchColumn);
    EXPECT_EQ(failureNumber([&] { rs().moveTo(5); }), RecordsetError::NoCurrentRecord);
    rs().moveTo(1);
    test::FakeControl name("Name");
    data1.registerControl(&name);
    data1.setPending("Rank", Value::text("SGT"));
    rs().deleteRecord();
    EXPECT_FALSE(rs().hasCurrent());
    EXPECT_FALSE(data1.hasPending()) << "pending values of a deleted record are dropped";
    EXPECT_EQ(failureNumber([&] { rs().edit(); }), RecordsetError::NoCurrentRecord);
    rs().moveNext();
    EXPECT_EQ(name.shown, Value::text("C"));

    deleteRecord(data1);
    EXPECT_EQ(currentName(), "D");
    deleteRecord(data1);
    EXPECT_TRUE(rs().eof()) << "deleting the last record leaves the position past the end";
    EXPECT_EQ(file.names(), QStringList({"A"}));
    EXPECT_EQ(failureNumber([&] { deleteRecord(data1); }), RecordsetError::NoCurrentRecord);
    addRecord(data1);
    EXPECT_EQ(file.count(), 2) << "Add still works past the end";
}

TEST_P(RecordsetTest, ChangesToARecordAnotherProgramDeletedFailLoudly)
{
    const qint64 key = file.insertNames({"A", "B"}).first();
    open();
    file.exec(QStringLiteral(R"(DELETE FROM "Soldier" WHERE %1 = %2)").arg(file.keyColumn()).arg(key));

    data1.setPending("Rank", Value::text("SGT"));
    rs().edit();
    EXPECT_EQ(failureNumber([&] { rs().update(); }), RecordsetError::RecordGone);
    EXPECT_EQ(file.count(), 1) << "nothing was written in its place";
    rs().cancelUpdate();
    if (!file.onServer()) {
        // With nothing pending, the next command reads the file's roster again.
        EXPECT_EQ(failureNumber([&] { rs().edit(); }), RecordsetError::RecordGone);
        EXPECT_FALSE(rs().hasCurrent());
        EXPECT_EQ(rosterNames(), QStringList({"B"}));
        return;
    }
    rs().edit();
    EXPECT_EQ(failureNumber([&] { rs().update(); }), RecordsetError::RecordGone) << "even without changes";
    rs().cancelUpdate();
    EXPECT_EQ(failureNumber([&] { rs().deleteRecord(); }), RecordsetError::RecordGone);
}

TEST_P(RecordsetTest, GridRowsShowTheRosterAfterEveryChange)
{
    const auto setRank = [this](const char* rank) {
        const int at = rs().layout().indexOf("Rank");
        return [rank, at](int, auto) { return Recordset::FieldValues{{at, Value::text(rank)}}; };
    };
    const auto readRowsThenCancel = [this](int done, int total) {
        if (done == total)
            rosterRows(); // the progress window lets the grid paint, then Cancel
        return done < total;
    };
    const auto toMajor = [this] { file.exec(R"(UPDATE "Soldier" SET "Rank" = 'MAJ' WHERE "Name" = 'C')"); };
    const struct { const char* change; std::function<void()> run; QStringList rows; } cases[] = {
        {"the first record deleted and one added",
         [&] { rs().deleteRecord(); rs().addNew(); data1.setPending("Name", Value::text("E")); rs().update(); },
         {"B/", "C/SGT", "E/"}},
        {"records deleted after and before the first deleted, one added between",
         [&] { rs().deleteRecord(); rs().moveTo(1); rs().deleteRecord(); addRecord(data1); rs().moveTo(0); rs().deleteRecord(); },
         {"/"}},
        {"a record deleted before one deleted earlier",
         [&] { rs().moveTo(1); rs().deleteRecord(); rs().moveTo(0); rs().deleteRecord(); }, {"C/SGT"}},
        {"a record stored as the binding leaves it",
         [&] { rs().moveTo(1); data1.setPending("Rank", Value::text("SPC")); rs().moveTo(0); }, {"A/PV1", "B/SPC", "C/SGT"}},
        {"another program's change, read once the clerk moves", [&] { toMajor(); rs().moveTo(1); }, {"A/PV1", "B/", "C/MAJ"}},
        {"the current record read again after another program changed it",
         [&] { rs().moveTo(2); toMajor(); rs().reloadCurrent(); }, {"A/PV1", "B/", "C/MAJ"}},
        {"every record changed in one transaction",
         [&] { rs().changeEveryRecord(setRank("CPL"), [](int, int) { return true; }); }, {"A/CPL", "B/CPL", "C/CPL"}},
        {"every record's change cancelled after the grid read the rows during it",
         [&] { data1.refresh(); rs().changeEveryRecord(setRank("CPL"), readRowsThenCancel); }, {"A/PV1", "B/", "C/SGT"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        file.exec(R"(DELETE FROM "Soldier")");
        file.insert({{"Name", "A"}, {"Rank", "PV1"}});
        file.insert({{"Name", "B"}});
        file.insert({{"Name", "C"}, {"Rank", "SGT"}});
        open();
        EXPECT_EQ(rosterRows(), QStringList({"A/PV1", "B/", "C/SGT"})); // the grid has read every row
        c.run();
        EXPECT_EQ(rosterRows(), c.rows);
    }
}

TEST_P(RecordsetTest, ReloadStoresPendingNamesAndReopensInNameOrderOrLeavesTheRosterAsItWas)
{
    file.insertNames({"BAKER, ERIC", "YOUNG, GRACE"});
    open();
    addRecord(data1);
    data1.setPending("Name", Value::text("MILLER, SARAH"));
    reloadRoster(data1);
    EXPECT_EQ(rosterNames(), QStringList({"BAKER, ERIC", "MILLER, SARAH", "YOUNG, GRACE"}));
    EXPECT_EQ(currentName(), "BAKER, ERIC");
    if (file.onServer())
        file.exec(R"(ALTER TABLE "Soldier" RENAME TO "Moved")");
    else
        QFile::rename(file.path(), file.path() + ".moved");
    EXPECT_NE(failureNumber([&] { reloadRoster(data1); }), 0);
    EXPECT_EQ(currentName(), "BAKER, ERIC") << "the open roster stays as it was";
}

class ConflictTest : public RecordsetTest {
protected:
    qint64 adams = 0;

    void SetUp() override
    {
        adams = file.insert({{"Name", "ADAMS"}, {"Rank", "SGT"}, {"APFT", "C"}, {"Weapon", "M"}});
        file.insertNames({"BAKER"});
        open();
    }
    void anotherProgram(const QString& sql) { ASSERT_EQ(file.runInAnotherProgram(sql), 0); }
    QString stored(const char* column) { return file.stored(adams, QString::fromLatin1(column)).toString(); }
};

TEST_P(ConflictTest, TheSecondWriterOfAFieldIsRefusedWithBothVersions)
{
    anotherProgram(R"(UPDATE "Soldier" SET "APFT" = 'A', "Weapon" = 'E' WHERE "Name" = 'ADAMS')");
    data1.setPending("APFT", Value::text("B"));
    data1.setPending("PrefDates", Value::text("JUN"));

    const auto failure = test::failureOf<ConflictFailure>([&] { updateRecord(data1); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->number(), RecordsetError::ChangedByAnotherWriter);
    // On a server another clerk, by the role the server's history names, in the server's database; fields by the window's labels.
    EXPECT_EQ(failure->description(), (file.onServer() ? QString("Another clerk (role %1) changed the record of \"ADAMS\" in the database \"%2\" on this computer's server")
                                                         .arg(test::testServer().user, file.database())
                                                   : QString("Another program changed the record of \"ADAMS\" in the roster file \"%1\"").arg(RosterLocation(file.location()).inWords()))
                                          + " since it was read (APFT Score). Nothing was saved.");
    const RecordConflict& c = failure->conflict();
    EXPECT_EQ(c.columns, QStringList{"APFT"});
    EXPECT_EQ(c.readBefore.value(rs().layout().indexOf("APFT")), Value::text("C"));
    EXPECT_EQ(c.storedNow.value(rs().layout().indexOf("APFT")), Value::text("A"));
    EXPECT_EQ(c.entered.value(rs().layout().indexOf("APFT")), Value::text("B"));

    EXPECT_EQ(stored("APFT"), "A") << "nothing was stored";
    EXPECT_EQ(stored("PrefDates"), "");
    EXPECT_EQ(data1.shownValue("APFT"), Value::text("B")) << "the clerk's entries are kept";
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

// A reading behind the window that is no longer wanted (the roster closed,
// the names read again) is stopped, not waited for: here one that would
// never end by itself.
TEST_P(RecordsetTest, AReadingBehindTheWindowDroppedWhileItRunsEndsAtOnce)
{
    const QString endless = file.onServer() ? "SELECT 1::bigint, 'a' FROM pg_sleep(3600)"
                                            : "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
                                              "SELECT x, 'a' FROM c WHERE x < 0";
    std::promise<void> running, dropped;
    std::atomic<bool> told{false};
    auto reading = std::make_unique<BackgroundRead<int>>(
        RosterLocation(file.location()), "endless",
        [&](RosterBackend& backend) {
            running.set_value();
            backend.readKeyedTexts(endless, [](qint64, auto) {});
            return 1;
        },
        [&] { told = true; });
    running.get_future().wait();
    std::thread([&, reading = std::move(reading)]() mutable {
        reading.reset();
        dropped.set_value();
    }).detach();
    ASSERT_EQ(dropped.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_FALSE(told);
}

// A record another writer renamed is no longer the soldier the clerk meant.
TEST_P(ConflictTest, ARecordAnotherWriterRenamedIsNeitherStoredNorDeleted)
{
    anotherProgram(R"(UPDATE "Soldier" SET "Name" = 'ADAMS, JOHN' WHERE "Name" = 'ADAMS')");
    data1.setPending("APFT", Value::text("B"));
    const auto failure = test::failureOf<ConflictFailure>([&] { updateRecord(data1); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->conflict().columns, QStringList{"Name"});
    EXPECT_EQ(failureNumber([&] { rs().deleteRecord(); }), RecordsetError::ChangedByAnotherWriter);
    EXPECT_EQ(stored("APFT"), "C");
    EXPECT_EQ(stored("Name"), "ADAMS, JOHN");
}

INSTANTIATE_TEST_SUITE_P(EveryRoster, RecordsetTest, test::kEveryRoster, test::rosterName);
INSTANTIATE_TEST_SUITE_P(EveryRoster, ConflictTest, test::kEveryRoster, test::rosterName);

} // namespace
