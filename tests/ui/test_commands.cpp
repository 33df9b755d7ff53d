// The buttons and menus: Total through the button, failures shown by the
// one handler wrapper, Sort hiding the window, the reports, help, Exit and
// closing the window.
#include "ui_fixture.h"

#include "common/failure.h"
#include "points/date_services.h"
#include "store/data_control.h"
#include "ui/handler.h"
#include "ui/roster_grid.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace varnel::ui::test {
namespace {

QAction* menuItem(const FormUnderTest& ui, const char* name)
{
    return ui.form->findChild<QAction*>(QString::fromLatin1(name));
}

TEST(Handler, ShowsAFailureAsNumberAndDescriptionAndGoesOn)
{
    const struct {
        std::function<void()> work;
        bool completes;
        QString shown;
    } cases[] = {
        {[] {}, true, QString()},
        {[] { throw Failure(3021, "No current record."); }, false, "3021: No current record."},
        {[] { throw Failure(-2, "Cannot open the roster file \"/x/Varnel_DATA.MDB\"."); }, false,
         "-2: Cannot open the roster file \"/x/Varnel_DATA.MDB\"."},
        {[] { throw std::runtime_error("out of range"); }, false, "out of range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        RecordingBoxes boxes;
        Handler handler(boxes);
        EXPECT_EQ(handler.run(c.work), c.completes);
        if (c.completes) {
            EXPECT_TRUE(boxes.shown.isEmpty());
            continue;
        }
        ASSERT_EQ(boxes.shown.size(), 1);
        EXPECT_EQ(boxes.shown[0].caption, "Varnel");
        EXPECT_EQ(boxes.shown[0].text, c.shown);
    }
}

TEST(Commands, TotalWorksOutTheExampleThroughTheButton)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate today = now.date();
    RosterFile roster;
    const qint64 key = roster.insert({{"Name", "ADAMS"}, {"TISDate", today.addDays(-1000).toString(Qt::ISODate)},
                                      {"DORDate", today.addDays(-400).toString(Qt::ISODate)}, {"APFT", "C"}, {"Weapon", "S"},
                                      {"ARCOM", 1}, {"AAM", 1}, {"LTR/COM", 1}, {"1SGTPoints", 10}, {"SSGTPoints", 15}});
    roster.insert({{"Name", "BAKER"}});
    FormUnderTest ui(roster, now);
    const QChar separator = points::systemDateSeparator();
    const QString stamp = QString::number(today.month()) + separator + QString::number(today.day()) + separator
        + QString::number(today.year());

    ui.click("Command5");
    EXPECT_TRUE(ui.boxes.shown.isEmpty()) << ui.boxes.texts().join('\n').toStdString();
    EXPECT_EQ(ui.find<QLabel>("Label4")->text(), "180");
    EXPECT_EQ(ui.find<QLabel>("TotalDate")->text(), stamp);
    const QVariantMap stored = roster.record(key);
    EXPECT_EQ(stored.value("TOTAL"), 180);
    EXPECT_EQ(stored.value("TISPoints"), 32);
    EXPECT_EQ(stored.value("TIGPoints"), 13);
    EXPECT_EQ(stored.value("TotalDate").toString(), stamp);

    // Another row shows its own (empty) total; back again shows this one.
    ui.clickRow(1);
    EXPECT_EQ(ui.find<QLabel>("Label4")->text(), "");
    ui.clickRow(0);
    EXPECT_EQ(ui.find<QLabel>("Label4")->text(), "180");
    EXPECT_EQ(ui.find<QLabel>("TotalDate")->text(), stamp);
}

TEST(Commands, TotalShowsItsMessagesThroughTheWindowsBoxes)
{
    const QDate today = QDate::currentDate();
    const struct {
        QVariantMap fields;
        QStringList texts;
        QStringList captions;
        QList<QMessageBox::Icon> icons;
    } cases[] = {
        {{{"Name", "A"}}, {"Entry for PEBD is not valid"}, {"Error"}, {QMessageBox::Warning}},
        {{{"Name", "A"}, {"TISDate", today.toString(Qt::ISODate)}}, {"Entry for DOR is not valid"}, {"Error"}, {QMessageBox::Warning}},
        {{{"Name", "A"}, {"TISDate", today.toString(Qt::ISODate)}, {"DORDate", today.toString(Qt::ISODate)}, {"APFT", "a"},
          {"1SGTPoints", 0}, {"SSGTPoints", 0}},
         {"No APFT points added", "No Weapon Qualification points added"}, {"Varnel", "Varnel"},
         {QMessageBox::NoIcon, QMessageBox::NoIcon}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.texts.join(", ").toStdString());
        RosterFile roster;
        roster.insert(c.fields);
        FormUnderTest ui(roster);
        ui.pressAccessKey(Qt::Key_T);
        QStringList captions;
        QList<QMessageBox::Icon> icons;
        for (const auto& box : ui.boxes.shown) {
            captions << box.caption;
            icons << box.icon;
        }
        EXPECT_EQ(ui.boxes.texts(), c.texts);
        EXPECT_EQ(captions, c.captions);
        EXPECT_EQ(icons, c.icons);
    }
}

TEST(Commands, AFailingCommandIsShownAndTheWindowGoesOn)
{
    RosterFile roster;
    roster.insert({{"Name", "ADAMS"}});
    FormUnderTest ui(roster);
    ui.click("Command2"); // deletes the only record: none is current
    EXPECT_TRUE(ui.boxes.shown.isEmpty());
    const char* failing[] = {"Command2", "Command3", "Command5"};
    for (const char* button : failing) {
        SCOPED_TRACE(button);
        ui.boxes.shown.clear();
        ui.click(button);
        ASSERT_EQ(ui.boxes.shown.size(), 1);
        EXPECT_EQ(ui.boxes.shown[0].caption, "Varnel");
        EXPECT_EQ(ui.boxes.shown[0].text, "3021: No current record.");
    }
    ui.boxes.shown.clear();
    ui.click("Command1"); // Add still works
    EXPECT_TRUE(ui.boxes.shown.isEmpty());
    EXPECT_EQ(roster.count(), 1);
    EXPECT_TRUE(ui.form->isVisible());
}

// Counts the times a widget is hidden.
class HideCounter : public QObject {
public:
    int hides = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Hide)
            ++hides;
        return false;
    }
};

TEST(Commands, SortHidesTheWindowAndReloadsInNameOrder)
{
    RosterFile roster;
    roster.insert({{"Name", "MILLER"}});
    roster.insert({{"Name", "ADAMS"}});
    FormUnderTest ui(roster);
    ui.click("Command1"); // an empty record at the end
    ui.find<QWidget>("CSSpin1")->setFocus();
    QTest::keyClicks(ui.find<QWidget>("CSSpin1"), "12");
    HideCounter counter;
    ui.form->installEventFilter(&counter);

    // Sort inside a running event loop: hiding the only window must not end
    // the program.
    int loopResult = -1;
    QTimer::singleShot(0, [&] { ui.click("Command4"); });
    QTimer::singleShot(300, [] { QCoreApplication::exit(7); });
    loopResult = QApplication::exec();
    EXPECT_EQ(loopResult, 7);

    EXPECT_EQ(counter.hides, 1);
    EXPECT_TRUE(ui.form->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QAbstractItemModel* grid = ui.form->grid()->model();
    EXPECT_EQ(grid->index(0, 0).data().toString(), ""); // no name sorts first
    EXPECT_EQ(grid->index(1, 0).data().toString(), "ADAMS");
    EXPECT_EQ(grid->index(2, 0).data().toString(), "MILLER");
    EXPECT_EQ(ui.form->data1().recordset().position(), 0);
    EXPECT_TRUE(ui.boxes.shown.isEmpty()) << ui.boxes.texts().join('\n').toStdString();
    ui.form->removeEventFilter(&counter);
}

TEST(Commands, FailedSortShowsTheWindowAndPointerBeforeTheMessage)
{
    RosterFile roster;
    roster.insert({{"Name", "ADAMS"}});
    FormUnderTest ui(roster);
    ASSERT_TRUE(QFile::rename(roster.path(), roster.path() + ".moved"));
    ui.click("Command4");
    ASSERT_EQ(ui.boxes.shown.size(), 1);
    EXPECT_EQ(ui.boxes.shown[0].caption, "Varnel");
    EXPECT_TRUE(ui.boxes.shown[0].text.contains("Varnel_DATA.MDB"));
    EXPECT_TRUE(ui.boxes.shown[0].mainWindowVisible);
    EXPECT_FALSE(ui.boxes.shown[0].busyPointer);
    EXPECT_TRUE(ui.form->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QFile::rename(roster.path() + ".moved", roster.path());
}

TEST(Commands, ReportItemsHandTheirLayoutToReport1)
{
    RosterFile roster;
    FormUnderTest ui(roster);
    const struct {
        const char* item;
        const char* layout;
    } items[] = {{"MNU_MERIT", "varnel_list.rpt"}, {"MNU_WORKSHEETS", "varnel_work.rpt"}, {"MNU_NCOES", "varnel_nco.rpt"}};
    for (const auto& item : items) {
        SCOPED_TRACE(item.item);
        ui.reportLog->fileNames.clear();
        ui.reportLog->actions.clear();
        menuItem(ui, item.item)->trigger();
        EXPECT_EQ(ui.reportLog->fileNames, QStringList({QDir::currentPath() + "/" + item.layout}));
        EXPECT_EQ(ui.reportLog->actions, QList<qint16>({0}));
    }
    // A failing report engine: its number and description, and on we go.
    ui.reportLog->failWith = 20504;
    menuItem(ui, "MNU_MERIT")->trigger();
    ASSERT_EQ(ui.boxes.shown.size(), 1);
    EXPECT_EQ(ui.boxes.shown[0].text, "20504: Cannot open the report layout file.");
}

TEST(Commands, HelpComesFromF1AndFromTheMenuAboutFromTheMenu)
{
    RosterFile roster;
    roster.insert({{"Name", "ADAMS"}});
    FormUnderTest ui(roster);
    ui.find<QWidget>("PrefDates")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    ui.form->grid()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    menuItem(ui, "MNU_CONTENTS")->trigger();
    EXPECT_EQ(ui.helpRequests, 3);
    menuItem(ui, "MNU_ABOUT")->trigger();
    menuItem(ui, "MNU_ABOUT")->trigger();
    EXPECT_EQ(ui.aboutRequests, 2);
}

TEST(Commands, EnterAndEscapePressNoButtonWithoutFocus)
{
    RosterFile roster;
    roster.insert({{"Name", "ADAMS"}});
    FormUnderTest ui(roster);
    for (const char* name : {"PrefDates", "CSSpin1", "LastSchool"}) {
        ui.find<QWidget>(name)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    }
    EXPECT_EQ(roster.count(), 1);
    EXPECT_TRUE(ui.boxes.shown.isEmpty());
}

TEST(Commands, StartUpWithoutARosterFileFails)
{
    QTemporaryDir empty;
    RecordingBoxes boxes;
    MainFormParts parts;
    parts.messageBoxes = &boxes;
    parts.report1 = std::make_unique<RecordingReport>(std::make_shared<RecordingReport::Log>());
    MainForm form(std::move(parts));
    EXPECT_FALSE(form.handler().run([&] { form.load(empty.path()); }));
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].caption, "Varnel");
    EXPECT_TRUE(boxes.shown[0].text.contains(empty.path() + "/Varnel_DATA.MDB"));
    EXPECT_FALSE(QFile::exists(empty.path() + "/Varnel_DATA.MDB"));
}

// Runs the application's event loop until `action` ends it, or fails after
// two seconds.
int runLoopUntilEnded(const std::function<void()>& action)
{
    QTimer::singleShot(0, action);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(2000);
    return QApplication::exec();
}

TEST(Commands, ExitAndClosingTheWindowEndTheProgram)
{
    const struct {
        const char* how;
        std::function<void(FormUnderTest&)> end;
    } ways[] = {
        {"File > Exit while editing", [](FormUnderTest& ui) {
             ui.find<QWidget>("PrefDates")->setFocus();
             QTest::keyClicks(ui.find<QWidget>("PrefDates"), "unsaved");
             menuItem(ui, "MNU_EXIT")->trigger();
         }},
        {"closing the window", [](FormUnderTest& ui) { ui.form->close(); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        RosterFile roster;
        const qint64 key = roster.insert({{"Name", "ADAMS"}});
        FormUnderTest ui(roster);
        EXPECT_EQ(runLoopUntilEnded([&] { way.end(ui); }), 0);
        EXPECT_TRUE(roster.record(key).value("PrefDates").isNull()); // nothing saved
    }
}

TEST(Commands, ClosingTheWindowEndsTheProgramWithTheAboutBoxOpenOrHidden)
{
    for (bool hidden : {false, true}) {
        SCOPED_TRACE(hidden ? "About box hidden" : "About box open");
        RosterFile roster;
        MainFormParts parts;
        RecordingBoxes boxes;
        parts.messageBoxes = &boxes;
        parts.report1 = std::make_unique<RecordingReport>(std::make_shared<RecordingReport::Log>());
        MainForm form(std::move(parts)); // the real About command
        form.load(roster.directory());
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        form.findChild<QAction*>("MNU_ABOUT")->trigger();
        QWidget* about = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == "About")
                about = window;
        }
        ASSERT_NE(about, nullptr);
        ASSERT_TRUE(about->isVisible());
        if (hidden)
            about->hide();
        EXPECT_EQ(runLoopUntilEnded([&] { form.close(); }), 0);
    }
}

} // namespace
} // namespace varnel::ui::test
