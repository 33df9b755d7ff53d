#include "legacy/access_date.h"

#include "common/date_text.h"

#include <cmath>

namespace varnel::legacy {

namespace {
const QDate kDayZero(1899, 12, 30);
const QDate kFirst(100, 1, 1);
const QDate kLast(9999, 12, 31);
} // namespace

std::optional<AccessDate> accessDate(double storedDays)
{
    if (!std::isfinite(storedDays))
        return std::nullopt;
    // A first, loose bound keeps the arithmetic below in range.
    const double lo = double(kDayZero.daysTo(kFirst)) - 1;
    const double hi = double(kDayZero.daysTo(kLast)) + 2;
    if (storedDays < lo || storedDays > hi)
        return std::nullopt;

    const double whole = std::trunc(storedDays);
    qint64 day = qint64(whole);
    qint64 seconds = std::llround(std::fabs(storedDays - whole) * 86400.0);
    if (seconds >= 86400) { // 23:59:59.6 and later round into the next day
        seconds -= 86400;
        ++day;
    }
    const QDate date = kDayZero.addDays(day);
    if (date < kFirst || date > kLast)
        return std::nullopt;
    AccessDate result;
    // UTC: a time of day that a change to summer time skips locally stays as stored.
    result.dateTime = QDateTime(date, QTime(0, 0).addSecs(int(seconds)), Qt::UTC);
    result.hasTime = seconds != 0;
    return result;
}

QString rosterDateText(const AccessDate& date)
{
    return isoDateText(date.dateTime, date.hasTime);
}

} // namespace varnel::legacy
