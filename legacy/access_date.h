#pragma once

#include <QDateTime>
#include <optional>

namespace varnel::legacy {

// A Date/Time value as Access stores it: a double counting days from
// 12/30/1899. The whole part is the day (negative before that day); the
// fraction is the time of day, taken without its sign, so -1.25 is
// 12/29/1899 06:00. Times are kept to the second, rounded.
struct AccessDate {
    QDateTime dateTime;
    bool hasTime = false; // a time of day other than midnight
};

// Nothing for a value outside the years 100 to 9999 (Access's own range),
// and for one that is not a number.
std::optional<AccessDate> accessDate(double storedDays);

// The roster file's text for it: "YYYY-MM-DD", with " HH:MM:SS" only when
// there is a time of day.
QString rosterDateText(const AccessDate& date);

} // namespace varnel::legacy
