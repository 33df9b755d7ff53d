// The Total command on imported soldiers, in the roster order of the Access
// file and in another arrangement of the free columns (another key name,
// the schools and the evaluation pair swapped): the imported dates are
// dates to it, the Yes/No values awards, the numbers numbers.
#include "jet_fixture.h"

#include "legacy/access_import.h"
#include "points/message_sink.h"
#include "points/total_command.h"
#include "points/total_date_label.h"
#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/recordset.h"
#include "support/fixed_clock.h"

using namespace varnel;
using namespace varnel::legacy;
using namespace varnel::legacy::test;

namespace {

class Label : public points::TotalDateLabel {
public:
    explicit Label(store::DataControl& data1) : data1_(data1) {}
    void setText(const QString& text) override { data1_.setPending("TotalDate", store::Value::text(text)); }

private:
    store::DataControl& data1_;
};

class Messages : public points::MessageSink {
public:
    QStringList shown;
    void show(const QString&, const QString& text, points::MessageIcon) override { shown << text; }
};

class TotalAfterImport : public ::testing::TestWithParam<TableLayout> {};

TEST_P(TotalAfterImport, WorksOutThePointsOfImportedSoldiers)
{
    QTemporaryDir dir;
    const QString access = copyJetFile(kJet4Access2003, dir.filePath("old.mdb"));
    const bool rearranged = GetParam() == TableLayout::Rearranged;
    if (rearranged)
        swapColumnNames(access, {{"ID", "No"}, {"LastSchool", "NextSchool"}, {"1SGTPoints", "SSGTPoints"}});
    const QString roster = dir.filePath("Varnel_DATA.MDB");
    ASSERT_EQ(importAccessRoster(access, roster).records, 300);

    store::DataControl data1;
    store::loadRoster(data1, dir.path());
    store::Recordset& rs = data1.recordset();
    ASSERT_EQ(rs.recordCount(), 300);
    const int nameAt = rs.layout().indexOf("Name");
    auto moveTo = [&](const QString& name) {
        for (int p = 0; p < rs.recordCount(); ++p) {
            if (rs.storedValue(p, nameAt).asText() == name) {
                rs.moveTo(p);
                return true;
            }
        }
        return false;
    };
    // Far enough on that every service date counts its 50 months.
    varnel::test::FixedClock clock(QDateTime(QDate(2040, 1, 1), QTime(9, 0)));
    Label label(data1);

    // Worked out by hand from the file's records (tests/legacy/data/README.md):
    // 100 for the two dates, then band, weapon, awards and both evaluations.
    const struct {
        const char* name;
        QVariant total;
        QStringList messages;
    } cases[] = {
        {"Müller, Zoë", 100 + 40 + 10 + 25 + 79 + 92, {}},            // C, M, MSM2
        {"Soldier004, Test", 100 + 0 + 30 + 20 + 93 + 106, {"No APFT points added"}}, // no band, S, ARCOM
        {"Soldier005, Test", 100 + 25 + 10 + 45 + 100 + 113, {}},     // F, M, MSM and ARCOM; no TISPoints before
        {"Soldier255, Test", 100 + 25 + 50 + 50 + 250 + 263, {}},     // F, E, eight awards capped at 50
        {"Soldier003, Test", 3 * 3, {"Entry for PEBD is not valid"}},  // no PEBD: TOTAL stays as it was
    };
    Connection db(roster);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(moveTo(QString::fromUtf8(c.name)));
        Messages messages;
        points::totalCommand(data1, messages, clock, label, u'/');
        EXPECT_EQ(messages.shown, c.messages);
        const QVariantMap stored = db.rows("SELECT * FROM Soldier WHERE Name = ?", {QString::fromUtf8(c.name)}).value(0);
        EXPECT_EQ(stored.value("TOTAL"), c.total);
        if (c.messages.value(0).startsWith("Entry")) {
            EXPECT_EQ(stored.value("TotalDate"), "12/6/2026") << "unchanged";
        } else {
            EXPECT_EQ(stored.value("TISPoints"), 50);
            EXPECT_EQ(stored.value("TIGPoints"), 50);
            EXPECT_EQ(stored.value("TotalDate"), "1/1/2040");
        }
    }
    EXPECT_EQ(integrityCheck(roster), "ok");
}

INSTANTIATE_TEST_SUITE_P(BothTableLayouts, TotalAfterImport, kBothLayouts, layoutName);

} // namespace
