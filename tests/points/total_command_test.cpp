#include "points/message_sink.h"
#include "points/total_command.h"
#include "points/total_date_label.h"
#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/recordset.h"

#include "support/fixed_clock.h"
#include "support/roster_file.h"

#include <memory>

using namespace varnel::points;
using varnel::store::DataControl;
using varnel::store::Recordset;
namespace RecordsetError = varnel::RecordsetError;
using varnel::store::Value;
using varnel::test::FixedClock;

namespace {

// The TotalDate label as the window binds it: a bound control that reports
// its new text to the binding.
class FakeTotalDateLabel : public varnel::test::FakeControl, public TotalDateLabel {
public:
    FakeTotalDateLabel() : FakeControl("TotalDate") {}
    DataControl* data1 = nullptr;
    QStringList textsSet;
    void setText(const QString& text) override
    {
        textsSet << text;
        data1->setPending("TotalDate", Value::text(text));
    }
};

class RecordingSink : public MessageSink {
public:
    QStringList shown;
    std::function<void()> whileShown;
    void show(const QString& caption, const QString& text, MessageIcon icon) override
    {
        shown << caption + " | " + text + (icon == MessageIcon::Exclamation ? " | !" : "");
        if (whileShown)
            whileShown();
    }
};

// Reads the clock anew at each use: a run across midnight.
class SteppingClock : public Clock {
public:
    QList<QDateTime> moments;
    QDateTime now() override { return moments.size() > 1 ? moments.takeFirst() : moments.first(); }
};

const QString kPebd = "Error | Entry for PEBD is not valid | !";
const QString kDor = "Error | Entry for DOR is not valid | !";
const QString kNoApft = "Varnel | No APFT points added";
const QString kNoWeapon = "Varnel | No Weapon Qualification points added";
const QDateTime kNow(QDate(2024, 3, 15), QTime(10, 30));

QString iso(int daysFromToday) { return kNow.date().addDays(daysFromToday).toString(Qt::ISODate); }

// The worked example: 1000 and 400 days of service, band "C", "S", ARCOM,
// AAM and LTR/COM, evaluations 10 and 15; an old worksheet 1 2 3 4 5 = 40.
QVariantMap workedExample()
{
    return {{"Name", "Able"}, {"Rank", "SGT"}, {"TISDate", iso(-1000)}, {"DORDate", iso(-400)},
            {"APFT", "C"}, {"Weapon", "S"}, {"MSM", 0}, {"MSM2", 0}, {"ARCOM", 1}, {"AAM", 1},
            {"LTR/COM", 1}, {"1SGTPoints", 10}, {"SSGTPoints", 15}, {"TISPoints", 1}, {"TIGPoints", 2},
            {"APFTPoints", 3}, {"WeaponPoints", 4}, {"AwardPoints", 5}, {"TOTAL", 40},
            {"TotalDate", "1/1/2000"}, {"PrefDates", "JUN"}, {"LastSchool", "WLC"}};
}

class TotalCommand : public ::testing::TestWithParam<varnel::test::RosterKind> {
protected:
    varnel::test::RosterFile file{GetParam()};
    std::unique_ptr<DataControl> data1;
    FakeTotalDateLabel label;
    RecordingSink sink;
    FixedClock clock{kNow};

    // Replaces the roster with one soldier and opens it.
    void openWith(const QVariantMap& soldier)
    {
        file.exec(R"(DELETE FROM "Soldier")");
        file.insert(soldier);
        open();
    }
    void open()
    {
        data1 = std::make_unique<DataControl>();
        data1->setDatabaseName(file.location());
        data1->setRecordSource(varnel::store::kRosterQuery);
        data1->refresh();
        label.data1 = data1.get();
        data1->registerControl(&label);
        label.textsSet.clear();
        sink.shown.clear();
    }
    void total() { totalCommand(*data1, sink, clock, label, u'/'); }
    QVariantMap stored()
    {
        EXPECT_EQ(file.count(), 1);
        return file.records().value(0);
    }
    // The stored TIS TIG APFT Weapon Award TOTAL.
    QString worksheet()
    {
        const QVariantMap row = stored();
        QStringList parts;
        for (const char* c : {"TISPoints", "TIGPoints", "APFTPoints", "WeaponPoints", "AwardPoints", "TOTAL"})
            parts << (row[c].isNull() ? "null" : row[c].toString());
        return parts.join(' ');
    }
};

TEST_P(TotalCommand, WorkedExampleStoresTheWorksheetInTheFileTheSameEveryTime)
{
    QVariantMap soldier = workedExample();
    soldier["APFT"] = "A";
    openWith(soldier);
    // Pending in the form, not yet stored: the command saves it first.
    data1->setPending("APFT", Value::text("C"));
    total();
    const QVariantMap first = stored();
    EXPECT_EQ(worksheet(), "32 13 40 30 40 180");
    EXPECT_EQ(first["APFT"], "C");
    EXPECT_EQ(first["Name"], "Able");
    EXPECT_EQ(label.textsSet, QStringList{"3/15/2024"});
    EXPECT_EQ(first["TotalDate"], "3/15/2024");
    EXPECT_TRUE(sink.shown.isEmpty());
    EXPECT_EQ(data1->recordset().editMode(), Recordset::EditMode::None);
    total();
    EXPECT_EQ(stored(), first) << "twice on the same day stores the same values";
}

TEST_P(TotalCommand, OutcomesStoreWhatTheyShould)
{
    const QString unchanged = "1 2 3 4 5 40";
    const struct {
        const char* name;
        QVariantMap changes;
        QStringList messages;
        QString worksheet;
    } cases[] = {
        {"PEBD no value", {{"TISDate", QVariant()}}, {kPebd}, unchanged},
        {"PEBD impossible", {{"TISDate", "2/30/2021"}}, {kPebd}, unchanged},
        {"both dates bad", {{"TISDate", "x"}, {"DORDate", QVariant()}}, {kPebd}, unchanged},
        {"DOR no value", {{"DORDate", QVariant()}}, {kDor}, unchanged},
        {"DOR not a date", {{"DORDate", "13/1/2020"}}, {kDor}, unchanged},
        {"PEBD as m/d/yyyy text with time", {{"TISDate", kNow.date().addDays(-1000).toString("M/d/yyyy 8:15")}}, {},
         "32 13 40 30 40 180"},
        {"PEBD with the month's name, DOR with a two-digit year",
         {{"TISDate", kNow.date().addDays(-1000).toString("MMM d, yyyy")}, {"DORDate", kNow.date().addDays(-400).toString("M-d-yy")}},
         {}, "32 13 40 30 40 180"},
        {"PEBD a time alone", {{"TISDate", "13:30"}}, {kPebd}, unchanged},
        {"twenty years back, 31 days ahead", {{"TISDate", iso(-7305)}, {"DORDate", iso(31)}}, {}, "50 -1 40 30 40 184"},
        {"evaluation score no value", {{"SSGTPoints", QVariant()}}, {}, "32 13 40 30 40 null"},
        {"no band, no code", {{"APFT", "a"}, {"Weapon", QVariant()}}, {kNoApft, kNoWeapon}, "32 13 0 0 40 110"},
        {"nothing to count",
         {{"TISDate", iso(0)}, {"DORDate", iso(0)}, {"APFT", "A "}, {"Weapon", ""}, {"ARCOM", QVariant()},
          {"AAM", 0}, {"LTR/COM", 0}, {"1SGTPoints", 0}, {"SSGTPoints", 0}},
         {kNoApft, kNoWeapon}, "0 0 0 0 0 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QVariantMap soldier = workedExample();
        soldier.insert(c.changes);
        openWith(soldier);
        data1->setPending("PrefDates", Value::text("AUG"));
        total();

        const bool completed = c.worksheet != unchanged;
        EXPECT_EQ(sink.shown, c.messages);
        EXPECT_EQ(worksheet(), c.worksheet);
        EXPECT_EQ(stored()["PrefDates"], "AUG"); // the form's entry, saved first
        EXPECT_EQ(label.textsSet, completed ? QStringList{"3/15/2024"} : QStringList{});
        EXPECT_EQ(stored()["TotalDate"], completed ? "3/15/2024" : "1/1/2000");
        // No edit is left behind: saving the record again changes nothing.
        EXPECT_EQ(data1->recordset().editMode(), Recordset::EditMode::None);
        data1->recordset().edit();
        data1->recordset().update();
        EXPECT_EQ(worksheet(), c.worksheet);
    }
}

TEST_P(TotalCommand, NoticeComesWhileTheOldPointsStand)
{
    QVariantMap soldier = workedExample();
    soldier["APFT"] = "K";
    soldier["Weapon"] = "s";
    openWith(soldier);
    QStringList duringNotices;
    sink.whileShown = [&] {
        auto& rs = data1->recordset();
        duringNotices << rs.fields(20).value().displayText() + " " + rs.fields(21).value().displayText();
    };
    total();
    EXPECT_EQ(sink.shown, QStringList({kNoApft, kNoWeapon}));
    EXPECT_EQ(duringNotices, QStringList({"3 4", "0 4"}));
    EXPECT_EQ(worksheet(), "32 13 0 0 40 110");
}

TEST_P(TotalCommand, ReadsTheClockForEachUse)
{
    QVariantMap soldier = workedExample();
    soldier["TISDate"] = soldier["DORDate"] = "2012-12-05"; // 30 days to 4 January, 31 to 5 January
    openWith(soldier);
    SteppingClock midnight;
    midnight.moments = {QDateTime(QDate(2013, 1, 4), QTime(23, 59, 59)), QDateTime(QDate(2013, 1, 5), QTime(0, 0))};
    totalCommand(*data1, sink, midnight, label, u'/');
    EXPECT_EQ(worksheet(), "0 1 40 30 40 136");
    EXPECT_EQ(label.textsSet, QStringList{"1/5/2013"});
}

TEST_P(TotalCommand, WithoutCurrentRecordFailsAtTheFirstEdit)
{
    for (bool deleted : {false, true}) {
        SCOPED_TRACE(deleted ? "last record deleted" : "empty roster");
        file.exec(R"(DELETE FROM "Soldier")");
        if (deleted)
            file.insertNames({"Gone"});
        open();
        if (deleted) {
            data1->recordset().deleteRecord();
            data1->recordset().moveNext();
        }
        EXPECT_EQ(varnel::test::failureNumber([&] { total(); }), RecordsetError::NoCurrentRecord);
        EXPECT_EQ(file.count(), 0);
        EXPECT_TRUE(sink.shown.isEmpty());
        EXPECT_TRUE(label.textsSet.isEmpty());
    }
}

TEST_P(TotalCommand, StoreFailureCancelsTheEditAndGoesOn)
{
    openWith(workedExample());
    sink.whileShown = [&] { file.exec(R"(DELETE FROM "Soldier")"); };
    data1->setPending("APFT", Value::text("Z")); // brings up a notice mid-command
    EXPECT_EQ(varnel::test::failureNumber([&] { total(); }), RecordsetError::RecordGone);
    EXPECT_EQ(sink.shown, QStringList{kNoApft});
    EXPECT_EQ(data1->recordset().editMode(), Recordset::EditMode::None);
    EXPECT_FALSE(data1->hasPending());
}

TEST_P(TotalCommand, ASumPastTheLargestWholeNumberStoresNoWorksheet)
{
    QVariantMap soldier = workedExample();
    soldier["1SGTPoints"] = qint64(1) << 62;
    soldier["SSGTPoints"] = qint64(1) << 62;
    openWith(soldier);
    const auto failure = varnel::test::expectFailure([&] { total(); }, RecordsetError::Overflow);
    EXPECT_EQ(failure.value_or(varnel::Failure(0, "")).description(), "Overflow.");
    EXPECT_EQ(worksheet(), "1 2 3 4 5 40");
    EXPECT_EQ(stored()["TotalDate"], "1/1/2000");
    EXPECT_EQ(data1->recordset().editMode(), Recordset::EditMode::None);
}

TEST_P(TotalCommand, WorksOnTheRecordAsStoredNowAndNeverOverAnotherWritersWorksheet)
{
    // A service date another program corrected since the record was read
    // is the one counted.
    openWith(workedExample());
    file.exec(QStringLiteral(R"(UPDATE "Soldier" SET "TISDate" = '%1')").arg(iso(-400)));
    total();
    EXPECT_EQ(worksheet(), "13 13 40 30 40 161");

    // A worksheet another program stores while a notice is on the screen
    // is not overwritten, and ours is not stored beside it.
    QVariantMap soldier = workedExample();
    soldier["Weapon"] = "X";
    openWith(soldier);
    sink.whileShown = [&] { file.exec(R"(UPDATE "Soldier" SET "TISPoints" = 9, "TOTAL" = 99)"); };
    varnel::test::expectFailure([&] { total(); }, RecordsetError::ChangedByAnotherWriter, {"TISPoints, TOTAL"});
    EXPECT_EQ(worksheet(), "9 2 3 4 5 99");
    EXPECT_EQ(stored()["TotalDate"], "1/1/2000");
}

INSTANTIATE_TEST_SUITE_P(EveryRoster, TotalCommand, varnel::test::kEveryRoster, varnel::test::rosterName);

} // namespace
