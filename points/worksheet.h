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

// Where a worksheet is written: Total writes into the record's edit, Total
// All into the values it stores for the record.
struct WorksheetTarget {
    std::function<void(int ordinal, const store::Value& value)> write;
    // Reads a field as it stands, with what was written so far.
    std::function<store::Value(int ordinal)> field;
    // Hears a score's notice just before the score's points are written.
    std::function<void(const QString& notice)> notice;
};

// Writes what `sheet` worked out, the one way both commands write it:
// TISPoints, TIGPoints, APFTPoints, WeaponPoints, AwardPoints, and last
// TOTAL, the worksheetTotal of the fields as written. A worksheet refused at
// DOR writes its TISPoints only, one refused at PEBD nothing; TOTAL is then
// not written. Returns TOTAL as written (empty when not written).
store::Value writeWorksheet(const Worksheet& sheet, const WorksheetTarget& target);

} // namespace varnel::points
