#pragma once

#include "points/scoring_rules.h"
#include "store/value.h"

#include <QDateTime>
#include <functional>

namespace varnel::points {

// One record's point worksheet by the scoring rules, worked out without
// writing or showing anything. The single Total and Total All Soldiers
// both work a record out with this, so both apply exactly the same rules.
struct Worksheet {
    enum class Refusal { None, Pebd, Dor };
    Refusal refused = Refusal::None; // the first service date that is no date
    int tisPoints = 0;               // worked out unless PEBD was refused
    int tigPoints = 0;               // the rest only when neither was refused
    Score apft;
    Score weapon;
    int awardPoints = 0;
};

// Reads the record's fields by ordinal through `field`, and today through
// `now`: once for the months of service and once for the months in grade,
// in that order, and not at all for a date that is refused or not reached.
Worksheet workOutWorksheet(const std::function<store::Value(int ordinal)>& field,
                           const std::function<QDateTime()>& now);

// The total of ordinals 18 to 24 as the record holds them: empty adds as 0,
// no value in any makes the total no value. Throws varnel::Failure 6 when a
// sum does not fit.
store::Value worksheetTotal(const std::function<store::Value(int ordinal)>& field);

} // namespace varnel::points
