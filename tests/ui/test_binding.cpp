// The bound controls through real widgets: they show the current record,
// and what is typed into them is stored when the binding leaves the record.
#include "ui_fixture.h"

#include "ui/roster_grid.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

namespace varnel::ui::test {
namespace {

const QStringList kDetailControls = {
    "CSOptList1", "CSOptList2", "CSSpin1", "CSSpin2", "Check1", "Check5", "Check2", "Check7", "Check8", "Check3",
    "Check9", "Check10", "Check4", "Check6", "Check11", "LastSchool", "NextSchool", "PrefDates", "Label4", "TotalDate",
};

// What each detail control shows, read as the user reads it.
QStringList shownTexts(const FormUnderTest& ui, const QStringList& names = kDetailControls)
{
    QStringList texts;
    for (const QString& name : names) {
        QWidget* widget = ui.find(name);
        QString text = "?";
        if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            text = "(none)";
            for (QRadioButton* button : group->findChildren<QRadioButton*>())
                text = button->isChecked() ? button->text() : text;
        } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(widget)) {
            text = spin->text();
        } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
            text = check->isChecked() ? "ticked" : "clear";
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            text = combo->currentText();
        } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
            text = line->text();
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            text = label->text();
        }
        texts << text;
    }
    return texts;
}

TEST(Binding, MovingToAnotherRowShowsThatRecordInEveryControl)
{
    RosterFile roster;
    roster.insert({{"Name", "ADAMS"}, {"APFT", "A"}, {"Weapon", "E"}, {"SSGTPoints", 11}, {"1SGTPoints", 21},
                   {"MSM", 1}, {"MSM2", 0}, {"ARCOM", 1}, {"ARCOM2", 0}, {"ARCOM3", 1}, {"AAM", 0}, {"AAM2", 1},
                   {"AAM3", 0}, {"LTR/COM", 1}, {"LTR/COM2", 1}, {"LTR/COM3", 0}, {"LastSchool", "WLC"},
                   {"NextSchool", "ALC"}, {"PrefDates", "JAN-MAR 2025"}, {"TOTAL", 171}, {"TotalDate", "1/5/2013"}});
    roster.insert({{"Name", "BAKER"}, {"APFT", "J"}, {"Weapon", "M"}, {"SSGTPoints", 0}, {"1SGTPoints", -4},
                   {"MSM", 0}, {"MSM2", 1}, {"ARCOM", 0}, {"ARCOM2", 1}, {"ARCOM3", 0}, {"AAM", 1}, {"AAM2", 0},
                   {"AAM3", 1}, {"LTR/COM", 0}, {"LTR/COM2", 0}, {"LTR/COM3", 1}, {"LastSchool", "Airborne"},
                   {"NextSchool", "USASMC"}, {"PrefDates", "any time"}, {"TOTAL", 0}, {"TotalDate", "12/31/2020"}});
    // Never totalled, nothing entered, and codes that are not in the lists.
    roster.insert({{"Name", "CARTER"}, {"APFT", "c"}, {"Weapon", "X"}});

    const QStringList adams = {"300+", "Expert", "11", "21", "ticked", "clear", "ticked", "clear", "ticked", "clear",
                               "ticked", "clear", "ticked", "ticked", "clear", "WLC", "ALC", "JAN-MAR 2025", "171", "1/5/2013"};
    const QStringList baker = {"180-199", "Marksman", "0", "-4", "clear", "ticked", "clear", "ticked", "clear", "ticked",
                               "clear", "ticked", "clear", "clear", "ticked", "Airborne", "USASMC", "any time", "0", "12/31/2020"};
    const QStringList carter = {"(none)", "(none)", "", "", "clear", "clear", "clear", "clear", "clear", "clear",
                                "clear", "clear", "clear", "clear", "clear", "", "", "", "", ""};
    FormUnderTest ui(roster);
    const std::pair<int, const QStringList*> moves[] = {{0, &adams}, {2, &carter}, {1, &baker}, {0, &adams}, {1, &baker}, {2, &carter}};
    for (const auto& [row, shown] : moves) {
        ui.clickRow(row);
        EXPECT_EQ(shownTexts(ui), *shown) << "row " << row;
        EXPECT_EQ(ui.position(), row);
    }
    // Only showing records stores nothing.
    EXPECT_EQ(roster.recordNamed("CARTER").value("APFT"), "c");
    EXPECT_TRUE(roster.recordNamed("CARTER").value("SSGTPoints").isNull());
    EXPECT_TRUE(ui.boxes.shown.isEmpty());
}

void clickItem(QWidget* list, const QString& text)
{
    for (QRadioButton* button : list->findChildren<QRadioButton*>()) {
        if (button->text() == text)
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
}

TEST(Binding, WhatIsTypedIsStoredInTheRecordLeftByAdd)
{
    const struct {
        const char* control;
        std::function<void(QWidget*)> act;
        const char* field;
        QVariant stored;
    } entries[] = {
        {"CSSpin1", [](QWidget* w) { typeInto(w, "150"); }, "SSGTPoints", 150},
        {"CSSpin2", [](QWidget* w) { typeInto(w, "-7"); }, "1SGTPoints", -7},
        {"CSSpin1", [](QWidget* w) { typeInto(w, "9000000000"); }, "SSGTPoints", qlonglong(9000000000)},
        {"CSSpin2", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Up); }, "1SGTPoints", 6},
        {"CSSpin1", [](QWidget* w) { typeInto(w, ""); QTest::keyClick(w, Qt::Key_Delete); }, "SSGTPoints", QVariant()},
        {"CSOptList1", [](QWidget* w) { clickItem(w, "280-289"); }, "APFT", "C"},
        {"CSOptList2", [](QWidget* w) { clickItem(w, "Sharpshooter"); }, "Weapon", "S"},
        {"Check8", [](QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2)); }, "ARCOM3", 1},
        {"Check1", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Space); }, "MSM", 0},
        {"LastSchool", [](QWidget* w) { typeInto(w, "Ranger"); }, "LastSchool", "Ranger"},
        {"NextSchool", [](QWidget* w) { qobject_cast<QComboBox*>(w)->setCurrentIndex(2); }, "NextSchool", "ALC"},
        {"PrefDates", [](QWidget* w) { typeInto(w, "JUN 2025"); }, "PrefDates", "JUN 2025"},
    };
    for (const auto& entry : entries) {
        SCOPED_TRACE(std::string(entry.control) + " -> " + entry.field);
        RosterFile roster;
        const qint64 key = roster.insert({{"Name", "ADAMS"}, {"SSGTPoints", 5}, {"1SGTPoints", 5}, {"MSM", 1},
                                          {"APFT", "A"}, {"Weapon", "E"}, {"LastSchool", "WLC"}});
        FormUnderTest ui(roster);
        entry.act(ui.find(entry.control));
        // Nothing is stored while the record stays current.
        EXPECT_NE(storedText(roster.stored(key, entry.field)), storedText(entry.stored));
        ui.click("Command1");
        EXPECT_EQ(storedText(roster.stored(key, entry.field)), storedText(entry.stored));
        EXPECT_EQ(roster.count(), 2);
        EXPECT_EQ(ui.boxes.lines(), QStringList());
    }
}

TEST(Binding, AddWithTheAccessKeyStoresTheTextBeingTyped)
{
    RosterFile roster;
    const qint64 key = roster.insert({{"Name", "ADAMS"}});
    FormUnderTest ui(roster);
    typeInto(ui.find("CSSpin1"), "42");
    ui.pressAccessKey(Qt::Key_A); // Alt+A presses Add without taking the focus
    EXPECT_EQ(roster.stored(key, "SSGTPoints"), 42);
    EXPECT_EQ(roster.count(), 2);
    EXPECT_EQ(shownTexts(ui, {"CSSpin1"}), QStringList{""}) << "the new, empty record is shown";
    EXPECT_EQ(ui.position(), 1);
}

TEST(Binding, RequestDatesLimitTypingButKeepALongerStoredText)
{
    const QString longText = "JAN 2025, or MAR 2025, or any time after JUN";
    RosterFile roster;
    const qint64 key = roster.insert({{"Name", "ADAMS"}, {"PrefDates", longText}});
    const qint64 other = roster.insert({{"Name", "BAKER"}, {"PrefDates", "MAY"}});
    FormUnderTest ui(roster);
    auto* prefDates = ui.find<QLineEdit>("PrefDates");
    EXPECT_EQ(prefDates->text(), longText);

    // A character more is refused; shortening is allowed.
    prefDates->setFocus();
    prefDates->end(false);
    QTest::keyClicks(prefDates, "X");
    ui.click("Command3");
    EXPECT_EQ(roster.stored(key, "PrefDates"), longText);
    QTest::keyClick(prefDates, Qt::Key_Backspace);
    ui.click("Command3");
    EXPECT_EQ(roster.stored(key, "PrefDates"), longText.chopped(1));

    // Typed text stops at 25 characters.
    ui.clickRow(1);
    typeInto(prefDates, QString(30, u'7'));
    ui.click("Command3");
    EXPECT_EQ(roster.stored(other, "PrefDates"), QString(25, u'7'));
}

TEST(Binding, SchoolListsAreFilledAtStartWithoutChangingTheRecord)
{
    RosterFile roster;
    const qint64 key = roster.insert({{"Name", "ADAMS"}, {"LastSchool", "Airborne"}});
    FormUnderTest ui(roster);
    for (const char* name : {"LastSchool", "NextSchool"})
        EXPECT_EQ(itemsOf(*ui.find<QComboBox>(name)), QStringList({"NONE", "WLC", "ALC", "SLC", "USASMC"})) << name;
    EXPECT_EQ(shownTexts(ui, {"LastSchool", "NextSchool"}), QStringList({"Airborne", ""}));
    ui.click("Command3");
    EXPECT_EQ(roster.stored(key, "LastSchool"), "Airborne");
    EXPECT_TRUE(roster.stored(key, "NextSchool").isNull());
}

TEST(Binding, EmptyRosterShowsOnlyTheNewRecordRowAndNoValues)
{
    RosterFile roster;
    FormUnderTest ui(roster);
    EXPECT_EQ(ui.form->grid()->model()->rowCount(), 1);
    for (const QString& shown : shownTexts(ui))
        EXPECT_TRUE(shown.isEmpty() || shown == "(none)" || shown == "clear") << shown.toStdString();
}

} // namespace
} // namespace varnel::ui::test
