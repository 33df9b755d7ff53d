// The commands for the whole unit through the window: Total All Soldiers
// from the File menu, and Find Soldier by Ctrl+F.
#include "ui_fixture.h"

#include "ui/find_box.h"
#include "ui/roster_grid.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace varnel::ui::test {
namespace {

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
    typeInto(ui.find("PrefDates"), "JUN"); // pending for ADAMS
    ui.boxes.answers = {1}; // asked first: Cancel
    ui.find<QAction>("MNU_TOTALALL")->trigger();
    ASSERT_EQ(ui.boxes.shown.size(), 1);
    EXPECT_EQ(ui.boxes.shown[0].text, "Work out and store the points of all 3 soldiers of the roster?");
    EXPECT_EQ(ui.boxes.shown[0].buttons, QStringList({"&Total", "Cancel"}));
    EXPECT_TRUE(roster.stored(adams, "TOTAL").isNull()) << "nothing was stored";

    ui.boxes.answers = {0, 0};
    ui.find<QAction>("MNU_TOTALALL")->trigger();
    ASSERT_EQ(ui.boxes.shown.size(), 3);
    EXPECT_EQ(ui.boxes.shown[2].text, "Totalled 2 of 3 soldiers; 1 refused.");
    EXPECT_TRUE(ui.boxes.shown[2].details.contains("BAKER: Entry for PEBD is not valid")) << qPrintable(ui.boxes.shown[2].details);
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
    EXPECT_EQ(ui.currentName(), "MÜLLER, ANN") << "without regard to case or accents";
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(ui.currentName(), "MULLINS, KIM");
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(ui.currentName(), "MÜLLER, ANN") << "round from the first";
    QTest::keyClicks(text, "x");
    EXPECT_EQ(ui.currentName(), "MÜLLER, ANN") << "no match: the soldier stays";
    EXPECT_TRUE(box->findChild<QLabel*>("FindStatus")->text().contains("mulx"));
    // A search whose first letters matched others, then nothing: the
    // soldier it began on is current again.
    text->selectAll();
    QTest::keyClick(text, Qt::Key_Backspace);
    ui.clickRow(0);
    QApplication::setActiveWindow(box);
    QTest::keyClicks(text, "muno");
    EXPECT_EQ(ui.currentName(), "ADAMS, JOHN");
    text->selectAll();
    QTest::keyClicks(text, "LA C");
    EXPECT_EQ(ui.currentName(), "de la Cruz, Luis");
    EXPECT_EQ(ui.form->grid()->currentIndex().row(), 2) << "the grid follows";
    QTest::keyClick(text, Qt::Key_Escape);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(ui.boxes.lines(), QStringList());
}

TEST(UnitCommands, ExportWritesTheChosenListAndAsksBeforeReplacingAFile)
{
    RosterFile roster;
    roster.insert({{"Name", "ADAMS"}, {"TOTAL", 100}, {"TotalDate", "6/2/2024"}});
    roster.insertNames({"BAKER"});
    FormUnderTest ui(roster);
    QTemporaryDir out;
    ui.saveFile = out.filePath("unit.csv");
    const struct {
        const char* name;
        QList<int> answers; // the kind (0 roster, 1 merit list), then "replace?"
        QStringList questions;
        const char* firstLine; // of the file afterwards
    } cases[] = {
        {"the roster", {0}, {"Export the whole roster"}, "\xEF\xBB\xBFID,Name,Rank"},
        {"the merit list over it, replacing", {1, 0}, {"Export the whole roster", "already exists. Replace it?"}, "\xEF\xBB\xBFPlace,Name,Rank"},
        {"the roster over it, not replacing", {0, 1}, {"Export the whole roster", "already exists. Replace it?"}, "\xEF\xBB\xBFPlace,Name,Rank"},
        {"cancelled at the kind", {2}, {"Export the whole roster"}, "\xEF\xBB\xBFPlace,Name,Rank"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ui.boxes.shown.clear();
        ui.boxes.answers = c.answers;
        ui.find<QAction>("MNU_EXPORT")->trigger();
        QStringList asked;
        for (const auto& box : ui.boxes.shown)
            asked << box.text;
        ASSERT_EQ(asked.size(), c.questions.size()) << asked.join(" / ").toStdString();
        for (int i = 0; i < asked.size(); ++i)
            EXPECT_TRUE(asked[i].contains(c.questions[i])) << asked[i].toStdString();
        EXPECT_TRUE(fileBytes(ui.saveFile).startsWith(c.firstLine)) << fileBytes(ui.saveFile).left(30).toStdString();
    }
    EXPECT_EQ(filesBeside(ui.saveFile), QStringList()) << "no temporary file left";
}

TEST(UnitCommands, ThisSoldiersWorksheetAndTheTotalsBreakdown)
{
    RosterFile roster;
    roster.insert({{"Name", "ADAMS"}, {"TISPoints", 32}, {"TIGPoints", 13}, {"APFTPoints", 40}, {"WeaponPoints", 30},
                   {"AwardPoints", 40}, {"1SGTPoints", 10}, {"SSGTPoints", 15}, {"TOTAL", 180}, {"TotalDate", "3/15/2024"}});
    const qint64 baker = roster.insert({{"Name", "BAKER"}});
    FormUnderTest ui(roster);
    EXPECT_EQ(ui.find<QLabel>("Label4")->toolTip(),
              "TIS 32 + TIG 13 + APFT 40 + weapon 30 + awards 40 + 1SG 10 + SGT 15 = 180\nWorked out on 3/15/2024.");
    ui.clickRow(1);
    EXPECT_EQ(ui.find<QLabel>("Label4")->toolTip(), "Not totalled yet: press Total.");

    typeInto(ui.find("PrefDates"), "JUL");
    ui.find<QAction>("MNU_THISWORKSHEET")->trigger();
    EXPECT_EQ(ui.boxes.lines(), QStringList());
    ASSERT_EQ(ui.reportLog->fileNames.size(), 1);
    EXPECT_TRUE(ui.reportLog->fileNames[0].endsWith("varnel_work.rpt"));
    EXPECT_EQ(ui.reportLog->onlyRecords, (QList<std::optional<qint64>>{baker, std::nullopt})) << "for this report only";
    EXPECT_EQ(roster.stored(baker, "PrefDates"), "JUL") << "the clerk's entries are stored first";
}

} // namespace
} // namespace varnel::ui::test
