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
              varnel::store::RecordsetError::TypeMismatch);
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
            EXPECT_EQ(failure->number(), varnel::store::RecordsetError::Overflow);
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

TEST(DateText, ReadsTheRosterFormatsAndRefusesImpossibleDates)
{
    const struct {
        const char* text;
        QDateTime expected; // invalid: not a date
    } cases[] = {
        {"2021-02-28", QDateTime(QDate(2021, 2, 28), QTime(0, 0), Qt::UTC)},
        {"2021-02-28 13:45:10", QDateTime(QDate(2021, 2, 28), QTime(13, 45, 10), Qt::UTC)},
        {"2021-02-28T07:05", QDateTime(QDate(2021, 2, 28), QTime(7, 5), Qt::UTC)},
        {"1/5/2013", QDateTime(QDate(2013, 1, 5), QTime(0, 0), Qt::UTC)},
        {"12/31/1999 1:05 PM", QDateTime(QDate(1999, 12, 31), QTime(13, 5), Qt::UTC)},
        {"12/31/1999 12:30:00 AM", QDateTime(QDate(1999, 12, 31), QTime(0, 30), Qt::UTC)},
        {" 2/29/2024 ", QDateTime(QDate(2024, 2, 29), QTime(0, 0), Qt::UTC)},
        {"2/30/2021", {}}, {"2021-02-30", {}}, {"2/29/2023", {}}, {"13/1/2013", {}}, {"1/5/13", {}},
        {"1/5/2013 25:00", {}}, {"", {}}, {"yesterday", {}},
    };
    for (const auto& c : cases) {
        const auto parsed = varnel::parseDateText(QString::fromUtf8(c.text));
        EXPECT_EQ(parsed.value_or(QDateTime()), c.expected) << c.text;
        EXPECT_EQ(parsed.has_value(), c.expected.isValid()) << c.text;
    }
    EXPECT_EQ(Value::date(QDateTime(QDate(2013, 1, 5), QTime(8, 30), Qt::UTC)).displayText(), "1/5/2013 8:30:00");
}

} // namespace
