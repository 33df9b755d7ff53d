// The menu bar: File > Create Report > Merit List, Worksheets, NCOES Course;
// File > Exit; Help > Contents, About. No written item has a shortcut key;
// the program's own items (Undo, Redo, the rosters, Total All, Find,
// Export, Restore, History) stand between Create Report and the separator.
#include "ui/main_form.h"

#include "reports/report_commands.h"
#include "reports/report_control.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>

namespace varnel::ui {

namespace {

QMenu* addMenu(QWidget* owner, QMenuBar* bar, const QString& caption, const char* name)
{
    auto* menu = new QMenu(caption, owner);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    bar->addMenu(menu);
    return menu;
}

QAction* addItem(QMenu* menu, const QString& caption, const char* name)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QAction* addSeparator(QMenu* menu, const char* name)
{
    QAction* separator = menu->addSeparator();
    separator->setObjectName(QString::fromLatin1(name));
    return separator;
}

} // namespace

void MainForm::buildMenus()
{
    QMenuBar* bar = menuBar();

    QMenu* file = addMenu(this, bar, tr("&File"), "MNU_FILE");
    auto* create = new QMenu(tr("&Create Report"), file);
    create->setObjectName(QStringLiteral("MNU_CREATE"));
    create->menuAction()->setObjectName(QStringLiteral("MNU_CREATE"));
    file->addMenu(create);
    QAction* merit = addItem(create, tr("&Merit List..."), "MNU_MERIT");
    QAction* worksheets = addItem(create, tr("&Worksheets..."), "MNU_WORKSHEETS");
    QAction* ncoes = addItem(create, tr("&NCOES Course..."), "MNU_NCOES");
    QAction* thisWorksheet = addItem(create, tr("Worksheet for &This Soldier..."), "MNU_THISWORKSHEET");
    thisWorksheet->setShortcut(QKeySequence::Print);
    thisWorksheet->setShortcutContext(Qt::WindowShortcut);
    // The program's own items, between Create Report and the separator.
    undoItem_ = addItem(file, tr("&Undo"), "MNU_UNDO");
    undoItem_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    undoItem_->setShortcutContext(Qt::WindowShortcut);
    redoItem_ = addItem(file, tr("&Redo"), "MNU_REDO");
    redoItem_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    redoItem_->setShortcutContext(Qt::WindowShortcut);
    QAction* newRoster = addItem(file, tr("&New Roster..."), "MNU_NEWROSTER");
    newRoster->setShortcut(QKeySequence::New);
    newRoster->setShortcutContext(Qt::WindowShortcut);
    QAction* openRoster = addItem(file, tr("&Open Roster..."), "MNU_OPENROSTER");
    openRoster->setShortcut(QKeySequence::Open);
    openRoster->setShortcutContext(Qt::WindowShortcut);
    QAction* openOnServer = addItem(file, tr("Open Roster on a Ser&ver..."), "MNU_OPENSERVER");
    QAction* importRoster = addItem(file, tr("&Import Access Roster..."), "MNU_IMPORT");
    recentMenu_ = new QMenu(tr("Recen&t Rosters"), file);
    recentMenu_->setObjectName(QStringLiteral("MNU_RECENT"));
    recentMenu_->menuAction()->setObjectName(QStringLiteral("MNU_RECENT"));
    file->addMenu(recentMenu_);
    QAction* totalAll = addItem(file, tr("Total &All Soldiers..."), "MNU_TOTALALL");
    QAction* find = addItem(file, tr("&Find Soldier..."), "MNU_FIND");
    find->setShortcut(QKeySequence::Find);
    find->setShortcutContext(Qt::WindowShortcut);
    QAction* exportCsv = addItem(file, tr("E&xport..."), "MNU_EXPORT");
    exportCsv->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    exportCsv->setShortcutContext(Qt::WindowShortcut);
    restoreItem_ = addItem(file, tr("Restore from &Safety Copy..."), "MNU_RESTORE");
    historyItem_ = addItem(file, tr("&History of This Soldier..."), "MNU_HISTORY");
    addSeparator(file, "MNU_SEPER3");
    QAction* exit = addItem(file, tr("&Exit"), "MNU_EXIT");

    QMenu* help = addMenu(this, bar, tr("&Help"), "MNU_HELP");
    QAction* contents = addItem(help, tr("&Contents"), "MNU_CONTENTS");
    addSeparator(help, "MNU_SEPER4");
    QAction* about = addItem(help, tr("&About..."), "MNU_ABOUT");

    // The reports read the stored records themselves; what is pending in
    // the controls stays pending.
    connect(merit, &QAction::triggered, this, [this] { printReport([this] { reports::printMeritList(*reportControl_); }); });
    connect(worksheets, &QAction::triggered, this, [this] { printReport([this] { reports::printWorksheets(*reportControl_); }); });
    connect(ncoes, &QAction::triggered, this, [this] { printReport([this] { reports::printNcoesCourse(*reportControl_); }); });

    // Exit ends the program at once, with no closing notification to any
    // window; only entries still pending in the current record are asked
    // about first, so none is lost without a word.
    connect(exit, &QAction::triggered, this, [this] {
        if (!mayEnd())
            return;
        rememberPlace();
        QCoreApplication::exit(0);
    });

    connect(totalAll, &QAction::triggered, this, [this] { this->totalAll(); });
    connect(find, &QAction::triggered, this, [this] { findSoldier(); });
    connect(exportCsv, &QAction::triggered, this, [this] { this->exportCsv(); });
    connect(thisWorksheet, &QAction::triggered, this, [this] { printThisWorksheet(); });
    connect(undoItem_, &QAction::triggered, this, [this] { undoOrRedo(true); });
    connect(redoItem_, &QAction::triggered, this, [this] { undoOrRedo(false); });
    connect(restoreItem_, &QAction::triggered, this, [this] { restoreFromSafetyCopy(); });
    connect(historyItem_, &QAction::triggered, this, [this] { showSoldierHistory(); });
    connect(newRoster, &QAction::triggered, this, [this] { this->newRoster(); });
    connect(openRoster, &QAction::triggered, this, [this] { chooseRosterToOpen(); });
    connect(openOnServer, &QAction::triggered, this, [this] { openRosterOnServer(); });
    connect(importRoster, &QAction::triggered, this, [this] { importAccessRoster(); });
    // Filled as it opens, from the settings then.
    connect(recentMenu_, &QMenu::aboutToShow, this, [this] { fillRecentRosters(); });
    connect(&binding_, &store::DataControl::historyChanged, this, [this] { showUndoSteps(); });
    connect(&binding_, &store::DataControl::reset, this, [this] { showUndoSteps(); });
    showUndoSteps();

    connect(contents, &QAction::triggered, this, [this] { handler_.run(showHelp_); });
    connect(about, &QAction::triggered, this, [this] { handler_.run(showAbout_); });
}

} // namespace varnel::ui
