#pragma once

#include "common/server_password.h"
#include "store/data_control.h"
#include "store/record_conflict.h"
#include "points/clock.h"
#include "reports/report_control.h"
#include "ui/about_command.h"
#include "ui/handler.h"
#include "ui/window_policy.h"

#include <QDateTime>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <utility>

class QAction;
class QGroupBox;
class QPushButton;

namespace varnel::ui {

class BoundCheckBox;
class BoundComboBox;
class BoundLabel;
class BoundLineEdit;
class BoundOptionList;
class BoundSpinBox;
class BoxMessageSink;
class FindBox;
class LabelTotalDate;
class LockWaitWindow;
class MessageBoxes;
class QtMessageBoxes;
class RosterGrid;

// The outside engines the window works with. Each has a real default; tests
// pass their own so nothing blocks on a modal window or opens a preview.
struct MainFormParts {
    MessageBoxes* messageBoxes = nullptr;                  // null: QMessageBox over the window
    points::Clock* clock = nullptr;                        // null: the system clock
    std::unique_ptr<reports::ReportControl> reportControl; // Report1; null: the print-preview engine
    std::function<void()> showHelp;                        // empty: the help viewer at its contents
    std::function<void()> showAbout;                       // empty: the one About box
    // Asks for the file an export is written to (caption, suggested path);
    // empty: a file dialog. An empty answer cancels.
    std::function<QString(const QString&, const QString&)> chooseSaveFile;
    // Asks for a folder (caption, proposed folder); empty: a folder dialog.
    // An empty answer cancels.
    std::function<QString(const QString&, const QString&)> chooseFolder;
    // Asks for a file to open (caption, proposed folder, filter); empty: a
    // file dialog. An empty answer cancels.
    std::function<QString(const QString&, const QString&, const QString&)> chooseFile;
    // Asks for a server's address (caption); empty: a line to type it in.
    std::function<QString(const QString&)> askServerAddress;
};

// The main window. It shows the roster in the grid and the current record
// in bound controls, and its buttons and menus start the commands; it holds
// no data of its own. Every handler runs through the one Handler, so a
// failing step is shown as "number: description" and the window goes on.
//
// Object names are the controls' own (TDBGrid1, CSOptList1, Command5,
// Check1 ... Check11, Frame1 ... Frame3, Label1 ... Label6, CSSpin1, CSSpin2,
// LastSchool, NextSchool, PrefDates, TotalDate, MNU_*); the members that hold
// them say what they are. The layout is drawn in twips and converted at the
// screen's logical resolution.
class MainForm : public QMainWindow, private SortView {
    Q_OBJECT
public:
    explicit MainForm(MainFormParts parts = {}, QWidget* parent = nullptr);
    ~MainForm() override;

    // The Load event: opens the roster file of `currentDirectory` (or the
    // roster on the server `serverAddress` names), gives the request-dates
    // box its setting and fills both school lists from the current
    // directory. Runs before the window is first shown; throws
    // varnel::Failure when the roster cannot be opened.
    void load(const QString& currentDirectory, const QString& serverAddress = {});

    // No roster is open (the desktop menu started the window before there
    // was one): the window offers to make one, open one or bring one across
    // from Access, in a panel over its middle and in the File menu.
    void showFirstRun();
    // Opens another roster: a roster file (or its folder) or a server's
    // address, after asking what to do with entries pending for the roster
    // open now. The folder of a roster file becomes the current directory,
    // whose layouts and settings the reports then use. False when the clerk
    // stays, or the roster cannot be opened (the failure is shown).
    bool openRoster(const QString& location);

    // Where the reports read a roster on a server: the same database's
    // address as a role that may only read the Soldier table (`varnel
    // --report-database`). Without it the reports on a server roster are
    // refused (5114).
    void setReportDatabase(const QString& address) { reportDatabase_ = address; }

    // Data1, the binding every control and the grid show the roster through.
    store::DataControl& binding() { return binding_; }
    const Handler& handler() const { return handler_; }
    RosterGrid* grid() const { return grid_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // Once the window is first on the screen, the roster file is checked in
    // the background.
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Activated again, the window takes in what other programs stored in a
    // roster file meanwhile.
    void changeEvent(QEvent* event) override;

private:
    // The roster is on a PostgreSQL server, not in a file.
    bool rosterOnServer() const;
    // Points the report engine at the roster open here: the layouts' own
    // data source (the folder's roster file) for a roster file, the report
    // address for a roster on a server. Fails (5114) when the roster is on a
    // server and no report address was given: the layouts would print the
    // folder's file, another roster than the one open.
    void chooseReportSource();
    void printReport(const std::function<void()>& print);
    // The client area and its controls, in named steps (main_form_layout.cpp).
    void buildControls();
    QWidget* buildClientArea();
    void buildRosterGrid(QWidget* client);
    void buildOptionLists(QWidget* client);
    void buildButtons(QWidget* client);
    void buildTotalLabels(QWidget* client);
    void buildEvaluations(QGroupBox* evaluationsFrame);
    void buildAwards(QGroupBox* awardsFrame);
    void buildNcoesCourse(QGroupBox* ncoesFrame);
    void bindControls();
    void connectButtons();
    void giveControlsTheWindowLook(QWidget* client);
    void buildMenus();
    void setTabOrder();
    // A button's command: the grid's open edit and a new record typed into
    // it are finished first, so the command sees what the clerk sees.
    void runCommand(const std::function<void()>& command);
    void total();
    // Exit and closing the window: true when the program may end. With the
    // clerk's entries pending, asks once whether to store them, drop them or
    // stay; a store that fails keeps the window open and shows why.
    bool mayEnd();
    // The same before the roster is left for another; `when` ends the
    // question ("before Varnel closes").
    bool mayLeaveRoster(const QString& when);
    // File > New Roster, Open Roster, Open Roster on a Server, Import Access
    // Roster and the Recent Rosters menu (main_form_rosters.cpp).
    void newRoster();
    void chooseRosterToOpen();
    void openRosterOnServer();
    void importAccessRoster();
    void fillRecentRosters();
    // What other clerks or programs committed to the open roster, shown at
    // once (Recordset::followOthersChanges): on a server when it notifies,
    // for a file when the window is activated and every few seconds. Never
    // while the clerk answers a question or types into a grid cell, nor
    // inside a command: a moment later instead.
    void followOthers();
    // A busy pointer over the grid while the rest of a large server
    // roster's keys are being read (Recordset::keysWhole).
    void showKeysReading();
    // Where the window stands, for the next start.
    void rememberPlace();
    // Puts the roster opened last into the recent list, if not done yet.
    void recordOpenedRoster();
    // File > Total All Soldiers: the Total rules for every soldier, with
    // progress and Cancel when it takes a while, then what it did.
    void totalAll();
    // File > Find Soldier (Ctrl+F): the one find box, shown again.
    void findSoldier();
    // File > Export: the roster or the merit list as a CSV file.
    void exportCsv();
    // Create Report > Worksheet for This Soldier.
    void printThisWorksheet();
    // The total's tooltip: the stored worksheet, point by point.
    void showPointsBreakdown();
    // Another writer changed the record the clerk's entries belong to: shows
    // both versions and lets the clerk choose which stands. When the record
    // is now another soldier's, the clerk's entries are never written over
    // it: the stored record stands, or the entries become a new soldier.
    void resolveConflict(const store::ConflictFailure& conflict);
    // File > Undo and Redo (Ctrl+Z, Ctrl+Y): the newest stored step taken
    // back, or the last one taken back made again.
    void undoOrRedo(bool back);
    // The two items name the step they would take back or make again.
    void showUndoSteps();
    // File > Restore from Safety Copy: soldiers as a copy of this roster
    // holds them brought back, the clerk choosing which.
    void restoreFromSafetyCopy();
    // File > History of This Soldier: who changed the current soldier, when,
    // and which fields from what to what, as a server roster's history
    // keeps it. A roster file keeps none (one clerk works on it), and the
    // item says so.
    void showSoldierHistory();

    // Sort hides the window and shows the hourglass while the roster reloads.
    void setBusyPointer(bool busy) override;
    void hideWindow() override;
    void showWindow() override;

    // Who owns each window the main window opens, one owner each:
    //  - message boxes and questions, file and folder dialogs, the server
    //    address line, the report preview: the call that shows them, on its
    //    stack (they are modal);
    //  - progress windows (a report's, Total All's, an import's, Undo's, a
    //    restore's) and the lock wait's small window: the DialogProgress or
    //    LockWaitWindow showing it, in a std::unique_ptr. The window is its
    //    Qt parent only to place it: its holder is a member here
    //    (reportControl_, lockWait_) or a command's local, so it always
    //    deletes the small window before the window could;
    //  - the About box: about_ (AboutCommand), or the box itself once it is
    //    closed through its frame;
    //  - the Find box and the restore dialog: the window, as their Qt parent
    //    (the restore dialog deletes itself when it closes); findBox_, like
    //    firstRun_ and recentMenu_, only points;
    //  - the help viewer: no window's; the program has one (help_viewer.h).

    // The binding outlives nothing it serves: bound controls let go of it
    // when it goes first (BindingLink holds a QPointer).
    store::DataControl binding_;
    std::unique_ptr<QtMessageBoxes> ownBoxes_; // when the parts gave no boxes
    std::unique_ptr<LockWaitWindow> lockWait_;
    MessageBoxes* boxes_;
    Handler handler_;
    std::unique_ptr<points::Clock> ownClock_;
    points::Clock* clock_;
    std::unique_ptr<reports::ReportControl> reportControl_;
    std::unique_ptr<AboutCommand> about_;
    std::function<void()> showHelp_;
    std::function<void()> showAbout_;
    std::function<QString(const QString&, const QString&)> chooseSaveFile_;
    std::function<QString(const QString&, const QString&)> chooseFolder_;
    std::function<QString(const QString&, const QString&, const QString&)> chooseFile_;
    std::function<QString(const QString&)> askServerAddress_;
    PasswordPrompt previousPasswordPrompt_;
    class FirstRunPanel* firstRun_ = nullptr;
    class QMenu* recentMenu_ = nullptr;
    bool settingsApplied_ = false; // the request-dates setting and school lists
    std::unique_ptr<BoxMessageSink> totalMessages_;
    std::unique_ptr<LabelTotalDate> totalDateStamp_;
    FindBox* findBox_ = nullptr;
    QString reportDatabase_;
    // The engine was told to read reportDatabase_ rather than the layouts'
    // data source.
    bool reportSourceSet_ = false;
    bool busy_ = false;
    QPoint hiddenAt_; // where the window stood before Sort hid it
    bool fileCheckStarted_ = false;
    QString unrecordedRoster_; // opened, not yet in the recent list
    class QTimer* othersPoll_ = nullptr;  // a roster file's data version, every few seconds
    class QTimer* othersRetry_ = nullptr; // followOthers put off
    bool othersNotified_ = false;         // the server told of a change not yet taken in
    std::pair<QDateTime, qint64> fileStamp_; // the roster file's time and size at the last look

    RosterGrid* grid_ = nullptr;
    BoundOptionList* apftScoreList_ = nullptr;
    BoundOptionList* weaponsList_ = nullptr;
    BoundSpinBox* sgtEvaluationSpin_ = nullptr;
    BoundSpinBox* firstSgtEvaluationSpin_ = nullptr;
    QList<BoundCheckBox*> awardBoxes_; // in tab order
    BoundComboBox* lastSchoolCombo_ = nullptr;
    BoundComboBox* nextSchoolCombo_ = nullptr;
    BoundLineEdit* requestDatesEdit_ = nullptr;
    BoundLabel* totalLabel_ = nullptr;
    BoundLabel* totalDateLabel_ = nullptr;
    QPushButton* totalButton_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* updateButton_ = nullptr;
    QPushButton* sortButton_ = nullptr;
    QAction* undoItem_ = nullptr;
    QAction* redoItem_ = nullptr;
    QAction* restoreItem_ = nullptr;
    QAction* historyItem_ = nullptr;
};

} // namespace varnel::ui
