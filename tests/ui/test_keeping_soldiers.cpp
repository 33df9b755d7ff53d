// Nothing a clerk does in the window loses a soldier: no record becomes
// current behind the clerk's back, pending entries are never dropped
// without a word, and two writers never overwrite each other silently.
#include "ui_fixture.h"

#include "ui/roster_grid.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>

namespace varnel::ui::test {
namespace {

// The control before or after the grid in the tab order.
QWidget* besideInTabOrder(QWidget* grid, bool after)
{
    QWidget* w = after ? grid->nextInFocusChain() : grid->previousInFocusChain();
    while (w != grid && (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible() || grid->isAncestorOf(w)))
        w = after ? w->nextInFocusChain() : w->previousInFocusChain();
    return w;
}

// Gives the keyboard focus to the grid the way it comes back to it.
void focusGridBy(FormUnderTest& ui, const char* how)
{
    RosterGrid* grid = ui.form->grid();
    if (qstrcmp(how, "Tab") == 0) {
        QWidget* before = besideInTabOrder(grid, false);
        before->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(before, Qt::Key_Tab);
    } else if (qstrcmp(how, "Shift+Tab") == 0) {
        QWidget* after = besideInTabOrder(grid, true);
        after->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(after, Qt::Key_Backtab, Qt::ShiftModifier);
    } else { // another window and back
        grid->setFocus(Qt::OtherFocusReason);
        QWidget other;
        other.show();
        // Waits only; where the focus lands is checked below.
        QApplication::setActiveWindow(&other);
        (void)QTest::qWaitForWindowActive(&other);
        other.close();
        QApplication::setActiveWindow(ui.form.get());
        (void)QTest::qWaitForWindowActive(ui.form.get());
    }
    ASSERT_EQ(QApplication::focusWidget(), grid)
        << how << ": the focus is on " << qPrintable(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "nothing");
}

TEST(KeepingSoldiers, NoRecordBecomesCurrentUntilTheClerkPicksOne)
{
    for (const char* how : {"Tab", "Shift+Tab", "another window"}) {
        SCOPED_TRACE(how);
        RosterFile roster;
        roster.insertNames({"ADAMS", "BAKER", "CARTER"});
        FormUnderTest ui(roster);
        ui.clickRow(2);
        ui.click("Command2"); // deletes CARTER, the last: none is current
        ASSERT_EQ(ui.currentName(), "<none>");

        focusGridBy(ui, how);
        EXPECT_EQ(ui.currentName(), "<none>") << "a focus change picks no row";
        EXPECT_FALSE(ui.form->grid()->currentIndex().isValid());
        for (const char* button : {"Command2", "Command3", "Command5"}) {
            ui.click(button);
            focusGridBy(ui, how);
        }
        EXPECT_EQ(ui.boxes.lines(), QStringList(3, "Varnel | 3021: No current record."));
        EXPECT_EQ(roster.names(), QStringList({"ADAMS", "BAKER"})) << "nothing changed";

        // An arrow key picks a row.
        QTest::keyClick(ui.form->grid(), Qt::Key_Down);
        EXPECT_NE(ui.currentName(), "<none>");
    }
}

// Runs `ending` (Exit or the window's close) in the event loop; true when
// the program ended, false when it went on.
bool endsTheProgram(const std::function<void()>& ending)
{
    QTimer::singleShot(0, ending);
    QTimer stillRunning; // gone with this call, so it cannot end a later one
    stillRunning.setSingleShot(true);
    QObject::connect(&stillRunning, &QTimer::timeout, [] { QCoreApplication::exit(42); });
    stillRunning.start(300);
    return QApplication::exec() == 0;
}

TEST(KeepingSoldiers, ExitAndCloseAskOnceWhenEntriesArePending)
{
    const struct {
        const char* name;
        bool typed;
        int answer; // 0 store, 1 discard, 2 cancel
        bool asked, ends;
        const char* stored;
    } cases[] = {
        {"nothing pending", false, -1, false, true, "JUN"},
        {"store them", true, 0, true, true, "AUG"},
        {"discard them", true, 1, true, true, "JUN"},
        {"cancel", true, 2, true, false, "JUN"},
    };
    for (bool byExit : {true, false}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (byExit ? ", File > Exit" : ", closing the window"));
            RosterFile roster;
            const qint64 adams = roster.insert({{"Name", "ADAMS"}, {"PrefDates", "JUN"}});
            FormUnderTest ui(roster);
            if (c.typed)
                typeInto(ui.find("PrefDates"), "AUG");
            ui.boxes.answers = {c.answer};

            EXPECT_EQ(endsTheProgram([&] { byExit ? ui.find<QAction>("MNU_EXIT")->trigger() : void(ui.form->close()); }), c.ends);
            EXPECT_EQ(ui.boxes.shown.size(), c.asked ? 1 : 0);
            if (c.asked) {
                EXPECT_EQ(ui.boxes.shown[0].caption, "Varnel");
                EXPECT_TRUE(ui.boxes.shown[0].text.contains("ADAMS")) << qPrintable(ui.boxes.shown[0].text);
                EXPECT_EQ(ui.boxes.shown[0].buttons, QStringList({"&Store", "&Discard", "Cancel"}));
            }
            EXPECT_EQ(roster.stored(adams, "PrefDates"), c.stored);
            if (!c.ends) {
                EXPECT_TRUE(ui.form->isVisible());
                EXPECT_EQ(ui.find<QLineEdit>("PrefDates")->text(), "AUG") << "the entries are still there";
            }
        }
    }
}

TEST(KeepingSoldiers, WhenStoringAtExitFailsTheWindowStaysWithTheFailure)
{
    RosterFile roster;
    roster.insertNames({"ADAMS"});
    FormUnderTest ui(roster);
    typeInto(ui.find("PrefDates"), "AUG");
    roster.exec("DELETE FROM Soldier"); // another program
    ui.boxes.answers = {0};
    EXPECT_FALSE(endsTheProgram([&] { ui.find<QAction>("MNU_EXIT")->trigger(); }));
    ASSERT_EQ(ui.boxes.shown.size(), 2);
    EXPECT_TRUE(ui.boxes.shown[1].text.startsWith("3167: ")) << qPrintable(ui.boxes.shown[1].text);
    EXPECT_TRUE(ui.form->isVisible());
    EXPECT_EQ(ui.find<QLineEdit>("PrefDates")->text(), "AUG");
}

TEST(KeepingSoldiers, AConflictShowsBothVersionsAndTheClerkChooses)
{
    for (int answer : {0, 1}) {
        SCOPED_TRACE(answer == 0 ? "keep my entries" : "take the stored values");
        RosterFile roster;
        const qint64 adams = roster.insert({{"Name", "ADAMS"}, {"PrefDates", "JUN"}});
        FormUnderTest ui(roster);
        typeInto(ui.find("PrefDates"), "AUG");
        ASSERT_EQ(QProcess::execute("sqlite3", {roster.path(), "UPDATE Soldier SET PrefDates = 'SEP'"}), 0);
        ui.boxes.answers = {answer};
        ui.click("Command3");

        ASSERT_EQ(ui.boxes.shown.size(), 1);
        const RecordingBoxes::Box& box = ui.boxes.shown[0];
        EXPECT_TRUE(box.text.contains("ADAMS")) << qPrintable(box.text);
        EXPECT_TRUE(box.details.contains("PrefDates")) << qPrintable(box.details);
        EXPECT_TRUE(box.details.contains("SEP") && box.details.contains("AUG")) << qPrintable(box.details);
        EXPECT_EQ(box.buttons, QStringList({"&Keep my entries", "&Take the stored values"}));
        EXPECT_EQ(box.escapeButton, -1) << "closing the box decides nothing";

        EXPECT_EQ(roster.stored(adams, "PrefDates"), answer == 0 ? "AUG" : "SEP");
        EXPECT_EQ(ui.find<QLineEdit>("PrefDates")->text(), answer == 0 ? "AUG" : "SEP");
        EXPECT_FALSE(ui.form->binding().hasPending());
    }
}

TEST(KeepingSoldiers, AConflictOverTheWorksheetIsShownAndTheStoredOneKept)
{
    // Another program totals the soldier while a notice of Total is up: the
    // clerk has nothing pending any more, so there is nothing to choose.
    RosterFile roster;
    const qint64 adams = roster.insert({{"Name", "ADAMS"}, {"TISDate", "2010-01-01"}, {"DORDate", "2015-01-01"},
                                        {"APFT", "Z"}, {"1SGTPoints", 1}, {"SSGTPoints", 1}, {"TOTAL", 7}});
    FormUnderTest ui(roster);
    ui.boxes.whileShown = [&] { roster.exec("UPDATE Soldier SET TOTAL = 99"); };
    ui.click("Command5");
    ui.boxes.whileShown = nullptr;
    ASSERT_GE(ui.boxes.shown.size(), 2);
    EXPECT_TRUE(ui.boxes.shown.last().text.startsWith("3197: ")) << qPrintable(ui.boxes.shown.last().text);
    EXPECT_EQ(roster.stored(adams, "TOTAL"), 99);
    EXPECT_EQ(ui.find<QLabel>("Label4")->text(), "99") << "the window shows what is stored";
}

TEST(KeepingSoldiers, WithoutASafetyCopyTheClerkIsToldOnceBeforeTheFirstChangeGoesIn)
{
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", dataHome); });
    QTemporaryDir home;
    writeFile(home.filePath("Varnel"), "a file where the copies' folder belongs");
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    RosterFile roster;
    const qint64 adams = roster.insert({{"Name", "ADAMS"}, {"PrefDates", "JUN"}});
    FormUnderTest ui(roster);
    QStringList storedWhileTold;
    ui.boxes.whileShown = [&] { storedWhileTold << roster.stored(adams, "PrefDates").toString(); };
    typeInto(ui.find("PrefDates"), "AUG");
    ui.click("Command3");
    typeInto(ui.find("PrefDates"), "SEP");
    ui.click("Command3");
    ASSERT_EQ(ui.boxes.shown.size(), 1) << "once a run";
    EXPECT_EQ(ui.boxes.shown[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(ui.boxes.shown[0].text.contains("No safety copy")) << qPrintable(ui.boxes.shown[0].text);
    EXPECT_EQ(storedWhileTold, QStringList{"JUN"}) << "told before the change goes in";
    EXPECT_EQ(roster.stored(adams, "PrefDates"), "SEP");
}

// Another program holds the roster's lock (a second process: the sqlite3
// shell in a transaction). The window waits painting, says what it waits
// for past half a second, and the clerk may cancel; when the lock goes, the
// change goes in.
TEST(KeepingSoldiers, AnotherProgramsLockIsWaitedForWithoutFreezingTheWindow)
{
    for (bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancelled" : "the lock let go");
        RosterFile roster;
        const qint64 adams = roster.insert({{"Name", "ADAMS"}, {"PrefDates", "JUN"}});
        FormUnderTest ui(roster);
        QProcess holder;
        holder.start("sqlite3", {roster.path()});
        holder.write("BEGIN EXCLUSIVE;\nSELECT 'held';\n");
        ASSERT_TRUE(holder.waitForReadyRead(5000));
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(50);
        bool toldWhatItWaitsFor = false;
        QTimer::singleShot(900, [&] {
            auto* indication = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            toldWhatItWaitsFor = indication && indication->objectName() == "LockWait" && indication->labelText().contains(roster.path());
            if (cancel && indication)
                QTest::mouseClick(indication->findChild<QPushButton*>(), Qt::LeftButton);
            else
                holder.write("COMMIT;\n");
        });
        typeInto(ui.find("PrefDates"), "AUG");
        ui.click("Command3");
        ticker.stop();
        EXPECT_TRUE(toldWhatItWaitsFor);
        EXPECT_GE(ticks, 12) << "the window's timers went on while it waited";
        if (cancel) {
            ASSERT_EQ(ui.boxes.shown.size(), 1);
            EXPECT_TRUE(ui.boxes.shown[0].text.startsWith("5: ")) << qPrintable(ui.boxes.shown[0].text);
            EXPECT_TRUE(ui.boxes.shown[0].text.contains("another program holds the file locked"));
            EXPECT_EQ(ui.find<QLineEdit>("PrefDates")->text(), "AUG") << "the entries wait";
        } else {
            EXPECT_EQ(ui.boxes.lines(), QStringList());
        }
        holder.closeWriteChannel();
        holder.waitForFinished();
        EXPECT_EQ(roster.stored(adams, "PrefDates"), cancel ? "JUN" : "AUG");
    }
}

TEST(KeepingSoldiers, TerminationClosesTheRosterInOrder)
{
    RosterFile roster;
    roster.insertNames({"ADAMS", "BAKER"});
    const QByteArray before = fileBytes(roster.path());
    QProcess varnel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    varnel.setProcessEnvironment(env);
    varnel.setWorkingDirectory(roster.directory());
    varnel.start(VARNEL_PROGRAM, {});
    ASSERT_TRUE(varnel.waitForStarted());
    ASSERT_FALSE(varnel.waitForFinished(1500)) << "Varnel ended by itself: " << varnel.readAllStandardError().toStdString();
    ::kill(pid_t(varnel.processId()), SIGTERM);
    ASSERT_TRUE(varnel.waitForFinished(10000));
    EXPECT_EQ(varnel.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(varnel.exitCode(), 0);
    EXPECT_EQ(fileBytes(roster.path()), before);
    EXPECT_EQ(filesBeside(roster.path()), QStringList());
}

} // namespace
} // namespace varnel::ui::test
