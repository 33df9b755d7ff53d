// The commands for the whole unit through the window: Total All Soldiers
// from the File menu, and Find Soldier by Ctrl+F.
#include "ui_fixture.h"

#include "ui/find_box.h"
#include "ui/roster_grid.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace varnel::ui::test {
namespace {

QString current(const FormUnderTest& ui)
{
    const auto& rs = ui.form->data1().recordset();
    return rs.hasCurrent() ? rs.fieldValue(rs.layout().indexOf("Name")).displayText() : QStringLiteral("<none>");
}

TEST(UnitCommands, TotalAllSoldiersFromTheFileMenuSaysWhatItDid)
{
    const QDate today = QDate::currentDate();
    RosterFile roster;
    auto soldier = [&](const char* name, QVariant tis) {
        return roster.insert({{"Name", name}, {"TISDate", tis}, {"DORDate", today.addDays(-400).toString(Qt::ISODate)},
                              {"APFT", "C"}, {"Weapon", "S"}, {"1SGTPoints", 10}, {"SSGTPoints", 15}});
    };
    const qint64 adams = soldier("ADAMS", today.addDays(-1000).toString(Qt::ISODate));
    const qint64 baker = soldier("BAKER", "not a date");
    const qint64 carter = soldier("CARTER", today.addDays(-1000).toString(Qt::ISODate));
    FormUnderTest ui(roster, QDateTime(today, QTime(9, 0)));
    auto* prefDates = ui.find<QLineEdit>("PrefDates");
    prefDates->setFocus();
    QTest::keyClicks(prefDates, "JUN"); // pending for ADAMS
    ui.boxes.answers = {0};

    ui.find<QAction>("MNU_TOTALALL")->trigger();
    ASSERT_EQ(ui.boxes.shown.size(), 1);
    EXPECT_EQ(ui.boxes.shown[0].text, "Totalled 2 of 3 soldiers; 1 refused.");
    EXPECT_TRUE(ui.boxes.shown[0].details.contains("BAKER: Entry for PEBD is not valid")) << qPrintable(ui.boxes.shown[0].details);
    EXPECT_EQ(roster.stored(adams, "TOTAL"), 32 + 13 + 40 + 30 + 25);
    EXPECT_EQ(roster.stored(carter, "TOTAL"), 140);
    EXPECT_TRUE(roster.stored(baker, "TOTAL").isNull());
    EXPECT_EQ(roster.stored(adams, "PrefDates"), "JUN") << "the clerk's entries were stored first";
    EXPECT_EQ(ui.find<QLabel>("Label4")->text(), "140") << "the window shows the new total";
}

TEST(UnitCommands, FindSoldierJumpsToTheNextNameHoldingWhatIsTyped)
{
    RosterFile roster;
    roster.insertNames({"ADAMS, JOHN", "MÜLLER, ANN", "BAKER, MARY", "MULLINS, KIM", "de la Cruz, Luis"});
    FormUnderTest ui(roster); // ADAMS, BAKER, de la Cruz, MÜLLER, MULLINS
    QTest::keyClick(ui.form.get(), Qt::Key_F, Qt::ControlModifier);
    auto* box = ui.form->findChild<FindBox*>("FindBox");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    auto* text = box->findChild<QLineEdit*>("FindText");
    QApplication::setActiveWindow(box); // as the window manager does with a window asking for it
    ASSERT_EQ(QApplication::focusWidget(), text);

    QTest::keyClicks(text, "mul");
    EXPECT_EQ(current(ui), "MÜLLER, ANN") << "without regard to case or accents";
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(current(ui), "MULLINS, KIM");
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(current(ui), "MÜLLER, ANN") << "round from the first";
    QTest::keyClicks(text, "x");
    EXPECT_EQ(current(ui), "MÜLLER, ANN") << "no match: the soldier stays";
    EXPECT_TRUE(box->findChild<QLabel*>("FindStatus")->text().contains("mulx"));
    text->selectAll();
    QTest::keyClicks(text, "LA C");
    EXPECT_EQ(current(ui), "de la Cruz, Luis");
    EXPECT_EQ(ui.form->grid()->currentIndex().row(), 2) << "the grid follows";
    QTest::keyClick(text, Qt::Key_Escape);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(ui.boxes.lines(), QStringList());
}

} // namespace
} // namespace varnel::ui::test
