#include "points/scoring_rules.h"

#include <gtest/gtest.h>

using varnel::points::AwardFlags;
using varnel::points::ScoreAPFT;
using varnel::points::ScoreAwards;
using varnel::points::ScoreWeapon;
using varnel::points::ServiceMonths;
using varnel::store::Value;

namespace {

const QDateTime kToday(QDate(2024, 3, 15), QTime(14, 30));

TEST(ServiceMonths, CountsWholeMonthsOfCalendarDaysCappedAtFifty)
{
    const struct { int daysAgo; int months; } cases[] = {
        {0, 0}, {30, 0}, {31, 1}, {365, 11}, {366, 12}, {486, 15}, {487, 16},
        {1521, 49}, {1522, 50}, {1553, 50}, {7305, 50},
        {-31, -1}, {-62, -2}, {-3000, -98},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.daysAgo);
        EXPECT_EQ(ServiceMonths(kToday.addDays(-c.daysAgo), kToday), c.months);
    }
    for (int ahead = 1; ahead <= 30; ++ahead)
        EXPECT_EQ(ServiceMonths(kToday.addDays(ahead), kToday), 0) << ahead << " days ahead";
}

TEST(ServiceMonths, IgnoresTimesOfDay)
{
    // 31 calendar days apart, though less than 30 full days of time.
    const QDateTime start(QDate(2024, 2, 13), QTime(23, 59, 59));
    const QDateTime today(QDate(2024, 3, 15), QTime(0, 0, 1));
    EXPECT_EQ(ServiceMonths(start, today), 1);
    EXPECT_EQ(ServiceMonths(today, start), -1);
}

TEST(ScoreRules, BandsAndCodesMatchExactTextOnly)
{
    const QString apftNotice = "No APFT points added";
    const QString weaponNotice = "No Weapon Qualification points added";
    const struct { const char* rule; Value entry; int points; QString notice; } cases[] = {
        {"APFT", Value::text("A"), 50, {}}, {"APFT", Value::text("B"), 45, {}},
        {"APFT", Value::text("C"), 40, {}}, {"APFT", Value::text("D"), 35, {}},
        {"APFT", Value::text("E"), 30, {}}, {"APFT", Value::text("F"), 25, {}},
        {"APFT", Value::text("G"), 20, {}}, {"APFT", Value::text("H"), 15, {}},
        {"APFT", Value::text("I"), 10, {}}, {"APFT", Value::text("J"), 5, {}},
        {"APFT", Value::text("a"), 0, apftNotice}, {"APFT", Value::text("A "), 0, apftNotice},
        {"APFT", Value::text(" A"), 0, apftNotice}, {"APFT", Value::text("K"), 0, apftNotice},
        {"APFT", Value::text("AB"), 0, apftNotice}, {"APFT", Value::text(""), 0, apftNotice},
        {"APFT", Value::null(), 0, apftNotice}, {"APFT", Value(), 0, apftNotice},
        {"APFT", Value::integer(50), 0, apftNotice}, {"APFT", Value::boolean(true), 0, apftNotice},
        {"Weapon", Value::text("E"), 50, {}}, {"Weapon", Value::text("S"), 30, {}},
        {"Weapon", Value::text("M"), 10, {}},
        {"Weapon", Value::text("e"), 0, weaponNotice}, {"Weapon", Value::text("X"), 0, weaponNotice},
        {"Weapon", Value::text("E "), 0, weaponNotice}, {"Weapon", Value::text(""), 0, weaponNotice},
        {"Weapon", Value::null(), 0, weaponNotice}, {"Weapon", Value::real(30), 0, weaponNotice},
        {"Weapon", Value::date(QDate(2024, 1, 1)), 0, weaponNotice},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.rule) + " '" + c.entry.displayText().toStdString() + "'");
        const auto score = QString(c.rule) == "APFT" ? ScoreAPFT(c.entry) : ScoreWeapon(c.entry);
        EXPECT_EQ(score.points, c.points);
        EXPECT_EQ(score.notice.value_or(QString()).toStdString(), c.notice.toStdString());
    }
}

// Flags by ordinal: 7 MSM, 8 MSM2, 9-11 ARCOM, 12-14 AAM, 15-17 LTR/COM.
AwardFlags flagsSet(std::initializer_list<int> ordinals, const Value& others = Value::boolean(false))
{
    AwardFlags flags;
    flags.fill(others);
    for (int o : ordinals)
        flags[std::size_t(o - 7)] = Value::boolean(true);
    return flags;
}

TEST(ScoreAwards, AddsWeightsOfTrueFlagsCappedAtFifty)
{
    const struct { std::initializer_list<int> set; int points; } cases[] = {
        {{}, 0}, {{7}, 25}, {{8}, 25}, {{9}, 20}, {{10}, 20}, {{11}, 20}, {{12}, 15},
        {{13}, 15}, {{14}, 15}, {{15}, 5}, {{16}, 5}, {{17}, 5},
        {{7, 8}, 50}, {{7, 8, 15}, 50}, {{9, 10, 12}, 50}, {{12, 13, 14}, 45},
        {{9, 12, 15}, 40}, {{15, 16, 17}, 15}, {{7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::vector<int>(c.set)));
        EXPECT_EQ(ScoreAwards(flagsSet(c.set)), c.points);
        // Flags with no value, or never read, count nothing either.
        EXPECT_EQ(ScoreAwards(flagsSet(c.set, Value::null())), c.points);
        EXPECT_EQ(ScoreAwards(flagsSet(c.set, Value())), c.points);
    }
}

} // namespace
