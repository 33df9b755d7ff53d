#include "ui_fixture.h"

#include "store/recordset.h"
#include "ui/application.h"
#include "ui/first_run_panel.h"
#include "ui/recent_rosters.h"

#include <QAction>
#include <QLineEdit>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace varnel::ui::test {
namespace {

TEST(StartUp, OpensTheRosterOffersToConvertAnAccessFileAndSaysHowToMakeOne)
{
    const QByteArray access = fileBytes(VARNEL_SOURCE_DIR "/tests/legacy/data/soldier-jet4-access2000.mdb");
    RosterFile sqlite;
    sqlite.insertNames({"ADAMS, JOHN"});
    const QString copy = "Varnel_DATA (Access).MDB", secondCopy = "Varnel_DATA (Access 2).MDB";
    const struct {
        const char* name;
        QByteArray bytes; // of Varnel_DATA.MDB; empty: none
        QList<int> answers; // to the offer: Yes 0, No 1; none: not offered
        bool copyNameTaken;
        bool opens;
        QStringList after; // the folder afterwards
        QString lastBox;   // the beginning of the last box's text; empty: no box
        QString hint;      // in the last box
    } cases[] = {
        {"no roster file", {}, {}, false, false, {}, "14: ", "varnel-roster create \"ROSTER\""},
        {"a file that is no database", "this is not a roster, only some text that fills a page or so........", {}, false,
         false, {"Varnel_DATA.MDB"}, "26: ", ""},
        // Opened to be read, a pipe would wait for a writer for ever.
        {"a pipe under the name", "<fifo>", {}, false, false, {"Varnel_DATA.MDB"}, "14: ", ""},
        {"a roster", fileBytes(sqlite.path()), {}, false, true, {"Varnel_DATA.MDB"}, "", ""},
        {"Access, Yes", access, {0}, false, true, {copy, "Varnel_DATA.MDB"},
         "Brought 300 soldiers across from the Access file. It is kept unchanged as \"" + copy + "\".", ""},
        {"Access, Yes, the first name for the copy taken", access, {0}, true, true, {secondCopy, copy, "Varnel_DATA.MDB"},
         "Brought 300 soldiers across from the Access file. It is kept unchanged as \"" + secondCopy + "\".", ""},
        {"Access, No", access, {1}, false, false, {"Varnel_DATA.MDB"}, "26: The roster file",
         "varnel-roster import \"COPY\""},
        {"Access, Yes, but the file is cut short", access.left(120 * 1024), {0}, false, false, {"Varnel_DATA.MDB"},
         "3049: Record 2", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        const QString roster = QDir::toNativeSeparators(folder.filePath("Varnel_DATA.MDB"));
        if (c.bytes == "<fifo>")
            ASSERT_EQ(runProgram("mkfifo", {roster}), 0);
        else if (!c.bytes.isEmpty())
            writeFile(roster, c.bytes);
        if (c.copyNameTaken)
            writeFile(folder.filePath(copy), "the clerk's own file");
        RecordingBoxes boxes;
        boxes.answers = c.answers;
        MainFormParts parts;
        parts.messageBoxes = &boxes;
        MainForm form(std::move(parts));
        EXPECT_EQ(loadRoster(form, QDir::toNativeSeparators(folder.path())), c.opens);

        ASSERT_EQ(boxes.shown.size(), (c.answers.isEmpty() ? 0 : 1) + (c.lastBox.isEmpty() ? 0 : 1));
        if (!c.answers.isEmpty()) {
            const RecordingBoxes::Box& offer = boxes.shown.first();
            EXPECT_TRUE(offer.text.startsWith("Varnel_DATA.MDB in this folder is an Access database")) << qPrintable(offer.text);
            EXPECT_EQ(offer.escapeButton, 1) << "Escape answers No";
        }
        if (!c.lastBox.isEmpty()) {
            const QString text = boxes.shown.last().text;
            EXPECT_TRUE(text.startsWith(c.lastBox)) << qPrintable(text);
            EXPECT_EQ(text.contains("varnel-roster"), !c.hint.isEmpty()) << qPrintable(text);
            const QString hint = QString(c.hint).replace("ROSTER", roster).replace("COPY", QDir::toNativeSeparators(folder.filePath(copy)));
            EXPECT_TRUE(text.contains(hint)) << qPrintable(text);
        }
        QStringList after = QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden | QDir::System);
        after.sort();
        EXPECT_EQ(after, c.after) << "Varnel never makes the roster";
        if (!c.opens && !c.bytes.isEmpty() && c.bytes != "<fifo>") {
            EXPECT_EQ(fileBytes(roster), c.bytes) << "the file where it was, unchanged";
        }
        if (c.opens && !c.answers.isEmpty()) {
            EXPECT_EQ(fileBytes(folder.filePath(c.copyNameTaken ? secondCopy : copy)), access) << "the Access file unchanged";
            EXPECT_EQ(form.binding().recordset().recordCount(), 300);
            EXPECT_EQ(form.binding().shownValue("Name").asText(), "Müller, Zoë") << "the roster opened in name order";
        }
        if (c.copyNameTaken) {
            EXPECT_EQ(fileBytes(folder.filePath(copy)), "the clerk's own file");
        }
    }
}

TEST(FirstRun, FromTheDesktopThePanelMakesOpensOrImportsARoster)
{
    const QString before = QDir::currentPath();
    const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
    {
        QTemporaryDir folder;
        QDir::setCurrent(folder.path());
        FormUnderTest ui;
        EXPECT_TRUE(openAtStart(*ui.form, true));
        EXPECT_EQ(ui.boxes.lines(), QStringList());
        ui.form->show();
        auto* panel = ui.form->findChild<FirstRunPanel*>("FirstRun");
        ASSERT_NE(panel, nullptr);
        EXPECT_TRUE(panel->isVisible());
        EXPECT_FALSE(ui.form->binding().isOpen());
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList()) << "never a roster made unasked";
    }
    RosterFile existing;
    existing.insertNames({"ADAMS", "BAKER"});
    const struct {
        const char* button;
        const char* fileToChoose; // "": the roster in the folder chosen
        int soldiers;
    } cases[] = {
        {"FirstRunNew", "", 0},
        {"FirstRunOpen", "", 2},
        {"FirstRunImport", VARNEL_SOURCE_DIR "/tests/legacy/data/soldier-jet4-access2003.mdb", 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        QTemporaryDir home;
        FormUnderTest ui;
        ui.folderToChoose = home.filePath("Documents/Varnel");
        const QString roster = ui.folderToChoose + "/Varnel_DATA.MDB";
        ui.fileToChoose = *c.fileToChoose ? QString::fromUtf8(c.fileToChoose) : roster;
        if (c.soldiers == 2) {
            QDir().mkpath(ui.folderToChoose);
            writeFile(roster, fileBytes(existing.path()));
        }
        ui.form->show();
        ui.form->showFirstRun();
        QTest::mouseClick(ui.form->findChild<QPushButton*>(c.button), Qt::LeftButton);
        ASSERT_TRUE(ui.form->binding().isOpen()) << ui.boxes.lines().join('\n').toStdString();
        EXPECT_EQ(QFileInfo(ui.form->binding().databaseName()).canonicalFilePath(), QFileInfo(roster).canonicalFilePath());
        EXPECT_EQ(ui.form->binding().recordset().recordCount(), c.soldiers);
        EXPECT_TRUE(ui.form->binding().recordset().layout().mismatch().isEmpty()) << "a roster the program opens";
        EXPECT_FALSE(ui.form->findChild<FirstRunPanel*>("FirstRun")->isVisible());
        EXPECT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(), QFileInfo(ui.folderToChoose).canonicalFilePath())
            << "the roster's folder is the current one, whose layouts the reports use";
        ui.click("Command1"); // Add works on it
        EXPECT_EQ(ui.form->binding().recordset().recordCount(), c.soldiers + 1);
    }
}

TEST(FirstRun, RecentRostersOutliveTheWindowAndSwitchingAsksAboutEntries)
{
    QTemporaryDir config; // settings of the test's own, as at a clerk's first run
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    const auto ownSettings = qScopeGuard([] {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    });
    RosterFile first, second;
    first.insertNames({"ADAMS"});
    second.insertNames({"BAKER"});
    const QString before = QDir::currentPath();
    const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
    {
        FormUnderTest ui(first);
        typeInto(ui.find("PrefDates"), "AUG");
        ui.boxes.answers = {2}; // Cancel: stay
        EXPECT_FALSE(ui.form->openRoster(second.path()));
        ASSERT_EQ(ui.boxes.shown.size(), 1);
        EXPECT_TRUE(ui.boxes.shown[0].text.contains("ADAMS before another roster is opened")) << qPrintable(ui.boxes.shown[0].text);
        EXPECT_EQ(ui.currentName(), "ADAMS");
        ui.boxes.answers = {0}; // Store
        EXPECT_TRUE(ui.form->openRoster(second.path()));
        EXPECT_EQ(ui.currentName(), "BAKER");
        EXPECT_EQ(first.stored(1, "PrefDates"), "AUG");
    }
    QFile::remove(second.path()); // gone by the next run

    FormUnderTest ui; // the next run
    auto* recent = ui.form->findChild<QMenu*>("MNU_RECENT");
    emit recent->aboutToShow();
    QStringList shown;
    for (QAction* item : recent->actions())
        shown << item->text() + (item->isEnabled() ? "" : " (disabled)");
    EXPECT_EQ(shown, QStringList({QDir::toNativeSeparators(QFileInfo(second.path()).absoluteFilePath()) + " (disabled)",
                                  QDir::toNativeSeparators(QFileInfo(first.path()).absoluteFilePath())}));
    recent->actions().at(1)->trigger();
    EXPECT_EQ(ui.currentName(), "ADAMS");
    for (int i = 0; i < 9; ++i)
        RecentRosters::add(QStringLiteral("/rosters/%1").arg(i));
    EXPECT_EQ(RecentRosters::list().size(), 8) << "the eight latest are kept";
    EXPECT_EQ(RecentRosters::list().first(), "/rosters/8");
}

// A server that asks for a password: the window asks (keys typed, nothing shown), keeps it only when told to, a wrong
// or missing one is 3029 naming the role. (A .pgpass, which libpq reads, scripts/check-server-page.sh uses.)
TEST(StartUp, AServerThatAsksForAPasswordGetsItFromTheWindow)
{
    RosterFile roster(RosterKind{Engine::Server, TableLayout::Standard});
    roster.insertNames({"ADAMS"});
    const QString address = roster.locationAs("pw_clerk", "Sesame 1");
    // Typed into the question and Return (none: Escape), Remember ticked; "-": no question; the box shown.
    const std::tuple<const char*, bool, QString> cases[] = {{"Sesame 1", true, ""}, {"-", false, ""}, // remembered
        {"Sesame 1", false, ""}, {"Sesame 2", false, "3029: The server did not accept the password of the role \"pw_clerk\""},
        {nullptr, false, "3029: The server asks for the password of the role \"pw_clerk\""}};
    for (const auto& [typed, tick, box] : cases) {
        SCOPED_TRACE(box.toStdString());
        FormUnderTest ui;
        bool asked = false;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* password = QApplication::activeModalWidget() ? QApplication::activeModalWidget()->findChild<QLineEdit*>("Password") : nullptr;
            if (!password || std::exchange(asked, true))
                return;
            EXPECT_EQ(password->echoMode(), QLineEdit::Password);
            QTest::keyClicks(password, typed);
            if (tick)
                QTest::keyClick(password->parentWidget()->findChild<QWidget*>("RememberPassword"), Qt::Key_Space);
            QTest::keyClick(password, typed ? Qt::Key_Return : Qt::Key_Escape);
        });
        answer.start(20);
        EXPECT_EQ(ui.form->openRoster(address), box.isEmpty());
        EXPECT_EQ(asked, qstrcmp(typed, "-") != 0);
        const QString shown = ui.boxes.lines().join('\n');
        EXPECT_TRUE((box.isEmpty() ? shown.isEmpty() : shown.startsWith("Varnel | " + box)) && !shown.contains("Sesame")) << qPrintable(shown);
        if (qstrcmp(typed, "-") == 0)
            forgetRememberedPasswords();
    }
}

} // namespace
} // namespace varnel::ui::test
