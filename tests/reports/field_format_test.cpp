// Yes/No: any non-zero number Yes (Access stores -1), zero No; no value and
// empty text the null text; text that is no number as it stands; map after.
// Integer: a number past qint64 (another program's 1e300) as it stands too.
#include "reports/field_format.h"

#include <gtest/gtest.h>

using namespace varnel::reports;

TEST(FieldFormat, YesNoShowsNonZeroAsYesAndZeroAsNo)
{
    FieldSpec yesNo;
    yesNo.format = ValueFormat::YesNo;
    yesNo.nullText = QStringLiteral("blank");
    FieldSpec mapped = yesNo;
    mapped.map = {{QStringLiteral("Yes"), QStringLiteral("X")}, {QStringLiteral("No"), QString()}};
    const struct {
        QVariant value;
        const char* shown;       // as Yes/No
        const char* shownMapped; // as Yes/No through the map
    } cases[] = {
        {qlonglong(1), "Yes", "X"}, {qlonglong(0), "No", ""}, {qlonglong(-1), "Yes", "X"}, {0.5, "Yes", "X"},
        {true, "Yes", "X"}, {false, "No", ""}, {QStringLiteral("1"), "Yes", "X"}, {QStringLiteral(" 0 "), "No", ""},
        {QStringLiteral("maybe"), "maybe", "maybe"}, {QStringLiteral("nan"), "nan", "nan"}, {QString(""), "blank", "blank"},
        {QVariant(QMetaType::fromType<qlonglong>()), "blank", "blank"}, {QVariant(), "blank", "blank"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
        EXPECT_EQ(formatValue(yesNo, c.value, QStringLiteral("M/d/yyyy")).toStdString(), c.shown);
        EXPECT_EQ(formatValue(mapped, c.value, QStringLiteral("M/d/yyyy")).toStdString(), c.shownMapped);
    }
}

TEST(FieldFormat, IntegerShowsWholeNumbersAndWhatNoWholeNumberHoldsAsStored)
{
    FieldSpec integer;
    integer.format = ValueFormat::Integer;
    const struct { QVariant value; const char* shown; } cases[] = {
        {qlonglong(-7), "-7"}, {40.0, "40"}, {2.5, "2.5"}, {QStringLiteral(" 12 "), "12"}, {QStringLiteral("x1"), "x1"},
        {-9223372036854775808.0, "-9223372036854775808"}, {9223372036854775808.0, "9223372036854776000"},
        {1e300, "1e+300"}, {QStringLiteral("1e300"), "1e300"}, {qInf(), "inf"}, {-qInf(), "-inf"}, {qQNaN(), "nan"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatValue(integer, c.value, {}).toStdString(), c.shown) << c.value.toString().toStdString();
}
