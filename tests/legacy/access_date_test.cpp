// Access's Date/Time numbers (days since 12/30/1899) as the roster's text:
// the values Access itself gives for these days, CDbl(#...#).
#include "legacy/access_date.h"

#include "support/roster_file.h"

#include <cmath>
#include <limits>

using namespace varnel::legacy;

TEST(AccessDate, ReadsTheStoredNumberAsAccessDoes)
{
    const struct {
        double stored;
        const char* text; // nullptr: refused
    } cases[] = {
        {0.0, "1899-12-30"},
        {1.0, "1899-12-31"},
        {2.5, "1900-01-01 12:00:00"},
        {-1.0, "1899-12-29"},
        // Before day 0 the time of day still counts forward from midnight.
        {-1.25, "1899-12-29 06:00:00"},
        {-0.5, "1899-12-30 12:00:00"},
        {36526.0, "2000-01-01"},
        {36585.0, "2000-02-29"},
        {43101.520833333336, "2018-01-01 12:30:00"},
        {32874.999988425923, "1990-01-01 23:59:59"},
        // Half a second before midnight rounds into the next day.
        {32874.9999999, "1990-01-02"},
        {-657434.0, "0100-01-01"},
        {2958465.0, "9999-12-31"},
        {2958465.9999884259, "9999-12-31 23:59:59"},
        {-657435.0, nullptr},
        {2958466.0, nullptr},
        {2958465.99999999, nullptr}, // rounds into the year 10000
        {-1e300, nullptr},
        {1e300, nullptr},
        {std::numeric_limits<double>::quiet_NaN(), nullptr},
        {std::numeric_limits<double>::infinity(), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        const auto date = accessDate(c.stored);
        if (!c.text) {
            EXPECT_FALSE(date.has_value()) << qPrintable(rosterDateText(*date));
            continue;
        }
        ASSERT_TRUE(date.has_value());
        EXPECT_EQ(rosterDateText(*date), QString::fromLatin1(c.text));
    }
}
