// How a report shows a Yes/No field: any non-zero number Yes, zero No, as
// the roster stores Yes/No; NULL and empty text as the field's null text;
// text that is no number as it stands; and the layout's map applied after.
#include "reports/field_format.h"

#include <QDate>
#include <gtest/gtest.h>

using namespace varnel::reports;

TEST(FieldFormat, YesNoShowsNonZeroAsYesAndZeroAsNo)
{
    FieldSpec yesNo;
    yesNo.format = ValueFormat::YesNo;
    yesNo.nullText = QStringLiteral("blank");
    FieldSpec mapped = yesNo;
    mapped.map = {{QStringLiteral("Yes"), QStringLiteral("X")}, {QStringLiteral("No"), QString()}};
    FieldSpec text = yesNo;
    text.format = ValueFormat::Text;

    const struct {
        const char* name;
        QVariant value;
        const char* shown;       // as Yes/No
        const char* shownMapped; // as Yes/No through the map
        const char* shownAsText; // the same value in a text field
    } cases[] = {
        {"stored 1", qlonglong(1), "Yes", "X", "1"},
        {"stored 0", qlonglong(0), "No", "", "0"},
        {"stored -1, as Access does", qlonglong(-1), "Yes", "X", "-1"},
        {"any other number", qlonglong(7), "Yes", "X", "7"},
        {"an int", 1, "Yes", "X", "1"},
        {"a fraction", 0.5, "Yes", "X", "0.5"},
        {"a zero double", 0.0, "No", "", "0"},
        {"true", true, "Yes", "X", "true"},
        {"false", false, "No", "", "false"},
        {"the text 1", QStringLiteral("1"), "Yes", "X", "1"},
        {"the text 0 among blanks", QStringLiteral(" 0 "), "No", "", " 0 "},
        {"the text -1", QStringLiteral("-1"), "Yes", "X", "-1"},
        {"text that is no number", QStringLiteral("maybe"), "maybe", "maybe", "maybe"},
        {"NULL", QVariant(QMetaType::fromType<qlonglong>()), "blank", "blank", "blank"},
        {"no value at all", QVariant(), "blank", "blank", "blank"},
        {"empty text", QString(""), "blank", "blank", "blank"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(formatValue(yesNo, c.value, QStringLiteral("M/d/yyyy")).toStdString(), c.shown);
        EXPECT_EQ(formatValue(mapped, c.value, QStringLiteral("M/d/yyyy")).toStdString(), c.shownMapped);
        EXPECT_EQ(formatValue(text, c.value, QStringLiteral("M/d/yyyy")).toStdString(), c.shownAsText);
    }
}
