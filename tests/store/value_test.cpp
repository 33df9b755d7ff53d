#include "common/date_text.h"
#include "store/recordset.h"
#include "store/value.h"

#include "support/roster_file.h"

#include <limits>

using varnel::store::Value;

namespace {

TEST(ValueRules, SumsFollowEmptyAndNoValueRules)
{
    const struct {
        const char* name;
        Value a, b, expected;
    } cases[] = {
        {"empty plus empty stays empty", Value(), Value(), Value()},
        {"empty adds as zero", Value(), Value::integer(5), Value::integer(5)},
        {"zero is a value, not empty", Value::integer(0), Value(), Value::integer(0)},
        {"no value makes the sum no value", Value::integer(5), Value::null(), Value::null()},
        {"no value wins over empty", Value::null(), Value(), Value::null()},
        {"negative numbers add", Value::integer(-1), Value::integer(50), Value::integer(49)},
        {"a double makes a double", Value::integer(1), Value::real(0.5), Value::real(1.5)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.a + c.b, c.expected) << c.name;
    EXPECT_EQ(varnel::test::failureNumber([] { Value::text("A") + Value::integer(1); }),
              varnel::RecordsetError::TypeMismatch);
}

TEST(ValueRules, AWholeNumberSumThatDoesNotFitIsRefused)
{
    constexpr qint64 most = std::numeric_limits<qint64>::max();
    constexpr qint64 least = std::numeric_limits<qint64>::min();
    const struct {
        const char* name;
        Value a, b;
        std::optional<Value> expected; // nothing: refused with "Overflow."
    } cases[] = {
        {"largest plus nothing", Value::integer(most), Value::integer(0), Value::integer(most)},
        {"largest plus one", Value::integer(most), Value::integer(1), std::nullopt},
        {"two halves past the largest", Value::integer(qint64(1) << 62), Value::integer(qint64(1) << 62), std::nullopt},
        {"smallest plus True (-1)", Value::integer(least), Value::boolean(true), std::nullopt},
        {"smallest plus largest", Value::integer(least), Value::integer(most), Value::integer(-1)},
        {"empty plus largest", Value(), Value::integer(most), Value::integer(most)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto failure = varnel::test::failureOf([&] {
            const Value sum = c.a + c.b;
            EXPECT_EQ(std::optional<Value>(sum), c.expected);
        });
        EXPECT_EQ(failure.has_value(), !c.expected.has_value());
        if (failure) {
            EXPECT_EQ(failure->number(), varnel::RecordsetError::Overflow);
            EXPECT_EQ(failure->description(), "Overflow.");
        }
    }
}

TEST(ValueRules, ComparisonsTreatEmptyAsZeroAndNoValueAsUnordered)
{
    using std::partial_ordering;
    const struct {
        const char* name;
        Value a, b;
        partial_ordering expected;
    } cases[] = {
        {"empty equals 0", Value(), Value::integer(0), partial_ordering::equivalent},
        {"empty is less than 1", Value(), Value::integer(1), partial_ordering::less},
        {"empty equals empty text", Value(), Value::text(""), partial_ordering::equivalent},
        {"text compares case-sensitively", Value::text("A"), Value::text("a"), partial_ordering::less},
        {"trailing blank differs", Value::text("A "), Value::text("A"), partial_ordering::greater},
        {"True equals True", Value::boolean(true), Value::boolean(true), partial_ordering::equivalent},
        {"False differs from True", Value::boolean(false), Value::boolean(true), partial_ordering::greater},
        {"55 is over 50", Value::integer(55), Value::integer(50), partial_ordering::greater},
        {"a number is not text", Value::integer(1), Value::text("1"), partial_ordering::unordered},
        {"no value against empty", Value::null(), Value(), partial_ordering::unordered},
        {"0 against no value", Value::integer(0), Value::null(), partial_ordering::unordered},
        {"text against no value", Value::text("A"), Value::null(), partial_ordering::unordered},
        {"no value against no value", Value::null(), Value::null(), partial_ordering::unordered},
    };
    for (const auto& c : cases)
        EXPECT_EQ(compare(c.a, c.b), c.expected) << c.name;
}

TEST(DateText, ReadsDatesAsUsEnglishClerksTypeThem)
{
    const QDate today(2026, 12, 7);
    auto at = [](int y, int m, int d, int h = 0, int min = 0, int sec = 0) {
        return QDateTime(QDate(y, m, d), QTime(h, min, sec), Qt::UTC);
    };
    const struct {
        const char* text;
        QDateTime expected; // invalid: not a date
    } cases[] = {
        // The roster file's own encodings.
        {"2021-02-28", at(2021, 2, 28)},
        {"2021-02-28 13:45:10", at(2021, 2, 28, 13, 45, 10)},
        {"2021-02-28T07:05", at(2021, 2, 28, 7, 5)},
        {"1/5/2013", at(2013, 1, 5)},
        {" 2/29/2024 ", at(2024, 2, 29)},
        // Month first with other separators and two-digit years.
        {"3-15-2004", at(2004, 3, 15)},
        {"3.15.2004", at(2004, 3, 15)},
        {"12.7.2026", at(2026, 12, 7)},
        {"3/15/04", at(2004, 3, 15)},
        {"3/15/29", at(2029, 3, 15)},
        {"3/15/30", at(1930, 3, 15)},
        {"1/5/99", at(1999, 1, 5)},
        {"2004/3/15", at(2004, 3, 15)},
        // Without a year: the current one.
        {"3/15", at(2026, 3, 15)},
        {"3-15", at(2026, 3, 15)},
        // Month names.
        {"Mar 15, 2004", at(2004, 3, 15)},
        {"March 15 2004", at(2004, 3, 15)},
        {"sept 1, 2004", at(2004, 9, 1)},
        {"Mar. 15, 04", at(2004, 3, 15)},
        {"15-Mar-2004", at(2004, 3, 15)},
        {"15 March 2004", at(2004, 3, 15)},
        {"15-MAR-04", at(2004, 3, 15)},
        // Times.
        {"3/15/2004 13:30", at(2004, 3, 15, 13, 30)},
        {"3/15/2004 1:30 PM", at(2004, 3, 15, 13, 30)},
        {"3/15/2004 1:30:15 pm", at(2004, 3, 15, 13, 30, 15)},
        {"12/31/1999 12:30:00 AM", at(1999, 12, 31, 0, 30)},
        {"Mar 15, 2004 9:05 a.m.", at(2004, 3, 15, 9, 5)},
        // Refused: impossible dates, times alone, anything else.
        {"2/30/2021", {}}, {"2021-02-30", {}}, {"2/29/2023", {}}, {"13/1/2013", {}}, {"0/1/2013", {}},
        {"15.3.2004", {}}, {"3/15/2004 25:00", {}}, {"3/15/2004 13:30 PM", {}}, {"3/15/2004 soon", {}},
        {"13:30", {}}, {"1:30 PM", {}}, {"3.15", {}}, {"3/15/204", {}}, {"3/15-2004", {}},
        {"Smarch 15, 2004", {}}, {"Mar 32, 2004", {}}, {"0099-01-01", {}}, {"", {}}, {"yesterday", {}}, {"42", {}},
    };
    for (const auto& c : cases) {
        const auto parsed = varnel::parseDateText(QString::fromUtf8(c.text), today);
        EXPECT_EQ(parsed.value_or(QDateTime()), c.expected) << c.text;
        EXPECT_EQ(parsed.has_value(), c.expected.isValid()) << c.text;
    }
}

TEST(DateText, ShowsATimeOfDayAsTheUsGeneralDateDoes)
{
    const struct {
        QDateTime value;
        const char* shown;
    } cases[] = {
        {QDateTime(QDate(2013, 1, 5), QTime(0, 0), Qt::UTC), "1/5/2013"},
        {QDateTime(QDate(2013, 1, 5), QTime(8, 30), Qt::UTC), "1/5/2013 8:30:00 AM"},
        {QDateTime(QDate(2004, 3, 15), QTime(13, 30, 15), Qt::UTC), "3/15/2004 1:30:15 PM"},
        {QDateTime(QDate(2004, 3, 15), QTime(0, 0, 1), Qt::UTC), "3/15/2004 12:00:01 AM"},
        {QDateTime(QDate(2004, 3, 15), QTime(12, 5), Qt::UTC), "3/15/2004 12:05:00 PM"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value::date(c.value).displayText(), c.shown);
}

} // namespace
