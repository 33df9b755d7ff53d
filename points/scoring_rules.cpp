#include "points/scoring_rules.h"

#include "points/date_services.h"

#include <cmath>
#include <utility>

namespace varnel::points {

using store::Value;

int ServiceMonths(const QDateTime& start, const QDateTime& today)
{
    const double quotient = double(DateDiffDays(start, today)) / kDaysPerMonth;
    // Truncation toward zero, not floor: -30 days are month 0, not -1.
    const double months = std::trunc(quotient);
    if (months > kServiceMonthsCap)
        return kServiceMonthsCap;
    return int(months);
}

namespace {

// Exact, case-sensitive equality of the whole value with one code: only a
// text value can match, and no value matches nothing.
template <std::size_t N>
Score scoreByTable(const Value& entry, const std::pair<QStringView, int> (&table)[N], const QString& notice)
{
    if (entry.isText()) {
        const QString text = entry.asText();
        for (const auto& [code, points] : table) {
            if (text == code)
                return {points, std::nullopt};
        }
    }
    return {0, notice};
}

} // namespace

Score ScoreAPFT(const Value& band)
{
    // The table is the rule: the score ranges behind the letters are uneven.
    static constexpr std::pair<QStringView, int> bands[] = {
        {u"A", 50}, {u"B", 45}, {u"C", 40}, {u"D", 35}, {u"E", 30},
        {u"F", 25}, {u"G", 20}, {u"H", 15}, {u"I", 10}, {u"J", 5},
    };
    return scoreByTable(band, bands, kNoApftPointsNotice);
}

Score ScoreWeapon(const Value& code)
{
    static constexpr std::pair<QStringView, int> codes[] = {{u"E", 50}, {u"S", 30}, {u"M", 10}};
    return scoreByTable(code, codes, kNoWeaponPointsNotice);
}

int ScoreAwards(const AwardFlags& flags)
{
    // Worked in the roster's value rules: the sum starts empty, and empty
    // compares as 0, so no counted flag ends as the number 0.
    const Value yes = Value::boolean(true);
    Value sum;
    for (std::size_t i = 0; i < flags.size(); ++i) {
        if (store::isEqual(flags[i], yes))
            sum = sum + Value::integer(kAwardWeights[i]);
    }
    if (store::isGreater(sum, Value::integer(kAwardPointsCap)))
        sum = Value::integer(kAwardPointsCap);
    if (store::isLess(sum, Value::integer(1)))
        sum = Value::integer(0);
    return int(sum.asInteger());
}

} // namespace varnel::points
