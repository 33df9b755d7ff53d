#include "points/date_services.h"

#include <gtest/gtest.h>

using namespace varnel::points;
using varnel::store::Value;

namespace {

TEST(DateServices, IsDateAcceptsDatesAndDateTextOnly)
{
    const struct { Value value; bool isDate; QDate date; } cases[] = {
        {Value::date(QDate(2021, 2, 28)), true, QDate(2021, 2, 28)},
        {Value::date(QDateTime(QDate(2021, 2, 28), QTime(9, 15))), true, QDate(2021, 2, 28)},
        {Value::text("2021-02-28"), true, QDate(2021, 2, 28)},
        {Value::text("2021-02-28 23:10:05"), true, QDate(2021, 2, 28)},
        {Value::text("2/28/2021"), true, QDate(2021, 2, 28)},
        {Value::text("12/5/2013 4:05 PM"), true, QDate(2013, 12, 5)},
        {Value::text("2/30/2021"), false, {}},
        {Value::text("2021-13-01"), false, {}},
        {Value::text("soon"), false, {}},
        {Value::text(""), false, {}},
        {Value::null(), false, {}},
        {Value(), false, {}},
        {Value::integer(44000), false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.displayText().toStdString());
        EXPECT_EQ(IsDate(c.value), c.isDate);
        EXPECT_EQ(DateOf(c.value).value_or(QDateTime()).date(), c.date);
    }
}

TEST(DateServices, StampHasNoLeadingZerosAndTheGivenSeparator)
{
    EXPECT_EQ(FormatShortDate(QDateTime(QDate(2013, 1, 5), QTime(23, 59)), u'/'), "1/5/2013");
    EXPECT_EQ(FormatShortDate(QDateTime(QDate(2013, 12, 25), QTime(0, 0)), u'/'), "12/25/2013");
    EXPECT_EQ(FormatShortDate(QDateTime(QDate(2013, 1, 5), QTime(8, 0)), u'.'), "1.5.2013");
}

TEST(DateServices, SeparatorComesFromTheShortDateFormat)
{
    const struct { const char* format; char separator; } cases[] = {
        {"M/d/yy", '/'}, {"dd.MM.yy", '.'}, {"yyyy-MM-dd", '-'}, {"yyyy. MM. dd.", '.'},
        {"d MMM yyyy", '/'}, {"", '/'},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dateSeparatorOf(c.format), QChar(c.separator)) << c.format;
}

} // namespace
