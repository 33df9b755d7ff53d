#include "ui_fixture.h"

#include "points/date_services.h"
#include "ui/find_box.h"
#include "ui/handler.h"
#include "ui/roster_grid.h"

#include <QAbstractItemModelTester>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTextDocument>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace varnel::ui::test {
namespace {

TEST(Handler, ShowsAFailureAsNumberAndDescriptionAndGoesOn)
{
    const struct {
        std::function<void()> work;
        QStringList shown; // nothing: the work ran to its end
    } cases[] = {
        {[] {}, {}},
        {[] { throw Failure(3021, "No current record."); }, {"Varnel | 3021: No current record."}},
        {[] { throw std::runtime_error("out of range"); }, {"Varnel | out of range"}},
    };
    for (const auto& c : cases) {
        RecordingBoxes boxes;
        EXPECT_EQ(Handler(boxes).run(c.work), c.shown.isEmpty());
        EXPECT_EQ(boxes.lines(), c.shown);
    }
}

TEST(Commands, TotalStoresAndShowsTheWorksheetOrItsMessages)
{
    const QDate today = QDate::currentDate();
    const QString iso = today.toString(Qt::ISODate);
    const QString sep = points::systemDateSeparator();
    const QString stamp = QString::number(today.month()) + sep + QString::number(today.day()) + sep + QString::number(today.year());
    const struct {
        QVariantMap fields;
        QStringList shown;
        QVariant total; // stored and shown afterwards
    } cases[] = {
        {{{"Name", "A"}, {"TISDate", today.addDays(-1000).toString(Qt::ISODate)}, {"DORDate", today.addDays(-400).toString(Qt::ISODate)},
          {"APFT", "C"}, {"Weapon", "S"}, {"ARCOM", 1}, {"AAM", 1}, {"LTR/COM", 1}, {"1SGTPoints", 10}, {"SSGTPoints", 15}},
         {}, 180},
        {{{"Name", "A"}}, {"Error | Entry for PEBD is not valid"}, QVariant()},
        {{{"Name", "A"}, {"TISDate", iso}, {"DORDate", iso}, {"APFT", "a"}, {"1SGTPoints", 0}, {"SSGTPoints", 0}},
         {"Varnel | No APFT points added", "Varnel | No Weapon Qualification points added"}, 0},
    };
    for (const auto& c : cases) {
        RosterFile roster;
        const qint64 key = roster.insert(c.fields);
        FormUnderTest ui(roster, QDateTime(today, QTime(12, 0)));
        if (c.shown.isEmpty())
            ui.click("Command5");
        else
            ui.pressAccessKey(Qt::Key_T);
        EXPECT_EQ(ui.boxes.lines(), c.shown);
        EXPECT_EQ(storedText(roster.stored(key, "TOTAL")), storedText(c.total));
        EXPECT_EQ(ui.find<QLabel>("Label4")->text(), c.total.toString());
        EXPECT_EQ(ui.find<QLabel>("TotalDate")->text(), c.total.isNull() ? QString() : stamp);
    }
}

TEST(Commands, ADamagedPageKeepsTheRowsShownAndTakesNoWrites)
{
    RosterFile roster;
    roster.exec("BEGIN");
    for (int i = 0; i < 300; ++i)
        roster.insert({{"Name", QStringLiteral("SOLDIER %1").arg(i, 3, 10, QLatin1Char('0'))},
                       {"PrefDates", i == 150 ? QStringLiteral("MARKER-OF-THE-DAMAGED-PAGE") : QString(60, u'x')}});
    roster.exec("COMMIT");
    {
        FormUnderTest ui(roster);
        ui.form->grid()->scrollTo(ui.form->grid()->model()->index(150, 0));
        ASSERT_EQ(ui.cell(150, 0), "SOLDIER 150");
        damagePageHolding(roster.path(), "MARKER-OF-THE-DAMAGED-PAGE");
        ASSERT_EQ(roster.runInAnotherProgram(R"(UPDATE "Soldier" SET "Rank" = 'PV2' WHERE "Name" = 'SOLDIER 000')"), 0);
        ui.clickRow(1);
        EXPECT_EQ(ui.currentName(), "SOLDIER 001");
        EXPECT_EQ(ui.cell(150, 0), "SOLDIER 150") << "as it was shown, not blank";
        EXPECT_EQ(ui.cell(0, 1), "PV2") << "the rows that can be read are read again";
    }
    const QByteArray before = fileBytes(roster.path());
    FormUnderTest ui(roster);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ui.boxes.shown.isEmpty(); }, 10000));
    ASSERT_EQ(ui.boxes.shown.size(), 1);
    EXPECT_TRUE(ui.boxes.shown[0].text.startsWith("11: The roster file")) << qPrintable(ui.boxes.shown[0].text);
    EXPECT_TRUE(ui.boxes.shown[0].mainWindowVisible);
    ui.click("Command1");
    ui.click("Command3");
    ASSERT_EQ(ui.boxes.shown.size(), 3);
    EXPECT_TRUE(ui.boxes.shown[2].text.startsWith("11: ")) << qPrintable(ui.boxes.shown[2].text);
    EXPECT_EQ(fileBytes(roster.path()), before);
}

class HideCounter : public QObject {
public:
    int hides = 0, busy = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        hides += event->type() == QEvent::Hide;
        busy += event->type() == QEvent::Hide && QApplication::overrideCursor();
        return false;
    }
};

TEST(Commands, SortHidesTheWindowAndReloadsInNameOrder)
{
    RosterFile roster;
    roster.insertNames({"MILLER", "ADAMS"});
    FormUnderTest ui(roster);
    auto tester = std::make_unique<QAbstractItemModelTester>(ui.form->grid()->model(),
                                                              QAbstractItemModelTester::FailureReportingMode::Fatal);
    ui.click("Command1"); // an empty record at the end
    typeInto(ui.find("CSSpin1"), "12");
    ui.clickRow(1); // MILLER, who stays current
    ui.form->move(140, 90);
    HideCounter counter;
    ui.form->installEventFilter(&counter);
    // Inside a running event loop: hiding the only window must not end the program.
    QTimer::singleShot(0, [&] { ui.click("Command4"); });
    QTimer::singleShot(300, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QApplication::exec(), 7);
    ui.form->removeEventFilter(&counter);
    EXPECT_EQ(counter.hides, 1);
    EXPECT_EQ(counter.busy, 1);
    EXPECT_TRUE(ui.form->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QStringList({ui.cell(0, 0), ui.cell(1, 0), ui.cell(2, 0)}), QStringList({"", "ADAMS", "MILLER"}));
    EXPECT_EQ(ui.position(), 2) << "the soldier who was current stays so";
    EXPECT_EQ(ui.form->pos(), QPoint(140, 90)) << "the window comes back where it was";
    EXPECT_EQ(ui.boxes.lines(), QStringList());

    tester.reset();
    ASSERT_TRUE(QFile::rename(roster.path(), roster.path() + ".moved"));
    ui.click("Command4");
    ASSERT_EQ(ui.boxes.shown.size(), 1);
    EXPECT_TRUE(ui.boxes.shown[0].text.contains("Varnel_DATA.MDB")) << qPrintable(ui.boxes.shown[0].text);
    EXPECT_TRUE(ui.boxes.shown[0].mainWindowVisible);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QFile::rename(roster.path() + ".moved", roster.path());
}

TEST(Commands, ARosterOnAServerIsPrintedOnlyThroughTheReportAddress)
{
    RosterFile roster(RosterKind{Engine::Server, TableLayout::Standard});
    const qint64 baker = roster.insert({{"Name", "BAKER"}});
    roster.insert({{"Name", "ADAMS"}});
    FormUnderTest ui(roster);
    const char* const items[] = {"MNU_MERIT", "MNU_WORKSHEETS", "MNU_NCOES"};
    for (const char* item : items)
        ui.find<QAction>(item)->trigger();
    ASSERT_EQ(ui.boxes.shown.size(), 3);
    for (const auto& box : ui.boxes.shown)
        EXPECT_TRUE(box.text.startsWith("5114: ") && box.text.contains("varnel-roster copy")
                    && box.text.contains("--report-database"))
            << qPrintable(box.text);
    EXPECT_TRUE(ui.reportLog->fileNames.isEmpty()) << "the report engine was never asked";

    const QString reports = roster.location() + QStringLiteral("&application_name=reports");
    ui.form->setReportDatabase(reports);
    ui.boxes.shown.clear();
    for (const char* item : items)
        ui.find<QAction>(item)->trigger();
    ui.clickRow(1);
    ui.find<QAction>("MNU_THISWORKSHEET")->trigger();
    EXPECT_EQ(ui.boxes.lines(), QStringList());
    EXPECT_EQ(ui.reportLog->actions.size(), 4);
    EXPECT_EQ(ui.reportLog->dataSources, QStringList(4, reports));
    EXPECT_TRUE(ui.reportLog->onlyRecords.contains(std::optional<qint64>(baker)));
}

TEST(Commands, KeysReachHelpAndTheButtonThatHasTheFocus)
{
    RosterFile roster;
    const qint64 adams = roster.insert({{"Name", "ADAMS"}, {"PrefDates", "JUN"}});
    FormUnderTest ui(roster);
    for (QWidget* focus : {ui.find("PrefDates"), static_cast<QWidget*>(ui.form->grid())}) {
        focus->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    }
    EXPECT_EQ(ui.helpRequests, 2);
    EXPECT_EQ(ui.aboutRequests, 0);
    for (const char* name : {"PrefDates", "CSSpin1", "LastSchool"}) {
        ui.find(name)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    }
    EXPECT_EQ(roster.count(), 1);
    typeInto(ui.find("PrefDates"), "AUG");
    QWidget* update = ui.find("Command3");
    update->setFocus(Qt::TabFocusReason);
    QTest::keyClick(update, Qt::Key_Return);
    QTest::qWait(300); // the button's press is shown for a moment
    EXPECT_EQ(roster.stored(adams, "PrefDates"), "AUG");
    QWidget* add = ui.find("Command1");
    add->setFocus(Qt::TabFocusReason);
    QTest::keyClick(add, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::qWait(300);
    EXPECT_EQ(roster.count(), 2);
    EXPECT_EQ(ui.boxes.lines(), QStringList());
}

const QStringList kDetailControls = {
    "CSOptList1", "CSOptList2", "CSSpin1", "CSSpin2", "Check1", "Check5", "Check2", "Check7", "Check8", "Check3",
    "Check9", "Check10", "Check4", "Check6", "Check11", "LastSchool", "NextSchool", "PrefDates", "Label4", "TotalDate",
};

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
    const std::pair<int, const QStringList*> moves[] = {{2, &carter}, {0, &adams}, {1, &baker}, {2, &carter}};
    for (const auto& [row, shown] : moves) {
        ui.clickRow(row);
        EXPECT_EQ(shownTexts(ui), *shown) << "row " << row;
        EXPECT_EQ(ui.position(), row);
    }
    // Storing a record unchanged changes nothing, codes not in the lists included.
    const QList<QVariantMap> before = roster.records();
    ui.click("Command3"); // CARTER
    ui.clickRow(1);
    ui.click("Command3"); // BAKER
    EXPECT_EQ(roster.records(), before);
    EXPECT_TRUE(ui.boxes.shown.isEmpty());
}

void clickItem(QWidget* list, const QString& text)
{
    for (QRadioButton* button : list->findChildren<QRadioButton*>())
        if (button->text() == text)
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

TEST(Binding, WhatIsTypedIsStoredInTheRecordLeftByAdd)
{
    const struct {
        const char* control;
        std::function<void(QWidget*)> act;
        const char* field;
        QVariant stored;
    } entries[] = {
        {"CSSpin2", [](QWidget* w) { typeInto(w, "-7"); }, "1SGTPoints", -7},
        {"CSSpin1", [](QWidget* w) { typeInto(w, "9000000000"); }, "SSGTPoints", qlonglong(9000000000)},
        {"CSSpin2", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Up); }, "1SGTPoints", 6},
        {"CSSpin1", [](QWidget* w) { typeInto(w, ""); QTest::keyClick(w, Qt::Key_Delete); }, "SSGTPoints", QVariant()},
        {"CSOptList1", [](QWidget* w) { clickItem(w, "280-289"); }, "APFT", "C"},
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

    prefDates->setFocus();
    prefDates->end(false);
    QTest::keyClicks(prefDates, "X");
    ui.click("Command3");
    EXPECT_EQ(roster.stored(key, "PrefDates"), longText);
    QTest::keyClick(prefDates, Qt::Key_Backspace);
    ui.click("Command3");
    EXPECT_EQ(roster.stored(key, "PrefDates"), longText.chopped(1));

    ui.clickRow(1);
    typeInto(prefDates, QString(30, u'7'));
    ui.click("Command3");
    EXPECT_EQ(roster.stored(other, "PrefDates"), QString(25, u'7'));
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
    soldier("CARTER", today.addDays(-1000).toString(Qt::ISODate));
    FormUnderTest ui(roster, QDateTime(today, QTime(9, 0)));
    typeInto(ui.find("PrefDates"), "JUN"); // pending for ADAMS
    ui.boxes.answers = {1}; // asked first: Cancel
    ui.find<QAction>("MNU_TOTALALL")->trigger();
    ASSERT_EQ(ui.boxes.shown.size(), 1);
    EXPECT_EQ(ui.boxes.shown[0].text, "Work out and store the points of all 3 soldiers of the roster?");
    EXPECT_TRUE(roster.stored(adams, "TOTAL").isNull()) << "nothing was stored";

    ui.boxes.answers = {0, 0};
    ui.find<QAction>("MNU_TOTALALL")->trigger();
    ASSERT_EQ(ui.boxes.shown.size(), 3);
    EXPECT_EQ(ui.boxes.shown[2].text, "Totalled 2 of 3 soldiers; 1 refused.");
    EXPECT_TRUE(ui.boxes.shown[2].details.contains("BAKER: Entry for PEBD is not valid")) << qPrintable(ui.boxes.shown[2].details);
    EXPECT_EQ(roster.stored(adams, "TOTAL"), 32 + 13 + 40 + 30 + 25);
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
    // First letters that matched others, then nothing: back where it began.
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
        {"the merit list over it, replacing", {1, 0}, {"Export the whole roster", "already exists. Replace it?"}, "\xEF\xBB\xBFGroup,Place,Name,Rank"},
        {"the roster over it, not replacing", {0, 1}, {"Export the whole roster", "already exists. Replace it?"}, "\xEF\xBB\xBFGroup,Place,Name,Rank"},
        {"cancelled at the kind", {2}, {"Export the whole roster"}, "\xEF\xBB\xBFGroup,Place,Name,Rank"},
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
    QTextDocument tip;
    tip.setHtml(ui.find<QLabel>("Label4")->toolTip());
    EXPECT_TRUE(tip.toPlainText().startsWith(
        "TIS 32 + TIG 13 + APFT 40 + weapon 30 + awards 40 + 1SG 10 + SGT 15 = 180\nWorked out on 3/15/2024."))
        << tip.toPlainText().toStdString();
    // The same bars as the worksheet's, in the tooltip's pixels: fills as long as the points, on the scale of the
    // most a figure can give (50 here).
    QImage shown(tip.size().toSize(), QImage::Format_RGB32);
    shown.fill(Qt::white);
    QPainter painter(&shown);
    tip.drawContents(&painter);
    painter.end();
    QList<int> fills;
    for (int y = 1; y < shown.height(); ++y) {
        int run = 0, longest = 0;
        for (int x = 0; x < shown.width(); ++x)
            longest = std::max(longest, run = shown.pixel(x, y) == qRgb(90, 90, 90) ? run + 1 : 0);
        int above = 0;
        for (int x = 0, r = 0; x < shown.width(); ++x)
            above = std::max(above, r = shown.pixel(x, y - 1) == qRgb(90, 90, 90) ? r + 1 : 0);
        if (longest > 3 && above <= 3) // a bar's first line, not a speck of a letter's edge
            fills << longest;
    }
    ASSERT_EQ(fills.size(), 7);
    const double points[] = {32, 13, 40, 30, 40, 10, 15};
    for (int i = 0; i < 7; ++i)
        EXPECT_NEAR(fills[i] / 160.0, points[i] / 50, 0.02) << i;
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
