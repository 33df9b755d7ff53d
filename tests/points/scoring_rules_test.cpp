#include "points/date_services.h"
#include "points/scoring_rules.h"

#include "support/roster_file.h"

using namespace varnel::points;
using varnel::store::Value;

namespace {

TEST(ServiceMonths, CountsWholeMonthsOfCalendarDaysCappedAtFifty)
{
    const QDateTime today(QDate(2024, 3, 15), QTime(14, 30));
    const struct { int daysAgo; int months; } cases[] = {
        {0, 0}, {30, 0}, {31, 1}, {365, 11}, {366, 12}, {486, 15}, {487, 16}, {1521, 49}, {1522, 50},
        {1553, 50}, {7305, 50}, {-1, 0}, {-30, 0}, {-31, -1}, {-62, -2}, {-3000, -98},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ServiceMonths(today.addDays(-c.daysAgo), today), c.months) << c.daysAgo << " days ago";
    // 31 calendar days apart, though less than 30 full days of time.
    const QDateTime lateStart(QDate(2024, 2, 13), QTime(23, 59, 59)), earlyToday(QDate(2024, 3, 15), QTime(0, 0, 1));
    EXPECT_EQ(ServiceMonths(lateStart, earlyToday), 1);
    EXPECT_EQ(ServiceMonths(earlyToday, lateStart), -1);
}

TEST(ScoreRules, BandsAndCodesMatchExactTextOnly)
{
    struct Case { const char* rule; Value entry; int points; };
    QList<Case> cases = {{"Weapon", Value::text("E"), 50}, {"Weapon", Value::text("S"), 30}, {"Weapon", Value::text("M"), 10}};
    for (int band = 0; band < 10; ++band)
        cases.append({"APFT", Value::text(QChar(u'A' + band)), 50 - 5 * band});
    for (const Value& other : {Value::text("a"), Value::text("A "), Value::text(" A"), Value::text("K"), Value::text("AB"),
                               Value::text(""), Value::null(), Value(), Value::integer(50), Value::boolean(true)})
        cases.append({"APFT", other, 0});
    for (const Value& other : {Value::text("e"), Value::text("X"), Value::text("E "), Value::text(""), Value::null(),
                               Value::real(30), Value::date(QDate(2024, 1, 1))})
        cases.append({"Weapon", other, 0});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.rule) + " '" + c.entry.displayText().toStdString() + "'");
        const bool apft = QString(c.rule) == "APFT";
        const Score score = apft ? ScoreAPFT(c.entry) : ScoreWeapon(c.entry);
        EXPECT_EQ(score.points, c.points);
        const QString notice = c.points ? QString() : apft ? "No APFT points added" : "No Weapon Qualification points added";
        EXPECT_EQ(score.notice.value_or(QString()), notice);
    }
}

TEST(ScoreAwards, AddsWeightsOfTrueFlagsCappedAtFifty)
{
    // Flags by ordinal: 7 MSM, 8 MSM2, 9-11 ARCOM, 12-14 AAM, 15-17 LTR/COM.
    const struct { std::initializer_list<int> set; int points; } cases[] = {
        {{}, 0}, {{7}, 25}, {{8}, 25}, {{9}, 20}, {{10}, 20}, {{11}, 20}, {{12}, 15}, {{13}, 15}, {{14}, 15},
        {{15}, 5}, {{16}, 5}, {{17}, 5}, {{12, 13, 14}, 45}, {{7, 8}, 50}, {{7, 8, 15}, 50},
    };
    for (const auto& c : cases) {
        // Flags that are False, have no value or were never read count nothing.
        for (const Value& others : {Value::boolean(false), Value::null(), Value()}) {
            AwardFlags flags;
            flags.fill(others);
            for (int o : c.set)
                flags[std::size_t(o - 7)] = Value::boolean(true);
            EXPECT_EQ(ScoreAwards(flags), c.points) << ::testing::PrintToString(std::vector<int>(c.set));
        }
    }
}

TEST(DateServices, DatesAndDateTextAreDatesAndStampsHaveNoLeadingZeros)
{
    // Text is read as the roster's date text (its forms are tested with it).
    const struct { Value value; QDate date; } cases[] = {
        {Value::date(QDate(2021, 2, 28)), QDate(2021, 2, 28)},
        {Value::date(QDateTime(QDate(2021, 2, 28), QTime(9, 15))), QDate(2021, 2, 28)},
        {Value::text("12/5/2013 4:05 PM"), QDate(2013, 12, 5)},
        {Value::text("2/30/2021"), {}}, {Value::text(""), {}}, {Value::null(), {}}, {Value(), {}}, {Value::integer(44000), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.displayText().toStdString());
        EXPECT_EQ(IsDate(c.value), c.date.isValid());
        EXPECT_EQ(DateOf(c.value).value_or(QDateTime()).date(), c.date);
    }
    EXPECT_EQ(FormatShortDate(QDateTime(QDate(2013, 1, 5), QTime(23, 59)), u'.'), "1.5.2013");
    const struct { const char* format; char separator; } formats[] = {
        {"M/d/yy", '/'}, {"dd.MM.yy", '.'}, {"yyyy-MM-dd", '-'}, {"yyyy. MM. dd.", '.'}, {"d MMM yyyy", '/'}, {"", '/'},
    };
    for (const auto& c : formats)
        EXPECT_EQ(dateSeparatorOf(c.format), QChar(c.separator)) << c.format;
}

} // namespace
