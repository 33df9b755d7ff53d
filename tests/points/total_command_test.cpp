#include "points/clock.h"
#include "points/message_sink.h"
#include "points/total_all.h"
#include "points/total_command.h"
#include "points/total_date_label.h"
#include "store/data_control.h"
#include "store/recordset.h"

#include "support/roster_file.h"

using namespace varnel::points;
using namespace varnel::test;
using varnel::store::DataControl;
using varnel::store::Recordset;
using varnel::store::Value;
namespace RecordsetError = varnel::RecordsetError;

namespace {

class FakeTotalDateLabel : public FakeControl, public TotalDateLabel {
public:
    FakeTotalDateLabel() : FakeControl("TotalDate") {}
    DataControl* data1 = nullptr;
    QStringList textsSet; // what the label was given to show
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

const QString kPebd = "Error | Entry for PEBD is not valid | !";
const QString kDor = "Error | Entry for DOR is not valid | !";
const QString kNoApft = "Varnel | No APFT points added";
const QString kNoWeapon = "Varnel | No Weapon Qualification points added";
const QDateTime kNow(QDate(2024, 3, 15), QTime(10, 30));

// Each moment once, then the last for ever: a run across midnight.
class SteppingClock : public Clock {
public:
    QList<QDateTime> moments{kNow};
    QDateTime now() override { return moments.size() > 1 ? moments.takeFirst() : moments.first(); }
};

QString iso(int daysFromToday) { return kNow.date().addDays(daysFromToday).toString(Qt::ISODate); }

// 1000 and 400 days of service, C, S, ARCOM, AAM, LTR/COM, evaluations 10 and 15; an old worksheet 1 2 3 4 5 = 40.
QVariantMap workedExample(const QVariantMap& changes = {})
{
    QVariantMap soldier{{"Name", "Able"}, {"Rank", "SGT"}, {"TISDate", iso(-1000)}, {"DORDate", iso(-400)},
                        {"APFT", "C"}, {"Weapon", "S"}, {"MSM", 0}, {"MSM2", 0}, {"ARCOM", 1}, {"AAM", 1},
                        {"LTR/COM", 1}, {"1SGTPoints", 10}, {"SSGTPoints", 15}, {"TISPoints", 1}, {"TIGPoints", 2},
                        {"APFTPoints", 3}, {"WeaponPoints", 4}, {"AwardPoints", 5}, {"TOTAL", 40},
                        {"TotalDate", "1/1/2000"}, {"PrefDates", "JUN"}, {"LastSchool", "WLC"}};
    soldier.insert(changes);
    return soldier;
}

class TotalCommand : public ::testing::TestWithParam<RosterKind> {
protected:
    RosterFile file{GetParam()};
    std::unique_ptr<DataControl> data1;
    FakeTotalDateLabel label;
    RecordingSink sink;
    SteppingClock clock;

    void openWith(const QList<QVariantMap>& soldiers)
    {
        file.exec(R"(DELETE FROM "Soldier")");
        for (const QVariantMap& soldier : soldiers)
            file.insert(soldier);
        data1 = std::make_unique<DataControl>();
        file.openIn(*data1);
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
    QString worksheet()
    {
        const QVariantMap row = stored();
        QStringList parts;
        for (const char* c : {"TISPoints", "TIGPoints", "APFTPoints", "WeaponPoints", "AwardPoints", "TOTAL"})
            parts << (row[c].isNull() ? "null" : row[c].toString());
        return parts.join(' ');
    }
};

TEST_P(TotalCommand, OutcomesStoreWhatTheyShould)
{
    const QString unchanged = "1 2 3 4 5 40";
    const struct { const char* name; QVariantMap changes; QStringList messages; QString worksheet; } cases[] = {
        {"the worked example", {}, {}, "32 13 40 30 40 180"},
        {"PEBD no value", {{"TISDate", QVariant()}}, {kPebd}, unchanged},
        {"both dates bad", {{"TISDate", "x"}, {"DORDate", QVariant()}}, {kPebd}, unchanged},
        {"DOR no value", {{"DORDate", QVariant()}}, {kDor}, unchanged},
        {"evaluation score no value", {{"SSGTPoints", QVariant()}}, {}, "32 13 40 30 40 null"},
        {"no band, no code", {{"APFT", "K"}, {"Weapon", "s"}}, {kNoApft, kNoWeapon}, "32 13 0 0 40 110"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        openWith({workedExample(c.changes)});
        data1->setPending("PrefDates", Value::text("AUG"));
        // Each notice comes while the points it is about still stand.
        QStringList apftAndWeaponPoints;
        sink.whileShown = [&] {
            auto& rs = data1->recordset();
            apftAndWeaponPoints << rs.fields(20).value().displayText() + " " + rs.fields(21).value().displayText();
        };
        total();
        const bool completed = c.worksheet != unchanged;
        EXPECT_EQ(sink.shown, c.messages);
        if (c.messages.contains(kNoApft)) {
            EXPECT_EQ(apftAndWeaponPoints, QStringList({"3 4", "0 4"}));
        }
        EXPECT_EQ(worksheet(), c.worksheet);
        EXPECT_EQ(stored()["PrefDates"], "AUG"); // the form's entries, stored first
        EXPECT_EQ(label.textsSet, completed ? QStringList{"3/15/2024"} : QStringList{});
        EXPECT_EQ(stored()["TotalDate"], completed ? "3/15/2024" : "1/1/2000");
        // Again the same day: the same, and no half-written worksheet stored.
        const QVariantMap once = stored();
        total();
        EXPECT_EQ(stored(), once);
    }
}

TEST_P(TotalCommand, ReadsTheClockForEachUse)
{
    // 30 days to 4 January, 31 to 5 January; the band entered in the form is the one counted.
    openWith({workedExample({{"TISDate", "2012-12-05"}, {"DORDate", "2012-12-05"}, {"APFT", "A"}})});
    data1->setPending("APFT", Value::text("C"));
    clock.moments = {QDateTime(QDate(2013, 1, 4), QTime(23, 59, 59)), QDateTime(QDate(2013, 1, 5), QTime(0, 0))};
    total();
    EXPECT_EQ(worksheet(), "0 1 40 30 40 136");
    EXPECT_EQ(label.textsSet, QStringList{"1/5/2013"});
}

TEST_P(TotalCommand, WithoutCurrentRecordFailsAtTheFirstEdit)
{
    openWith({});
    EXPECT_EQ(failureNumber([&] { total(); }), RecordsetError::NoCurrentRecord);
    EXPECT_EQ(file.count(), 0);
    EXPECT_TRUE(sink.shown.isEmpty());
    EXPECT_TRUE(label.textsSet.isEmpty());
}

TEST_P(TotalCommand, WorksOnTheRecordAsStoredNowAndAFailureStoresNoWorksheet)
{
    // A service date another program corrected since the read is counted.
    openWith({workedExample()});
    file.exec(QStringLiteral(R"(UPDATE "Soldier" SET "TISDate" = '%1')").arg(iso(-400)));
    total();
    EXPECT_EQ(worksheet(), "13 13 40 30 40 161");

    // What another program stores while a notice is up is kept as it is.
    const struct { const char* name; QVariantMap changes; const char* sql; int number; const char* named; } cases[] = {
        {"soldier deleted", {}, R"(DELETE FROM "Soldier")", RecordsetError::RecordGone, ""},
        {"worksheet stored", {}, R"(UPDATE "Soldier" SET "TISPoints" = 9, "TOTAL" = 99)", RecordsetError::ChangedByAnotherWriter,
         "(TIS points, point total)"},
        {"a sum past the largest whole number", {{"1SGTPoints", qint64(1) << 62}, {"SSGTPoints", qint64(1) << 62}}, "",
         RecordsetError::Overflow, "Overflow."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        openWith({workedExample(c.changes)});
        QList<QVariantMap> before;
        sink.whileShown = [&] {
            if (*c.sql)
                file.exec(c.sql);
            before = file.records();
        };
        data1->setPending("APFT", Value::text("Z")); // brings up a notice mid-command
        expectFailure([&] { total(); }, c.number, {c.named});
        EXPECT_EQ(sink.shown, QStringList{kNoApft});
        EXPECT_EQ(file.records(), before);
        EXPECT_EQ(data1->recordset().editMode(), Recordset::EditMode::None);
        EXPECT_FALSE(data1->hasPending());
    }
}

// Complete, refused dates, notices, a blank evaluation, no name, the awards' cap.
QList<QVariantMap> unit()
{
    return {
        workedExample(),
        workedExample({{"Name", "Carter"}, {"DORDate", QVariant()}}), // keyed before Baker, listed after him
        workedExample({{"Name", "Baker"}, {"TISDate", "soon"}}),
        workedExample({{"Name", "Diaz"}, {"APFT", "c"}, {"Weapon", QVariant()}}),
        workedExample({{"Name", "Evans"}, {"SSGTPoints", QVariant()}}),
        workedExample({{"Name", QVariant()}, {"TISDate", "Mar 1, 2020"}, {"DORDate", "3-1-22"}}),
        workedExample({{"Name", "Ford"}, {"MSM", 1}, {"MSM2", 1}, {"ARCOM2", 1}, {"ARCOM3", 1}, {"TISDate", iso(30)}}),
    };
}

TEST_P(TotalCommand, TotalAllStoresWhatTotalStoresAndSaysWhatTotalWouldHaveSaid)
{
    openWith(unit());
    for (int position = 0; position < data1->recordset().recordCount(); ++position) {
        data1->recordset().moveTo(position);
        if (position == 1) // Able, after the soldier without a name
            data1->setPending("PrefDates", Value::text("AUG"));
        total();
    }
    RosterFile all(GetParam());
    for (const QVariantMap& s : unit())
        all.insert(s);
    DataControl allData;
    all.openIn(allData);
    allData.recordset().moveTo(1);
    allData.setPending("PrefDates", Value::text("AUG"));
    const TotalAllSummary cancelled = totalAllSoldiers(allData, clock, u'/', [](int done, int) { return done < 3; });
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(all.recordNamed("Able").value("TOTAL"), 40) << "no worksheet stored";
    EXPECT_EQ(all.recordNamed("Able").value("PrefDates"), "AUG");
    EXPECT_FALSE(allData.hasPending());
    if (!all.onServer()) {
        EXPECT_EQ(filesBeside(all.path()), QStringList()) << "no journal left behind";
    }

    int lastDone = -1;
    const TotalAllSummary summary = totalAllSoldiers(allData, clock, u'/', [&](int done, int total) {
        EXPECT_EQ(total, 7);
        lastDone = done;
        return true;
    });
    EXPECT_EQ(all.records(), file.records()) << "the same worksheets and stamps";
    EXPECT_EQ(lastDone, 7);
    EXPECT_EQ(summary.headline(), "Totalled 5 of 7 soldiers; 2 refused.");
    // In roster order; the soldier without a name was totalled, not refused.
    EXPECT_EQ(summary.details(), "Refused, nothing worked out:\n  Baker: " + kPebdNotValid + "\n  Carter: " + kDorNotValid
                                     + "\n\nTotalled with a notice:\n  Diaz: No APFT points added\n  Diaz: No Weapon "
                                       "Qualification points added\n\nTOTAL left blank, as an evaluation score is blank:\n  Evans");
    if (!all.onServer()) {
        EXPECT_EQ(integrityCheck(all.path()), "ok");
    }
}

INSTANTIATE_TEST_SUITE_P(EveryRoster, TotalCommand, kEveryRoster, rosterName);

} // namespace
