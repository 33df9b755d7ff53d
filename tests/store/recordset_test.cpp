#include "common/name_order.h"
#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/record_layout.h"
#include "store/recordset.h"

#include "support/roster_file.h"

using namespace varnel;
using namespace varnel::store;
using test::failureNumber;
using test::FakeControl;

namespace {

class RecordsetTest : public ::testing::TestWithParam<test::RosterKind> {
protected:
    test::RosterFile file{GetParam()};
    DataControl data1;

    void open()
    {
        data1.setDatabaseName(file.location());
        data1.setRecordSource(kRosterQuery);
        data1.refresh();
    }
    Recordset& rs() { return data1.recordset(); }
    QString currentName() { return rs().fieldValue(rs().layout().indexOf("Name")).asText(); }
    QStringList rosterRows() { return test::shownRows(data1, {"Name", "Rank"}); }
    QStringList rosterNames() { return test::shownRows(data1); }
};

TEST_P(RecordsetTest, OpensInNameOrderWithTheFirstRecordCurrent)
{
    file.insertNames({"MILLER, SARAH", "ADAMS, AARON", "KIM, OMAR", "ADAMS, AARON"});
    open();
    EXPECT_EQ(rosterNames(), QStringList({"ADAMS, AARON", "ADAMS, AARON", "KIM, OMAR", "MILLER, SARAH"}));
    EXPECT_EQ(rs().position(), 0);
    EXPECT_EQ(currentName(), "ADAMS, AARON");
}

TEST_P(RecordsetTest, NamesAreInDictionaryOrderWithNoNameFirst)
{
    // Inserted out of order; two without a name, and two equal names.
    file.insert({{"Name", "Zimmerman"}});
    file.insert({{"Name", "de la Cruz"}});
    file.insert({{"Name", "MULLER, ANN"}});
    file.insert({});
    file.insert({{"Name", "Müller, Ann"}});
    file.insert({{"Name", "Davis"}});
    file.insert({{"Name", ""}});
    file.insert({{"Name", "Ångström"}});
    file.insert({{"Name", "davis"}});
    file.insert({{"Name", "Davis"}});
    file.insert({{"Name", "Evans"}});
    // The index a new roster has, none, and one another program made.
    for (const char* index : {"", R"(DROP INDEX IF EXISTS "SoldierByName")", R"(CREATE INDEX "ByName" ON "Soldier" ("Name"))"}) {
        SCOPED_TRACE(*index ? index : "the index a new roster has");
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
    const struct {
        const char* part;
        int from;
        int found;
    } cases[] = {
        {"mull", 0, 2}, {"mull", 3, 3}, {"MULL", 3, 3}, {"müll", 2, 2}, {"LA CR", 0, 1},
        {"adams", 1, 0} /* round from the start */, {"zz", 0, -1}, {"", 2, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rs().findName(QString::fromUtf8(c.part), c.from), c.found) << c.part << " from " << c.from;
    // Names another program or the clerk changed are found as they are now.
    file.exec(R"(UPDATE "Soldier" SET "Name" = 'ZIMMER, ZOE' WHERE "Name" LIKE 'MULLINS%')");
    EXPECT_EQ(rs().findName("zimmer", 0), 3);
    data1.setPending("Name", Value::text("YOUNG, ADA"));
    rs().edit();
    rs().update();
    EXPECT_EQ(rs().findName("young", 0), 0);
}

TEST(NameOrder, FoldsCaseAndAccentsThenTheExactText)
{
    const struct {
        const char* a;
        const char* b;
        int order; // of a against b
    } cases[] = {
        {"de la Cruz", "Zimmerman", -1}, {"Davis", "de la Cruz", -1}, {"Müller", "Mullins", -1},
        {"MÜLLER", "muller", -1},        {"Muller", "Müller", -1},    {"éclair", "Eclair", 1},
        {"Adams", "Adams", 0},           {"", "A", -1},               {"O'Brien", "Obrien", -1},
        // Marks above U+FFFF are left out too; a Hangul syllable folds as its letters.
        {"a\U0001D165a", "ab", -1},       {"\uD55C", "\u1112\u1161\u11AB", 1},
    };
    for (const auto& c : cases) {
        const QString a = QString::fromUtf8(c.a), b = QString::fromUtf8(c.b);
        const int order = varnel::compareNames(a, b);
        EXPECT_EQ((order > 0) - (order < 0), c.order) << c.a << " / " << c.b;
        EXPECT_EQ(-((varnel::compareNames(b, a) > 0) - (varnel::compareNames(b, a) < 0)), c.order) << c.b << " / " << c.a;
    }
    EXPECT_TRUE(varnel::nameContains(QString::fromUtf8("MÜLLER, ANN"), QStringLiteral("mull")));
    EXPECT_TRUE(varnel::nameContains(QStringLiteral("de la Cruz"), QStringLiteral("LA CR")));
    EXPECT_FALSE(varnel::nameContains(QStringLiteral("de la Cruz"), QStringLiteral("lacr")));
    // A text of megabytes is placed by its folded beginning, then exactly.
    const QString longName = QString(2'000'000, QChar(0xE9));
    EXPECT_EQ(varnel::nameFoldKey(longName), QByteArray(varnel::kFoldedNameLength, 'e'));
    EXPECT_LT(varnel::compareNames(QString(longName).append(u'a'), QString(longName).append(u'b')), 0);
    EXPECT_GT(varnel::compareNames(longName, QString(2'000'000, u'e')), 0);
}

TEST_P(RecordsetTest, MisusedOperationsFailWithTheirNumbers)
{
    open(); // an empty roster: no current record
    EXPECT_TRUE(rs().eof());
    EXPECT_FALSE(rs().hasCurrent());
    EXPECT_EQ(failureNumber([&] { rs().edit(); }), RecordsetError::NoCurrentRecord);
    EXPECT_EQ(failureNumber([&] { rs().deleteRecord(); }), RecordsetError::NoCurrentRecord);
    EXPECT_EQ(failureNumber([&] { rs().moveNext(); }), RecordsetError::NoCurrentRecord);
    file.insertNames({"A"});
    data1.refresh();
    EXPECT_EQ(failureNumber([&] { rs().update(); }), RecordsetError::NoEditInProgress);
    EXPECT_EQ(failureNumber([&] { rs().fields(ordinal::TOTAL).setValue(Value::integer(1)); }), RecordsetError::NoEditInProgress);
    EXPECT_EQ(failureNumber([&] { rs().fields(99).value(); }), RecordsetError::NoSuchColumn);
    EXPECT_EQ(failureNumber([&] { rs().moveTo(5); }), RecordsetError::NoCurrentRecord);
}

TEST_P(RecordsetTest, NewRecordIsAppendedAtTheEndWhateverItsName)
{
    file.insertNames({"BAKER, ERIC", "YOUNG, GRACE"});
    open();
    rs().addNew();
    rs().fields(ordinal::TISPoints).setValue(Value::integer(7));
    data1.setPending("Name", Value::text("AARONSON, ZED"));
    rs().update();
    EXPECT_EQ(rosterNames(), QStringList({"BAKER, ERIC", "YOUNG, GRACE", "AARONSON, ZED"}));
    EXPECT_EQ(currentName(), "BAKER, ERIC") << "the position returns to the record current before AddNew";
    rs().moveLast();
    EXPECT_EQ(currentName(), "AARONSON, ZED");
    EXPECT_EQ(rs().fieldValue(ordinal::TISPoints), Value::integer(7));
    EXPECT_EQ(file.count(), 3);

    // Edit while a typed new record is open keeps that record too.
    rs().addNew();
    data1.setPending("Name", Value::text("CARTER, DAVID"));
    rs().edit();
    EXPECT_EQ(file.count(), 4);
    EXPECT_EQ(rosterNames().last(), "CARTER, DAVID");
}

TEST_P(RecordsetTest, PendingValuesAreStoredWhenTheBindingLeavesTheRecord)
{
    const qint64 first = file.insertNames({"ADAMS, AARON", "BAKER, ERIC"}).first();
    open();
    FakeControl apft("APFT");
    data1.registerControl(&apft);
    data1.setPending("APFT", Value::text("C"));
    EXPECT_EQ(data1.shownValue("APFT"), Value::text("C"));
    EXPECT_TRUE(file.stored(first, "APFT").isNull()) << "pending values stay pending";

    rs().moveNext();
    EXPECT_EQ(file.stored(first, "APFT").toString(), "C");
    EXPECT_EQ(currentName(), "BAKER, ERIC");
    EXPECT_TRUE(apft.shown.isNull()) << "the control shows the new current record";
    rs().moveTo(0);
    EXPECT_EQ(apft.shown, Value::text("C"));
}

TEST_P(RecordsetTest, ValuesRoundTripInTheFileEncodings)
{
    const qint64 key = file.insert({{"Name", "ADAMS, AARON"}, {"TISDate", "1/5/2013"}, {"DORDate", "2020-02-29 08:30:00"},
                                    {"MSM", 5}, {"MSM2", 0}, {"AAM", -1}});
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
    rs().fields(ordinal::TOTAL).setValue(Value::null());
    rs().fields(ordinal::TISPoints).setValue(Value::integer(-1));
    rs().update();
    EXPECT_EQ(file.stored(key, "TISDate").toString(), "2001-09-11");
    EXPECT_EQ(file.stored(key, "DORDate").toString(), "2020-02-29 08:30:00") << "untouched columns keep their text";
    EXPECT_EQ(file.stored(key, "ARCOM").toLongLong(), 1);
    EXPECT_EQ(file.stored(key, "TISPoints").toLongLong(), -1);
    EXPECT_TRUE(file.stored(key, "TOTAL").isNull());
}

TEST_P(RecordsetTest, DeleteLeavesNoCurrentRecordUntilTheNextMove)
{
    file.insertNames({"A", "B", "C"});
    open();
    rs().moveTo(1);
    FakeControl name("Name");
    data1.registerControl(&name);
    data1.setPending("Rank", Value::text("SGT"));
    rs().deleteRecord();
    EXPECT_FALSE(rs().hasCurrent());
    EXPECT_FALSE(data1.hasPending()) << "pending values of a deleted record are dropped";
    EXPECT_EQ(failureNumber([&] { rs().edit(); }), RecordsetError::NoCurrentRecord);
    rs().moveNext();
    EXPECT_EQ(currentName(), "C");
    EXPECT_EQ(name.shown, Value::text("C"));
    EXPECT_EQ(file.names(), QStringList({"A", "C"}));

    rs().deleteRecord();
    rs().moveNext();
    EXPECT_TRUE(rs().eof()) << "deleting the last record leaves the position past the end";
    EXPECT_EQ(failureNumber([&] { rs().moveNext(); }), RecordsetError::NoCurrentRecord);
}

TEST_P(RecordsetTest, CancelUpdateKeepsTheStoredRecord)
{
    const qint64 key = file.insert({{"Name", "A"}, {"TISPoints", 3}});
    open();
    rs().edit();
    rs().fields(ordinal::TISPoints).setValue(Value::integer(40));
    data1.setPending("Rank", Value::text("SGT"));
    rs().cancelUpdate();
    rs().moveTo(0);
    EXPECT_EQ(file.stored(key, "TISPoints").toInt(), 3);
    EXPECT_TRUE(file.stored(key, "Rank").isNull());
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
        EXPECT_EQ(test::shownRows(data1), QStringList({"B"}));
        return;
    }
    rs().edit();
    EXPECT_EQ(failureNumber([&] { rs().update(); }), RecordsetError::RecordGone) << "even without changes";
    rs().cancelUpdate();
    EXPECT_EQ(failureNumber([&] { rs().deleteRecord(); }), RecordsetError::RecordGone);
}

TEST_P(RecordsetTest, GridRowsShowAnotherProgramsChangesAndKeepToTheirRecords)
{
    file.insertNames({"A", "B", "C", "D"});
    open();
    const int rank = rs().layout().indexOf("Rank");
    EXPECT_TRUE(data1.displayValue(2, rank).isNull()); // the grid has read the rows
    file.exec(R"(UPDATE "Soldier" SET "Rank" = 'SGT' WHERE "Name" = 'C')");
    rs().moveTo(1);
    EXPECT_EQ(data1.displayValue(2, rank), Value::text("SGT")) << "read again once the clerk moves";

    // Records deleted and added around them: each row still shows its own.
    rs().moveTo(0);
    rs().deleteRecord();
    rs().moveNext();
    rs().addNew();
    data1.setPending("Name", Value::text("E"));
    rs().update();
    EXPECT_EQ(rosterNames(), QStringList({"B", "C", "D", "E"}));
    EXPECT_EQ(data1.displayValue(1, rank), Value::text("SGT"));
    EXPECT_TRUE(data1.displayValue(2, rank).isNull());
}

// The grid's rows after each kind of change, once the grid has read them:
// each row shows what the file holds for its record, never what another
// record held or what was never stored.
TEST_P(RecordsetTest, GridRowsShowTheFileAfterEveryChange)
{
    using Change = std::function<void()>;
    // Every record's Rank to `rank`.
    const auto setRank = [this](const char* rank) {
        return [rank, at = rs().layout().indexOf("Rank")](int, const QList<Value>&) {
            return QHash<int, Value>{{at, Value::text(rank)}};
        };
    };
    const struct {
        const char* change;
        Change run;
        QStringList rows;
    } cases[] = {
        {"a record added after the grid read the last rows",
         [this] {
             rs().addNew();
             data1.setPending("Name", Value::text("D"));
             rs().update();
         },
         {"A/PV1", "B/", "C/SGT", "D/"}},
        {"a record added where the last one was deleted",
         [this] {
             rs().moveTo(2);
             rs().deleteRecord();
             rs().addNew();
             data1.setPending("Name", Value::text("E"));
             rs().update();
         },
         {"A/PV1", "B/", "E/"}},
        {"a record stored as the binding leaves it",
         [this] {
             rs().moveTo(1);
             data1.setPending("Rank", Value::text("SPC"));
             rs().moveTo(0);
         },
         {"A/PV1", "B/SPC", "C/SGT"}},
        {"a record read again after another program changed it",
         [this] {
             rs().moveTo(2);
             file.exec(R"(UPDATE "Soldier" SET "Rank" = 'MAJ' WHERE "Name" = 'C')");
             rs().reloadCurrent();
         },
         {"A/PV1", "B/", "C/MAJ"}},
        {"every record changed in one transaction",
         [this, setRank] { rs().changeEveryRecord(setRank("CPL"), [](int, int) { return true; }); },
         {"A/CPL", "B/CPL", "C/CPL"}},
        {"every record's change cancelled after the grid read the rows during it",
         [this, setRank] {
             data1.refresh(); // nothing read yet
             rs().changeEveryRecord(setRank("CPL"), [this](int done, int total) {
                 if (done < total)
                     return true;
                 rosterRows(); // the progress window lets the grid paint, then Cancel
                 return false;
             });
         },
         {"A/PV1", "B/", "C/SGT"}},
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

INSTANTIATE_TEST_SUITE_P(EveryRoster, RecordsetTest, test::kEveryRoster, test::rosterName);

} // namespace
