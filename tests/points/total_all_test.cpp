// Total All Soldiers against the single Total: on the same records both
// store the same worksheets, and the batch reports what Total would have
// said, soldier by soldier.
#include "points/message_sink.h"
#include "points/total_all.h"
#include "points/total_command.h"
#include "points/total_date_label.h"
#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/recordset.h"

#include "support/fixed_clock.h"
#include "support/roster_file.h"

#include <QFile>

using namespace varnel::points;
using varnel::store::DataControl;
using varnel::store::Value;
using namespace varnel::test;

namespace {

const QDateTime kNow(QDate(2024, 3, 15), QTime(10, 30));

QString iso(int daysFromToday) { return kNow.date().addDays(daysFromToday).toString(Qt::ISODate); }

// A unit with every case Total knows: complete, refused dates, notices,
// a blank evaluation, no name.
QList<QVariantMap> unit()
{
    const QVariantMap base = {{"Rank", "SGT"}, {"TISDate", iso(-1000)}, {"DORDate", iso(-400)}, {"APFT", "C"},
                              {"Weapon", "S"}, {"ARCOM", 1}, {"AAM", 1}, {"LTR/COM", 1}, {"1SGTPoints", 10},
                              {"SSGTPoints", 15}, {"TOTAL", 7}, {"TotalDate", "1/1/2000"}};
    auto with = [&](QVariantMap changes) {
        QVariantMap s = base;
        s.insert(changes);
        return s;
    };
    return {
        with({{"Name", "Able"}}),
        with({{"Name", "Baker"}, {"TISDate", "soon"}}),
        with({{"Name", "Carter"}, {"DORDate", QVariant()}}),
        with({{"Name", "Diaz"}, {"APFT", "c"}, {"Weapon", QVariant()}}),
        with({{"Name", "Evans"}, {"SSGTPoints", QVariant()}}),
        with({{"Name", QVariant()}, {"TISDate", "Mar 1, 2020"}, {"DORDate", "3-1-22"}}),
        with({{"Name", "Ford"}, {"MSM", 1}, {"MSM2", 1}, {"ARCOM2", 1}, {"ARCOM3", 1}, {"TISDate", iso(30)}}),
    };
}

class SilentSink : public MessageSink {
public:
    void show(const QString&, const QString&, MessageIcon) override {}
};

class Label : public FakeControl, public TotalDateLabel {
public:
    explicit Label(DataControl& data1) : FakeControl("TotalDate"), data1_(data1) {}
    void setText(const QString& text) override { data1_.setPending("TotalDate", Value::text(text)); }

private:
    DataControl& data1_;
};

class TotalAll : public ::testing::TestWithParam<RosterKind> {};

TEST_P(TotalAll, StoresWhatTotalStoresForEverySoldierAndSaysWhatTotalWouldHaveSaid)
{
    RosterFile one(GetParam());
    RosterFile all(GetParam());
    for (const QVariantMap& s : unit()) {
        one.insert(s);
        all.insert(s);
    }

    // Total, soldier by soldier, through the single command.
    {
        DataControl data1;
        one.openIn(data1);
        Label label(data1);
        data1.registerControl(&label);
        SilentSink sink;
        FixedClock clock(kNow);
        for (int position = 0; position < data1.recordset().recordCount(); ++position) {
            data1.recordset().moveTo(position);
            totalCommand(data1, sink, clock, label, u'/');
        }
    }
    // And all at once.
    DataControl data1;
    all.openIn(data1);
    FixedClock clock(kNow);
    int lastDone = -1;
    const TotalAllSummary summary = totalAllSoldiers(data1, clock, u'/', [&](int done, int total) {
        EXPECT_EQ(total, 7);
        lastDone = done;
        return true;
    });

    EXPECT_EQ(all.records(), one.records()) << "the same worksheets and stamps";
    EXPECT_EQ(lastDone, 7);
    EXPECT_FALSE(summary.cancelled);
    EXPECT_EQ(summary.soldiers, 7);
    EXPECT_EQ(summary.totalled, 5);
    auto entries = [](const QList<TotalAllSummary::Entry>& list) {
        QStringList out;
        for (const auto& e : list)
            out << e.soldier + ": " + e.what;
        return out;
    };
    // In roster order: the soldier without a name first.
    EXPECT_EQ(entries(summary.refused), QStringList({"Baker: " + kPebdNotValid, "Carter: " + kDorNotValid}));
    EXPECT_EQ(entries(summary.notices), QStringList({"Diaz: No APFT points added", "Diaz: No Weapon Qualification points added"}));
    EXPECT_EQ(summary.blankTotals, QStringList{"Evans"});
    EXPECT_TRUE(summary.headline().startsWith("Totalled 5 of 7 soldiers; 2 refused.")) << qPrintable(summary.headline());
    EXPECT_FALSE(summary.details().contains("no name")) << "the soldier without a name was totalled, not refused";
    if (!all.onServer()) {
        EXPECT_EQ(integrityCheck(all.path()), "ok");
    }
}

TEST_P(TotalAll, CancelStoresNothingAndPendingEntriesAreStoredFirst)
{
    RosterFile file(GetParam());
    for (const QVariantMap& s : unit())
        file.insert(s);
    DataControl data1;
    file.openIn(data1);
    data1.recordset().moveTo(1); // Able, after the soldier without a name
    data1.setPending("PrefDates", Value::text("JUN"));
    FixedClock clock(kNow);
    const TotalAllSummary cancelled = totalAllSoldiers(data1, clock, u'/', [](int done, int) { return done < 3; });
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(cancelled.totalled, 0);
    EXPECT_EQ(file.recordNamed("Able").value("TOTAL"), 7) << "no worksheet stored";
    EXPECT_EQ(file.recordNamed("Able").value("PrefDates"), "JUN") << "the clerk's entries were stored first";
    EXPECT_FALSE(data1.hasPending());
    if (!file.onServer()) {
        EXPECT_EQ(filesBeside(file.path()), QStringList()) << "no journal left behind";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryRoster, TotalAll, kEveryRoster, rosterName);

} // namespace
