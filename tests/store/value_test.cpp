#include "common/date_text.h"
#include "common/name_order.h"
#include "store/record_layout.h"
#include "store/recordset.h"
#include "store/value.h"

#include "support/roster_file.h"

#include <limits>

using namespace varnel;
using namespace varnel::store;

namespace {

TEST(ValueRules, SumsFollowEmptyNoValueAndOverflowRules)
{
    constexpr qint64 most = std::numeric_limits<qint64>::max();
    constexpr qint64 least = std::numeric_limits<qint64>::min();
    const struct {
        const char* name;
        Value a, b;
        std::optional<Value> expected; // nothing: refused with "Overflow."
    } cases[] = {
        {"empty plus empty stays empty", Value(), Value(), Value()},
        {"empty adds as zero", Value(), Value::integer(most), Value::integer(most)},
        {"zero is a value, not empty", Value::integer(0), Value(), Value::integer(0)},
        {"no value makes the sum no value", Value::integer(5), Value::null(), Value::null()},
        {"no value wins over empty", Value::null(), Value(), Value::null()},
        {"a double makes a double", Value::integer(1), Value::real(0.5), Value::real(1.5)},
        {"largest plus nothing", Value::integer(most), Value::integer(0), Value::integer(most)},
        {"largest plus one", Value::integer(most), Value::integer(1), std::nullopt},
        {"smallest plus True (-1)", Value::integer(least), Value::boolean(true), std::nullopt},
        {"smallest plus largest", Value::integer(least), Value::integer(most), Value::integer(-1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto failure = test::failureOf([&] { EXPECT_EQ(std::optional<Value>(c.a + c.b), c.expected); });
        EXPECT_EQ(failure ? failure->number() : 0, c.expected ? 0 : RecordsetError::Overflow);
    }
    EXPECT_EQ(test::failureNumber([] { Value::text("A") + Value::integer(1); }), RecordsetError::TypeMismatch);
}

TEST(ValueRules, ComparisonsTreatEmptyAsZeroAndNoValueAsUnordered)
{
    using std::partial_ordering;
    const struct { Value a, b; partial_ordering expected; } cases[] = {
        {Value(), Value::integer(0), partial_ordering::equivalent},
        {Value(), Value::integer(1), partial_ordering::less},
        {Value(), Value::text(""), partial_ordering::equivalent},
        {Value::text("A"), Value::text("a"), partial_ordering::less}, // case-sensitive
        {Value::boolean(false), Value::boolean(true), partial_ordering::greater}, // True is -1
        {Value::integer(1), Value::text("1"), partial_ordering::unordered},
        {Value::null(), Value(), partial_ordering::unordered},
        {Value::text("A"), Value::null(), partial_ordering::unordered},
    };
    for (const auto& c : cases)
        EXPECT_EQ(compare(c.a, c.b), c.expected) << qPrintable(c.a.displayText() + " / " + c.b.displayText());
}

TEST(DateText, ReadsDatesAsUsEnglishClerksTypeThemAndShowsThemBack)
{
    auto at = [](int y, int m, int d, int h = 0, int min = 0, int sec = 0) {
        return QDateTime(QDate(y, m, d), QTime(h, min, sec), Qt::UTC);
    };
    const struct {
        const char* text;
        QDateTime expected; // invalid: not a date
    } cases[] = {
        {"2021-02-28 13:45:10", at(2021, 2, 28, 13, 45, 10)}, {"2021-02-28T07:05", at(2021, 2, 28, 7, 5)},
        {" 2/29/2024 ", at(2024, 2, 29)}, {"3-15-2004", at(2004, 3, 15)}, {"3/15/29", at(2029, 3, 15)},
        {"3/15/30", at(1930, 3, 15)}, {"2004/3/15", at(2004, 3, 15)}, {"3/15", at(2026, 3, 15)},
        {"March 15 2004", at(2004, 3, 15)}, {"sept 1, 2004", at(2004, 9, 1)}, {"Mar. 15, 04", at(2004, 3, 15)},
        {"15 March 2004", at(2004, 3, 15)}, {"15-MAR-04", at(2004, 3, 15)},
        {"3/15/2004 13:30", at(2004, 3, 15, 13, 30)}, {"3/15/2004 1:30:15 pm", at(2004, 3, 15, 13, 30, 15)},
        {"12/31/1999 12:30:00 AM", at(1999, 12, 31, 0, 30)}, {"Mar 15, 2004 9:05 a.m.", at(2004, 3, 15, 9, 5)},
        {"2021-02-30", {}}, {"2/29/2023", {}}, {"13/1/2013", {}},
        {"3/15/2004 25:00", {}}, {"3/15/2004 13:30 PM", {}}, {"3/15/2004 soon", {}}, {"13:30", {}}, {"3.15", {}},
        {"3/15/204", {}}, {"3/15-2004", {}}, {"Smarch 15, 2004", {}}, {"0099-01-01", {}}, {"", {}},
    };
    for (const auto& c : cases) {
        const auto parsed = parseDateText(QString::fromUtf8(c.text), QDate(2026, 12, 7));
        EXPECT_EQ(parsed.value_or(QDateTime()), c.expected) << c.text;
        EXPECT_EQ(parsed.has_value(), c.expected.isValid()) << c.text;
    }
    const std::pair<QDateTime, const char*> shown[] = {
        {at(2013, 1, 5), "1/5/2013"}, {at(2004, 3, 15, 13, 30, 15), "3/15/2004 1:30:15 PM"},
        {at(2004, 3, 15, 0, 0, 1), "3/15/2004 12:00:01 AM"}, {at(2004, 3, 15, 12, 5), "3/15/2004 12:05:00 PM"}};
    for (const auto& [value, text] : shown)
        EXPECT_EQ(Value::date(value).displayText(), text);
}

TEST(NameOrder, CaseAndAccentsAsideThenTheExactText)
{
    const struct {
        const char* a;
        const char* b;
        int order; // of a against b
    } cases[] = {
        {"Müller", "Mullins", -1}, {"MÜLLER", "muller", -1}, {"Muller", "Müller", -1}, {"éclair", "Eclair", 1},
        {"Adams", "Adams", 0},     {"", "A", -1},           {"O'Brien", "Obrien", -1},
        // Marks above U+FFFF are left out too; a Hangul syllable folds as its letters.
        {"a\U0001D165a", "ab", -1},       {"\uD55C", "\u1112\u1161\u11AB", 1},
    };
    for (const auto& c : cases) {
        const QString a = QString::fromUtf8(c.a), b = QString::fromUtf8(c.b);
        const int order = compareNames(a, b), back = compareNames(b, a);
        EXPECT_EQ((order > 0) - (order < 0), c.order) << c.a << " / " << c.b;
        EXPECT_EQ((back < 0) - (back > 0), c.order) << c.b << " / " << c.a;
    }
    // A sort on keys (most names' keys are put together from a table of
    // their letters) orders as the whole texts compare.
    const QStringList names = {"Łukasz", "Lukas", "Ørsted", "Orsted", "Straße", "Strasse", "Æble", "Aeble",
                               "Ðoàn", "Doan", "ŉ", "l·l", "ll", "µ", "mu", "Ĳssel", "ijssel", "x\u0301", "\uD55C"};
    for (const QString& a : names) {
        for (const QString& b : names) {
            const int keyed = compareKeyedNames(nameSortKeyOfUtf8(a.toUtf8()), a.toUtf8(), nameSortKey(b), b.toUtf8());
            const int whole = compareNames(a, b);
            EXPECT_EQ((keyed > 0) - (keyed < 0), (whole > 0) - (whole < 0)) << qPrintable(a) << " / " << qPrintable(b);
        }
    }
    // A text of megabytes is placed by its keyed beginning, then whole.
    const QString longName = QString(2'000'000, QChar(0xE9));
    EXPECT_LT(compareNames(QString(longName).append(u'a'), QString(longName).append(u'b')), 0);
    EXPECT_GT(compareNames(longName, QString(2'000'000, u'e')), 0);
}

TEST(RecordLayout, NamesTheFirstFixedPositionThatDoesNotMatch)
{
    const struct {
        const char* name;
        std::function<void(QList<Column>&)> change;
        const char* expectedInMessage; // empty: the layout is accepted
    } cases[] = {
        {"names in another case", [](QList<Column>& c) { c[3].name = "tisdate"; }, ""},
        {"one evaluation missing", [](QList<Column>& c) { c[24].name = "Remarks"; }, "position 24"},
        {"no evaluation at 23", [](QList<Column>& c) { c[23].name = "Remarks"; }, "position 23"},
        {"TOTAL not at 29", [](QList<Column>& c) { std::swap(c[28], c[29]); }, "position 29"},
        {"too few columns", [](QList<Column>& c) { c.removeLast(); }, "at least 30"},
    };
    QStringList names{"ID", "Name", "Rank"};
    names << fixedColumnNames() << "1SGTPoints" << "SSGTPoints" << "LastSchool" << "NextSchool" << "PrefDates" << "TotalDate"
          << "TOTAL";
    for (const auto& c : cases) {
        QList<Column> columns;
        for (const QString& n : names)
            columns.append(Column{n, "TEXT", ColumnKind::Text});
        c.change(columns);
        const QString mismatch = RecordLayout(columns).mismatch();
        EXPECT_EQ(mismatch.isEmpty(), !*c.expectedInMessage) << c.name << ": " << qPrintable(mismatch);
        EXPECT_TRUE(mismatch.contains(c.expectedInMessage)) << c.name << ": " << qPrintable(mismatch);
    }
}

} // namespace
