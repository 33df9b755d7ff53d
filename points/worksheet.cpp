#include "points/worksheet.h"

#include "points/date_services.h"
#include "store/record_layout.h"

namespace varnel::points {

namespace ordinal = store::ordinal;

Worksheet workOutWorksheet(const std::function<store::Value(int ordinal)>& field,
                           const std::function<QDateTime()>& now)
{
    Worksheet w;
    const std::optional<QDateTime> tisDate = DateOf(field(ordinal::TISDate));
    if (!tisDate) {
        w.refused = Worksheet::Refusal::Pebd;
        return w;
    }
    w.tisPoints = ServiceMonths(*tisDate, now());
    const std::optional<QDateTime> dorDate = DateOf(field(ordinal::DORDate));
    if (!dorDate) {
        w.refused = Worksheet::Refusal::Dor;
        return w;
    }
    w.tigPoints = ServiceMonths(*dorDate, now());
    w.apft = ScoreAPFT(field(ordinal::APFT));
    w.weapon = ScoreWeapon(field(ordinal::Weapon));
    AwardFlags flags;
    for (int i = ordinal::FirstAward; i <= ordinal::LastAward; ++i)
        flags[std::size_t(i - ordinal::FirstAward)] = field(i);
    w.awardPoints = ScoreAwards(flags);
    return w;
}

store::Value worksheetTotal(const std::function<store::Value(int ordinal)>& field)
{
    store::Value total;
    for (int i = ordinal::TISPoints; i <= ordinal::SecondEvaluation; ++i)
        total = total + field(i);
    return total;
}

store::Value writeWorksheet(const Worksheet& sheet, const WorksheetTarget& target)
{
    if (sheet.refused == Worksheet::Refusal::Pebd)
        return {};
    target.write(ordinal::TISPoints, store::Value::integer(sheet.tisPoints));
    if (sheet.refused == Worksheet::Refusal::Dor)
        return {};
    target.write(ordinal::TIGPoints, store::Value::integer(sheet.tigPoints));
    // Each notice comes while the field it is about still holds its old points.
    const std::pair<int, const Score&> scores[] = {{ordinal::APFTPoints, sheet.apft},
                                                   {ordinal::WeaponPoints, sheet.weapon}};
    for (const auto& [at, score] : scores) {
        if (score.notice)
            target.notice(*score.notice);
        target.write(at, store::Value::integer(score.points));
    }
    target.write(ordinal::AwardPoints, store::Value::integer(sheet.awardPoints));
    // An evaluation score with no value makes the total no value, which
    // TOTAL then holds.
    const store::Value total = worksheetTotal(target.field);
    target.write(ordinal::TOTAL, total);
    return total;
}

} // namespace varnel::points
