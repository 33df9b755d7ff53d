// The buttons and menus: Total through the button, failures shown by the
// one handler wrapper, Sort hiding the window, a failing report, F1, Exit
// and closing the window.
#include "ui_fixture.h"

#include "points/date_services.h"
#include "ui/handler.h"
#include "ui/roster_grid.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
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
        {[] { throw Failure(-2, "Cannot open the roster file \"/x/Varnel_DATA.MDB\"."); },
         {"Varnel | -2: Cannot open the roster file \"/x/Varnel_DATA.MDB\"."}},
        {[] { throw std::runtime_error("out of range"); }, {"Varnel | out of range"}},
    };
    for (const auto& c : cases) {
        RecordingBoxes boxes;
        EXPECT_EQ(Handler(boxes).run(c.work), c.shown.isEmpty());
        EXPECT_EQ(boxes.lines(), c.shown);
    }
}

TEST(Commands, TotalWorksOutTheExampleThroughTheButton)
{
    const QDate today = QDate::currentDate();
    RosterFile roster;
    const qint64 key = roster.insert({{"Name", "ADAMS"}, {"TISDate", today.addDays(-1000).toString(Qt::ISODate)},
                                      {"DORDate", today.addDays(-400).toString(Qt::ISODate)}, {"APFT", "C"}, {"Weapon", "S"},
                                      {"ARCOM", 1}, {"AAM", 1}, {"LTR/COM", 1}, {"1SGTPoints", 10}, {"SSGTPoints", 15}});
    roster.insertNames({"BAKER"});
    FormUnderTest ui(roster, QDateTime(today, QTime(12, 0)));
    const QChar separator = points::systemDateSeparator();
    const QString stamp = QString::number(today.month()) + separator + QString::number(today.day()) + separator
        + QString::number(today.year());

    ui.click("Command5");
    EXPECT_EQ(ui.boxes.lines(), QStringList());
    EXPECT_EQ(ui.find<QLabel>("Label4")->text(), "180");
    EXPECT_EQ(ui.find<QLabel>("TotalDate")->text(), stamp);
    EXPECT_EQ(roster.stored(key, "TOTAL"), 180);
    EXPECT_EQ(roster.stored(key, "TISPoints"), 32);
    EXPECT_EQ(roster.stored(key, "TotalDate"), stamp);
    // Another row shows its own (empty) total; back again shows this one.
    ui.clickRow(1);
    EXPECT_EQ(ui.find<QLabel>("Label4")->text(), "");
    ui.clickRow(0);
    EXPECT_EQ(ui.find<QLabel>("Label4")->text(), "180");
}

TEST(Commands, TotalShowsItsMessagesInBoxesWithTheirCaptionsAndIcons)
{
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    const struct {
        QVariantMap fields;
        QStringList shown;
        QList<QMessageBox::Icon> icons;
    } cases[] = {
        {{{"Name", "A"}}, {"Error | Entry for PEBD is not valid"}, {QMessageBox::Warning}},
        {{{"Name", "A"}, {"TISDate", today}, {"DORDate", today}, {"APFT", "a"}, {"1SGTPoints", 0}, {"SSGTPoints", 0}},
         {"Varnel | No APFT points added", "Varnel | No Weapon Qualification points added"},
         {QMessageBox::NoIcon, QMessageBox::NoIcon}},
    };
    for (const auto& c : cases) {
        RosterFile roster;
        roster.insert(c.fields);
        FormUnderTest ui(roster);
        ui.pressAccessKey(Qt::Key_T);
        QList<QMessageBox::Icon> icons;
        for (const auto& box : ui.boxes.shown)
            icons << box.icon;
        EXPECT_EQ(ui.boxes.lines(), c.shown);
        EXPECT_EQ(icons, c.icons);
    }
}

TEST(Commands, AFailingCommandIsShownAndTheWindowGoesOn)
{
    RosterFile roster;
    roster.insertNames({"ADAMS"});
    FormUnderTest ui(roster);
    ui.click("Command2"); // deletes the only record: none is current
    for (const char* button : {"Command2", "Command3", "Command5"})
        ui.click(button);
    EXPECT_EQ(ui.boxes.lines(), QStringList(3, "Varnel | 3021: No current record."));
    ui.click("Command1"); // Add still works
    EXPECT_EQ(ui.boxes.shown.size(), 3);
    EXPECT_EQ(roster.count(), 1);
    EXPECT_TRUE(ui.form->isVisible());
}

TEST(Commands, ADamagedRosterIsReportedOnceTheWindowIsUpAndTakesNoWrites)
{
    RosterFile roster;
    roster.exec("BEGIN");
    for (int i = 0; i < 300; ++i)
        roster.insert({{"Name", QStringLiteral("SOLDIER %1").arg(i, 3, 10, QLatin1Char('0'))},
                       {"PrefDates", i == 150 ? QStringLiteral("MARKER-OF-THE-DAMAGED-PAGE") : QString(60, u'x')}});
    roster.exec("COMMIT");
    damagePageHolding(roster.path(), "MARKER-OF-THE-DAMAGED-PAGE");
    const QByteArray before = fileBytes(roster.path());

    FormUnderTest ui(roster);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ui.boxes.shown.isEmpty(); }, 10000));
    ASSERT_EQ(ui.boxes.shown.size(), 1);
    EXPECT_TRUE(ui.boxes.shown[0].text.startsWith("11: The roster file")) << qPrintable(ui.boxes.shown[0].text);
    EXPECT_TRUE(ui.boxes.shown[0].mainWindowVisible);
    ui.click("Command1");
    ui.click("Command3");
    EXPECT_EQ(ui.boxes.shown.size(), 3);
    EXPECT_TRUE(ui.boxes.shown[2].text.startsWith("11: ")) << qPrintable(ui.boxes.shown[2].text);
    EXPECT_EQ(fileBytes(roster.path()), before);
}

TEST(Commands, RowsTheGridShowedStayAsShownWhenTheyCannotBeReadAgain)
{
    RosterFile roster;
    roster.exec("BEGIN");
    for (int i = 0; i < 300; ++i)
        roster.insert({{"Name", QStringLiteral("SOLDIER %1").arg(i, 3, 10, QLatin1Char('0'))},
                       {"PrefDates", i == 150 ? QStringLiteral("MARKER-OF-THE-DAMAGED-PAGE") : QString(60, u'x')}});
    roster.exec("COMMIT");
    FormUnderTest ui(roster);
    ui.form->grid()->scrollTo(ui.form->grid()->model()->index(150, 0));
    ASSERT_EQ(ui.cell(150, 0), "SOLDIER 150");
    // The page goes bad under the open window; another program's commit
    // makes the window read the roster again.
    damagePageHolding(roster.path(), "MARKER-OF-THE-DAMAGED-PAGE");
    ASSERT_EQ(roster.runInAnotherProgram(R"(UPDATE "Soldier" SET "Rank" = 'PV2' WHERE "Name" = 'SOLDIER 000')"), 0);
    ui.clickRow(1);
    EXPECT_EQ(ui.currentName(), "SOLDIER 001");
    EXPECT_EQ(ui.cell(150, 0), "SOLDIER 150") << "as it was shown, not blank";
    EXPECT_EQ(ui.cell(0, 1), "PV2") << "the rows that can be read are read again";
}

// Counts the times a widget is hidden.
class HideCounter : public QObject {
public:
    int hides = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        hides += event->type() == QEvent::Hide;
        return false;
    }
};

TEST(Commands, SortHidesTheWindowAndReloadsInNameOrder)
{
    RosterFile roster;
    roster.insertNames({"MILLER", "ADAMS"});
    FormUnderTest ui(roster);
    ui.click("Command1"); // an empty record at the end
    typeInto(ui.find("CSSpin1"), "12");
    ui.clickRow(1); // MILLER, who stays current
    ui.form->move(140, 90);
    HideCounter counter;
    ui.form->installEventFilter(&counter);

    // Sort inside a running event loop: hiding the only window must not end
    // the program.
    QTimer::singleShot(0, [&] { ui.click("Command4"); });
    QTimer::singleShot(300, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QApplication::exec(), 7);

    EXPECT_EQ(counter.hides, 1);
    EXPECT_TRUE(ui.form->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QStringList({ui.cell(0, 0), ui.cell(1, 0), ui.cell(2, 0)}), QStringList({"", "ADAMS", "MILLER"}))
        << "no name sorts first";
    EXPECT_EQ(ui.currentName(), "MILLER") << "the soldier who was current stays so";
    EXPECT_EQ(ui.position(), 2);
    EXPECT_EQ(ui.form->pos(), QPoint(140, 90)) << "the window comes back where it was";
    EXPECT_EQ(ui.boxes.lines(), QStringList());
    ui.form->removeEventFilter(&counter);
}

TEST(Commands, FailedSortShowsTheWindowAndPointerBeforeTheMessage)
{
    RosterFile roster;
    roster.insertNames({"ADAMS"});
    FormUnderTest ui(roster);
    ASSERT_TRUE(QFile::rename(roster.path(), roster.path() + ".moved"));
    ui.click("Command4");
    ASSERT_EQ(ui.boxes.shown.size(), 1);
    EXPECT_TRUE(ui.boxes.lines()[0].startsWith("Varnel | ")) << ui.boxes.lines()[0].toStdString();
    EXPECT_TRUE(ui.boxes.shown[0].text.contains("Varnel_DATA.MDB"));
    EXPECT_TRUE(ui.boxes.shown[0].mainWindowVisible);
    EXPECT_FALSE(ui.boxes.shown[0].busyPointer);
    EXPECT_TRUE(ui.form->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QFile::rename(roster.path() + ".moved", roster.path());
}

// What each menu item hands to Report1 is checked with the menus
// (test_main_form_layout.cpp).
TEST(Commands, AFailingReportEngineIsShownAndTheWindowGoesOn)
{
    RosterFile roster;
    FormUnderTest ui(roster);
    ui.reportLog->failWith = 20504;
    ui.find<QAction>("MNU_MERIT")->trigger();
    EXPECT_EQ(ui.boxes.lines(), QStringList{"Varnel | 20504: Cannot open the report layout file."});
    ui.find<QAction>("MNU_NCOES")->trigger();
    EXPECT_EQ(ui.boxes.shown.size(), 2) << "the next report is asked for again";
}

// With the roster on a server the reports, which read the folder's roster
// file, are refused rather than printed from another roster; the window
// shows the server's roster and stores to it.
TEST(Commands, ARosterOnAServerIsWorkedOnButNotPrintedFromTheFolder)
{
    RosterFile roster(RosterKind{Engine::Server, TableLayout::Standard});
    const qint64 baker = roster.insert({{"Name", "BAKER"}});
    roster.insert({{"Name", "ADAMS"}});
    FormUnderTest ui(roster);
    EXPECT_EQ(ui.cell(0, 0), "ADAMS");
    EXPECT_EQ(ui.cell(1, 0), "BAKER");

    for (const char* item : {"MNU_MERIT", "MNU_WORKSHEETS", "MNU_NCOES"}) {
        SCOPED_TRACE(item);
        ui.boxes.shown.clear();
        ui.find<QAction>(item)->trigger();
        ASSERT_EQ(ui.boxes.shown.size(), 1);
        EXPECT_TRUE(ui.boxes.shown.first().text.startsWith("5114: ")) << qPrintable(ui.boxes.shown.first().text);
        EXPECT_TRUE(ui.boxes.shown.first().text.contains("varnel-roster copy"));
    }
    EXPECT_TRUE(ui.reportLog->fileNames.isEmpty()) << "the report engine was never asked";

    ui.clickRow(1);
    ui.form->binding().setPending("Rank", store::Value::text("SGT"));
    ui.click("Command3"); // Update
    EXPECT_EQ(roster.stored(baker, "Rank").toString(), "SGT");
}

// Given the report address, the reports of a server roster read the roster
// through it: every report, the one soldier's worksheet too; without it
// they are refused and the message says how to give one.
TEST(Commands, ARosterOnAServerIsPrintedThroughTheReportAddress)
{
    RosterFile roster(RosterKind{Engine::Server, TableLayout::Standard});
    roster.insert({{"Name", "ADAMS"}});
    const qint64 baker = roster.insert({{"Name", "BAKER"}});
    FormUnderTest ui(roster);
    ui.find<QAction>("MNU_MERIT")->trigger();
    ASSERT_EQ(ui.boxes.shown.size(), 1);
    EXPECT_TRUE(ui.boxes.shown.first().text.contains("--report-database")) << qPrintable(ui.boxes.shown.first().text);

    const QString reports = roster.location() + QStringLiteral("&application_name=reports");
    ui.form->setReportDatabase(reports);
    ui.boxes.shown.clear();
    for (const char* item : {"MNU_MERIT", "MNU_WORKSHEETS", "MNU_NCOES"})
        ui.find<QAction>(item)->trigger();
    ui.clickRow(1);
    ui.find<QAction>("MNU_THISWORKSHEET")->trigger();
    EXPECT_TRUE(ui.boxes.shown.isEmpty()) << qPrintable(ui.boxes.shown.isEmpty() ? QString() : ui.boxes.shown.first().text);
    EXPECT_EQ(ui.reportLog->fileNames.size(), 4);
    EXPECT_EQ(ui.reportLog->actions.size(), 4);
    EXPECT_EQ(ui.reportLog->dataSources, QStringList(4, reports));
    EXPECT_TRUE(ui.reportLog->onlyRecords.contains(std::optional<qint64>(baker)));
}

TEST(Commands, F1OpensTheHelpFromEveryControl)
{
    RosterFile roster;
    roster.insertNames({"ADAMS"});
    FormUnderTest ui(roster);
    for (QWidget* focus : {ui.find("PrefDates"), static_cast<QWidget*>(ui.form->grid())}) {
        focus->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    }
    EXPECT_EQ(ui.helpRequests, 2);
    EXPECT_EQ(ui.aboutRequests, 0);
}

TEST(Commands, EnterPressesTheButtonThatHasTheFocus)
{
    RosterFile roster;
    const qint64 adams = roster.insert({{"Name", "ADAMS"}, {"PrefDates", "JUN"}});
    FormUnderTest ui(roster);
    typeInto(ui.find("PrefDates"), "AUG");
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        SCOPED_TRACE(key == Qt::Key_Return ? "Return" : "Enter");
        QWidget* update = ui.find("Command3");
        update->setFocus(Qt::TabFocusReason);
        QTest::keyClick(update, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QTest::qWait(300); // the button's press is shown for a moment
        EXPECT_EQ(roster.stored(adams, "PrefDates"), "AUG");
        QWidget* add = ui.find("Command1");
        add->setFocus(Qt::TabFocusReason);
        const int before = roster.count();
        QTest::keyClick(add, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QTest::qWait(300);
        EXPECT_EQ(roster.count(), before + 1);
    }
    EXPECT_EQ(ui.boxes.lines(), QStringList());
}

TEST(Commands, EnterAndEscapePressNoButtonWithoutFocus)
{
    RosterFile roster;
    roster.insertNames({"ADAMS"});
    FormUnderTest ui(roster);
    for (const char* name : {"PrefDates", "CSSpin1", "LastSchool"}) {
        ui.find(name)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    }
    EXPECT_EQ(roster.count(), 1);
    EXPECT_EQ(ui.boxes.lines(), QStringList());
}

// The window with the real About command and the given boxes.
std::unique_ptr<MainForm> plainForm(RecordingBoxes& boxes)
{
    MainFormParts parts;
    parts.messageBoxes = &boxes;
    parts.reportControl = std::make_unique<RecordingReport>(std::make_shared<RecordingReport::Log>());
    return std::make_unique<MainForm>(std::move(parts));
}

// Exit, or closing the window, ends the program whether the About box was
// never shown, is open or is hidden; what is being typed is asked about
// once (here: dropped).
TEST(Commands, ExitAndClosingTheWindowEndTheProgram)
{
    const struct {
        const char* how;
        int aboutBox; // 0 never shown, 1 open, 2 hidden
        bool byExit;
    } ways[] = {{"File > Exit while editing", 0, true}, {"closing the window", 0, false},
                {"closing with the About box open", 1, false}, {"closing with the About box hidden", 2, false}};
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        RosterFile roster;
        const qint64 key = roster.insert({{"Name", "ADAMS"}});
        RecordingBoxes boxes;
        auto form = plainForm(boxes);
        form->load(roster.directory());
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->findChild<QWidget*>("PrefDates")->setFocus();
        QTest::keyClicks(form->findChild<QWidget*>("PrefDates"), "unsaved");
        boxes.answers = {1}; // discard
        if (way.aboutBox) {
            form->findChild<QAction*>("MNU_ABOUT")->trigger();
            QWidget* about = nullptr;
            for (QWidget* window : QApplication::topLevelWidgets())
                about = window->objectName() == "About" && window->isVisible() ? window : about;
            ASSERT_NE(about, nullptr);
            if (way.aboutBox == 2)
                about->hide();
        }

        QTimer::singleShot(0, [&] { way.byExit ? form->findChild<QAction*>("MNU_EXIT")->trigger() : void(form->close()); });
        QTimer guard; // fails the run after two seconds
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        guard.start(2000);
        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_EQ(boxes.shown.size(), 1);
        EXPECT_TRUE(roster.stored(key, "PrefDates").isNull()); // nothing saved
    }
}

} // namespace
} // namespace varnel::ui::test
