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

} // namespace varnel::points
