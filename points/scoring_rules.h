#pragma once

#include "store/value.h"

#include <QDateTime>
#include <QCoreApplication>
#include <QString>
#include <array>
#include <optional>

namespace varnel::points {

// The scoring rules of the point worksheet. They are pure: they take field
// values (and, for the service months, today's date and time) and return
// numbers, plus a notice text the caller shows. They read and write no
// record and show nothing.

// Days per month: 365.25 / 12, in double precision.
inline constexpr double kDaysPerMonth = 30.4375;
// A service month count above this becomes this; below it nothing bounds it.
inline constexpr int kServiceMonthsCap = 50;
inline constexpr int kAwardPointsCap = 50;

inline const QString kNoApftPointsNotice = QStringLiteral(QT_TRANSLATE_NOOP("varnel::points", "No APFT points added"));
inline const QString kNoWeaponPointsNotice = QStringLiteral(QT_TRANSLATE_NOOP("varnel::points", "No Weapon Qualification points added"));

// Whole months from `start` to `today`: calendar days (times of day are
// ignored) divided by kDaysPerMonth and truncated toward zero, so 30 days
// give 0, 31 give 1 and 31 days in the future give -1. At most 50; a start
// in the future gives 0 or a negative number, unchanged.
int ServiceMonths(const QDateTime& start, const QDateTime& today);

// Points of one rule and, when the entry matched nothing in its table, the
// notice to show before the 0 is written.
struct Score {
    int points = 0;
    std::optional<QString> notice;
};

// APFT band "A" (50) down to "J" (5) in steps of 5. Only text that equals a
// band letter exactly, case included, scores; anything else (a lower-case
// letter, blanks, an empty text, no value, a number) gives 0 and the notice.
Score ScoreAPFT(const store::Value& band);

// Weapons qualification "E" 50, "S" 30, "M" 10; compared as ScoreAPFT does.
Score ScoreWeapon(const store::Value& code);

// The eleven award flags in ordinal order 7 to 17 (MSM, MSM2, ARCOM..ARCOM3,
// AAM..AAM3, LTR/COM..LTR/COM3).
using AwardFlags = std::array<store::Value, 11>;
inline constexpr std::array<int, 11> kAwardWeights = {25, 25, 20, 20, 20, 15, 15, 15, 5, 5, 5};

// Sum of the weights of the flags that equal True (False and no value count
// nothing), at most 50. Returns 0 or a number from 5 to 50, never no value.
int ScoreAwards(const AwardFlags& flags);

} // namespace varnel::points
