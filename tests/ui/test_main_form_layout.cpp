// The window's tab order and menus; its drawing is checked with the About
// box's (test_window_drawing.cpp).
#include "ui_fixture.h"

#include "ui/roster_grid.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace varnel::ui::test {
namespace {

// The order in which Tab moves the focus (frames and labels take none).
const QStringList kTabOrder = {
    "TDBGrid1", "CSOptList1", "CSSpin1", "CSSpin2", "Check1", "Check5", "Check2", "Check7", "Check8", "Check3",
    "Check9", "Check10", "Check4", "Check6", "Check11", "CSOptList2", "Command5", "LastSchool", "NextSchool",
    "PrefDates", "Command1", "Command2", "Command3", "Command4",
};

TEST(MainFormLayout, TabMovesThroughTheControlsInTheirOrder)
{
    RosterFile roster;
    roster.insertNames({"ADAMS, JOHN", "BAKER, MARY"});
    FormUnderTest ui(roster);
    RosterGrid* grid = ui.form->grid();
    // From the grid's last column, Tab leaves the grid.
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 3));
    auto namedControl = [](QWidget* widget) {
        while (widget && !kTabOrder.contains(widget->objectName()))
            widget = widget->parentWidget();
        return widget ? widget->objectName() : QString();
    };
    QStringList visited{namedControl(QApplication::focusWidget())};
    for (qsizetype step = 0; step < kTabOrder.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(namedControl(QApplication::focusWidget()));
    }
    EXPECT_EQ(visited, kTabOrder + QStringList{kTabOrder.first()}); // and round to the grid again
}

// The menus as the clerk reads them, item by item: captions, order, access
// keys that clash with none in their menu, no shortcut key but Find's. The
// items that open no window of their own run their command when chosen:
// each report item hands its layout in the current directory to Report1
// with the run request 0, Contents asks for the help, About for the About
// box.
TEST(MainFormLayout, MenusReadInTheirOrderAndRunTheirCommands)
{
    RosterFile roster;
    FormUnderTest ui(roster);
    const QString here = QDir::currentPath() + "/";
    const struct {
        const char* name;
        const char* caption; // "-" for a separator
        const char* menu;    // the menu it stands in; "" for the menu bar
        QString runs;        // what choosing it does; empty: not chosen here
    } items[] = {
        {"MNU_FILE", "&File", "", {}},
        {"MNU_CREATE", "&Create Report", "MNU_FILE", {}},
        {"MNU_MERIT", "&Merit List...", "MNU_CREATE", "report " + here + "varnel_list.rpt, run 0"},
        {"MNU_WORKSHEETS", "&Worksheets...", "MNU_CREATE", "report " + here + "varnel_work.rpt, run 0"},
        {"MNU_NCOES", "&NCOES Course...", "MNU_CREATE", "report " + here + "varnel_nco.rpt, run 0"},
        {"MNU_THISWORKSHEET", "Worksheet for &This Soldier...", "MNU_CREATE", {}},
        // The program's own items stand between Create Report and the separator.
        {"MNU_UNDO", "&Undo", "MNU_FILE", {}},
        {"MNU_REDO", "&Redo", "MNU_FILE", {}},
        {"MNU_NEWROSTER", "&New Roster...", "MNU_FILE", {}},
        {"MNU_OPENROSTER", "&Open Roster...", "MNU_FILE", {}},
        {"MNU_OPENSERVER", "Open Roster on a Ser&ver...", "MNU_FILE", {}},
        {"MNU_IMPORT", "&Import Access Roster...", "MNU_FILE", {}},
        {"MNU_RECENT", "Recen&t Rosters", "MNU_FILE", {}},
        {"MNU_TOTALALL", "Total &All Soldiers...", "MNU_FILE", {}},
        {"MNU_FIND", "&Find Soldier...", "MNU_FILE", {}},
        {"MNU_EXPORT", "E&xport...", "MNU_FILE", {}},
        {"MNU_RESTORE", "Restore from &Safety Copy...", "MNU_FILE", {}},
        {"MNU_SEPER3", "-", "MNU_FILE", {}},
        {"MNU_EXIT", "&Exit", "MNU_FILE", {}},
        {"MNU_HELP", "&Help", "", {}},
        {"MNU_CONTENTS", "&Contents", "MNU_HELP", "help"},
        {"MNU_SEPER4", "-", "MNU_HELP", {}},
        {"MNU_ABOUT", "&About...", "MNU_HELP", "About box"},
    };
    const QHash<QString, QKeySequence> shortcuts = {
        {"MNU_FIND", QKeySequence::Find},           {"MNU_UNDO", QKeySequence("Ctrl+Z")},    {"MNU_REDO", QKeySequence("Ctrl+Y")},
        {"MNU_NEWROSTER", QKeySequence::New},       {"MNU_OPENROSTER", QKeySequence::Open}, {"MNU_EXPORT", QKeySequence("Ctrl+E")},
        {"MNU_THISWORKSHEET", QKeySequence::Print}};
    // Read the menus as the user sees them: each menu's actions in order.
    QStringList seen;
    std::function<void(const QList<QAction*>&, const QString&)> walk = [&](const QList<QAction*>& actions, const QString& under) {
        QSet<QChar> accessKeys;
        for (QAction* action : actions) {
            EXPECT_EQ(action->shortcut(), shortcuts.value(action->objectName())) << action->objectName().toStdString();
            seen << action->objectName() + "|" + (action->isSeparator() ? "-" : action->text()) + "|" + under;
            if (const qsizetype amp = action->text().indexOf(u'&'); amp >= 0) {
                const QChar key = action->text().at(amp + 1).toLower();
                EXPECT_FALSE(accessKeys.contains(key)) << "access key " << QString(key).toStdString() << " twice in " << under.toStdString();
                accessKeys.insert(key);
            }
            // The recent rosters are the run's own.
            if (action->menu() && action->objectName() != "MNU_RECENT")
                walk(action->menu()->actions(), action->objectName());
        }
    };
    walk(ui.form->menuBar()->actions(), QString());
    QStringList drawn;
    for (const auto& item : items)
        drawn << QStringLiteral("%1|%2|%3").arg(item.name, item.caption, item.menu);
    EXPECT_EQ(seen, drawn);

    // Chosen one after another, each item does its own command once.
    QStringList ran, expected;
    for (const auto& item : items) {
        if (item.runs.isEmpty())
            continue;
        SCOPED_TRACE(item.name);
        expected << item.runs;
        const auto& log = *ui.reportLog;
        const qsizetype reports = log.fileNames.size();
        const int help = ui.helpRequests, about = ui.aboutRequests;
        ui.find<QAction>(item.name)->trigger();
        for (qsizetype i = reports; i < log.fileNames.size(); ++i)
            ran << "report " + log.fileNames[i] + ", run " + QString::number(log.actions.value(i, -1));
        for (int i = help; i < ui.helpRequests; ++i)
            ran << "help";
        for (int i = about; i < ui.aboutRequests; ++i)
            ran << "About box";
    }
    EXPECT_EQ(ran, expected);
    EXPECT_EQ(ui.reportLog->fileNames.size(), ui.reportLog->actions.size()) << "a run request for each report file";
    EXPECT_EQ(ui.boxes.lines(), QStringList());
}

} // namespace
} // namespace varnel::ui::test
