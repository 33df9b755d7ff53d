// From the desktop menu to a working roster without a terminal: the window
// with no roster offers to make, open or import one; rosters opened are
// remembered across runs, and switching asks about entries pending.
#include "ui_fixture.h"

#include "store/new_roster_file.h"
#include "ui/application.h"
#include "ui/first_run_panel.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

namespace varnel::ui::test {
namespace {

TEST(FirstRun, FromTheDesktopWithoutARosterTheWindowOffersOneFromATerminalItSaysHow)
{
    QTemporaryDir folder;
    const QString before = QDir::currentPath();
    const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
    QDir::setCurrent(folder.path());
    for (bool fromDesktop : {false, true}) {
        SCOPED_TRACE(fromDesktop ? "the desktop menu" : "a terminal");
        FormUnderTest ui;
        EXPECT_EQ(openAtStart(*ui.form, fromDesktop), fromDesktop);
        auto* panel = ui.form->findChild<FirstRunPanel*>("FirstRun");
        if (fromDesktop) {
            EXPECT_EQ(ui.boxes.lines(), QStringList());
            ui.form->show();
            ASSERT_NE(panel, nullptr);
            EXPECT_TRUE(panel->isVisible());
            EXPECT_FALSE(ui.form->binding().isOpen());
        } else {
            ASSERT_EQ(ui.boxes.shown.size(), 1);
            EXPECT_TRUE(ui.boxes.shown[0].text.startsWith("14: ")) << qPrintable(ui.boxes.shown[0].text);
            EXPECT_TRUE(ui.boxes.shown[0].text.contains("varnel-roster create"));
            EXPECT_EQ(panel, nullptr);
        }
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList()) << "never a roster made unasked";
    }
}

TEST(FirstRun, NewAndImportMakeARosterThroughThePanelAndOpenIt)
{
    const QString before = QDir::currentPath();
    const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
    const struct {
        const char* button;
        const char* fileToChoose;
        int soldiers;
    } cases[] = {
        {"FirstRunNew", "", 0},
        {"FirstRunImport", VARNEL_SOURCE_DIR "/tests/legacy/data/soldier-jet4-access2003.mdb", 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        QTemporaryDir home;
        FormUnderTest ui;
        ui.folderToChoose = home.filePath("Documents/Varnel");
        ui.fileToChoose = QString::fromUtf8(c.fileToChoose);
        ui.form->show();
        ui.form->showFirstRun();
        QTest::mouseClick(ui.form->findChild<QPushButton*>(c.button), Qt::LeftButton);

        const QString roster = ui.folderToChoose + "/Varnel_DATA.MDB";
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
    // Settings of this test's own, as a clerk's first run has.
    QTemporaryDir config;
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
}

} // namespace
} // namespace varnel::ui::test
