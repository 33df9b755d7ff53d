#include "ui/main_form.h"

#include "common/failure.h"
#include "points/clock.h"
#include "points/total_command.h"
#include "reports/report_engine.h"
#include "store/record_commands.h"
#include "ui/about_command.h"
#include "ui/app_icons.h"
#include "ui/bound_combo_box.h"
#include "ui/bound_line_edit.h"
#include "ui/enter_presses_button.h"
#include "ui/first_run_panel.h"
#include "ui/help_viewer.h"
#include "ui/lock_wait_window.h"
#include "ui/message_boxes.h"
#include "ui/password_prompt.h"
#include "ui/preview_presenter.h"
#include "ui/product.h"
#include "ui/recent_rosters.h"
#include "ui/roster_grid.h"
#include "ui/total_command_bridge.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLayout>
#include <QShortcut>
#include <QThread>
#include <QTimer>

namespace varnel::ui {

namespace {

MessageBoxes* chooseBoxes(MessageBoxes* given, std::unique_ptr<QtMessageBoxes>& own, QWidget* window)
{
    if (given)
        return given;
    own = std::make_unique<QtMessageBoxes>(window);
    return own.get();
}

points::Clock* chooseClock(points::Clock* given, std::unique_ptr<points::Clock>& own)
{
    if (given)
        return given;
    own = std::make_unique<points::SystemClock>();
    return own.get();
}

} // namespace

MainForm::MainForm(MainFormParts parts, QWidget* parent)
    : QMainWindow(parent)
    , boxes_(chooseBoxes(parts.messageBoxes, ownBoxes_, this))
    , handler_(*boxes_)
    , clock_(chooseClock(parts.clock, ownClock_))
    , reportControl_(std::move(parts.reportControl))
    , about_(std::make_unique<AboutCommand>())
    , showHelp_(std::move(parts.showHelp))
    , showAbout_(std::move(parts.showAbout))
    , chooseSaveFile_(std::move(parts.chooseSaveFile))
    , chooseFolder_(std::move(parts.chooseFolder))
    , chooseFile_(std::move(parts.chooseFile))
    , askServerAddress_(std::move(parts.askServerAddress))
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(kCaption);
    setWindowIcon(mainWindowIcon());
    if (!reportControl_)
        reportControl_ = makePreviewReportEngine(this);
    if (!showHelp_)
        showHelp_ = &showHelpContents;
    if (!showAbout_)
        showAbout_ = [this] { about_->run(); };
    if (!chooseFolder_) {
        chooseFolder_ = [this](const QString& caption, const QString& proposed) {
            return QFileDialog::getExistingDirectory(this, caption, proposed);
        };
    }
    if (!chooseFile_) {
        chooseFile_ = [this](const QString& caption, const QString& proposed, const QString& filter) {
            return QFileDialog::getOpenFileName(this, caption, proposed, filter);
        };
    }
    if (!askServerAddress_) {
        askServerAddress_ = [this](const QString& caption) {
            return QInputDialog::getText(this, caption, tr("The server's address (postgresql://host/database):")).trimmed();
        };
    }
    if (!chooseSaveFile_) {
        chooseSaveFile_ = [this](const QString& caption, const QString& suggested) {
            // Replacing a file is asked about by the command itself, once.
            return QFileDialog::getSaveFileName(this, caption, suggested, tr("CSV files (*.csv)"), nullptr,
                                                QFileDialog::DontConfirmOverwrite);
        };
    }

    // Another program's lock on the roster file is waited for with the
    // window painting and a way to cancel.
    lockWait_ = std::make_unique<LockWaitWindow>(this, [this] {
        return binding_.isOpen() ? binding_.recordset().rosterInWords()
                                 : tr("the roster file \"%1\"").arg(QDir::toNativeSeparators(binding_.databaseName()));
    });
    binding_.setLockWait(lockWait_.get());
    // A large server roster shows its first page at once.
    binding_.setFirstKeysFirst(true);
    // A server that asks for a password asks the clerk here; the window
    // before it asks again once this one is gone.
    previousPasswordPrompt_ = setPasswordPrompt(
        [this](const QString& role, const QString& server) { return askPasswordInWindow(this, role, server); });

    buildControls();
    buildMenus();
    letEnterPressFocusedButtons(this);
    totalMessages_ = std::make_unique<BoxMessageSink>(*boxes_);
    totalDateStamp_ = std::make_unique<LabelTotalDate>(*totalDateLabel_);

    // F1 anywhere in the window opens the help at its contents, as
    // Help > Contents does.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, [this] { handler_.run(showHelp_); });

    handler_.setConflictResolver([this](const store::ConflictFailure& conflict) { resolveConflict(conflict); });

    // Other clerks' stores show at once: a server tells of them; a roster
    // file's data version is read now and then, which costs no more than
    // reading its first page.
    othersRetry_ = new QTimer(this);
    othersRetry_->setSingleShot(true);
    othersRetry_->setInterval(300);
    connect(othersRetry_, &QTimer::timeout, this, [this] { followOthers(); });
    othersPoll_ = new QTimer(this);
    othersPoll_->setInterval(3000);
    connect(othersPoll_, &QTimer::timeout, this, [this] {
        if (!binding_.isOpen() || rosterOnServer())
            return;
        // Only a file written since the last look is asked: the question
        // takes the file's lock, which another program may hold a while.
        const QFileInfo file(binding_.databaseName());
        const std::pair stamp{file.lastModified(), file.size()};
        if (std::exchange(fileStamp_, stamp) != stamp)
            followOthers();
    });
    othersPoll_->start();
    connect(&binding_, &store::DataControl::othersCommitted, this, [this] {
        othersNotified_ = true;
        followOthers();
    });
    // The rest of a large server roster's keys, read after the first page
    // was shown, are taken in as soon as they are there, as other clerks'
    // changes are. Until then the grid shows a busy pointer: a command that
    // needs them waits for them.
    connect(&binding_, &store::DataControl::keysRead, this, [this] { followOthers(); });
    connect(&binding_, &store::DataControl::reset, this, [this] { showKeysReading(); });

    // The total's tooltip follows the stored worksheet of the current record.
    for (auto signal : {&store::DataControl::currentChanged, &store::DataControl::rowChanged})
        connect(&binding_, signal, this, [this] { showPointsBreakdown(); });
    connect(&binding_, &store::DataControl::reset, this, [this] { showPointsBreakdown(); });

    // Without a safety copy the clerk's first change still goes in, once
    // the clerk has read why there is none.
    connect(&binding_, &store::DataControl::safetyCopyFailed, this, [this](int number, const QString& description) {
        boxes_->show(kCaption,
                     tr("%1: %2\n\nNo safety copy of the roster could be saved before this first change. The change is "
                        "saved as usual; copy %3 to a safe place yourself until this is put right.")
                         .arg(number)
                         .arg(description, store::kRosterFileName),
                     QMessageBox::Warning);
    });

    // The background check of the roster file reports damage at once, as
    // any failure is reported; from then on the file takes no writes.
    connect(&binding_, &store::DataControl::fileDamaged, this, [this](int number, const QString& description) {
        handler_.run([&] { throw Failure(number, description); });
    });

    // The layout is fixed: the window takes the size of its client area
    // and menu bar, and cannot be resized or maximised.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
}

MainForm::~MainForm()
{
    recordOpenedRoster(); // a window that closes before its first paint is over
    binding_.setLockWait(nullptr);
    setPasswordPrompt(std::move(previousPasswordPrompt_));
    // Let the controls go before the binding they are registered with.
    delete takeCentralWidget();
}

void MainForm::load(const QString& currentDirectory, const QString& serverAddress)
{
    if (serverAddress.isEmpty())
        store::loadRoster(binding_, currentDirectory);
    else
        store::openRosterAt(binding_, serverAddress);
    // The roster joins the recent list at once, or at start once the window
    // has been painted: writing the settings file is no part of the first
    // paint. One opened before and still waiting goes in first.
    recordOpenedRoster();
    unrecordedRoster_ = serverAddress.isEmpty() ? QFileInfo(store::rosterPath(currentDirectory)).absoluteFilePath() : serverAddress;
    if (isVisible())
        recordOpenedRoster();
    if (firstRun_)
        firstRun_->hide();
    if (settingsApplied_)
        return;
    settingsApplied_ = true;
    const StartupSettings settings = startupSettings();
    // The setting limits what is typed into the request dates; stored
    // values of any length are shown and kept whole.
    requestDatesEdit_->setTypingLimit(settings.prefDatesSetting);
    lastSchoolCombo_->addEntries(settings.schools);
    nextSchoolCombo_->addEntries(settings.schools);
}

void MainForm::runCommand(const std::function<void()>& command)
{
    grid_->finishEditing();
    handler_.run(command);
}

void MainForm::total()
{
    runCommand([this] { points::totalCommand(binding_, *totalMessages_, *clock_, *totalDateStamp_); });
}

namespace {

// A value as a line of a question shows it: in quotes, cut short when long.
QString quoted(const store::Value& value)
{
    if (!value.hasValue())
        return QCoreApplication::translate("MainForm", "(nothing)");
    QString text = value.displayText();
    if (text.size() > 60)
        text = text.left(60) + QChar(0x2026);
    return u'"' + text + u'"';
}

} // namespace

bool MainForm::mayEnd()
{
    return mayLeaveRoster(tr("before %1 closes").arg(kProductName));
}

bool MainForm::mayLeaveRoster(const QString& when)
{
    grid_->commitOpenEdit();
    if (!binding_.isOpen() || !binding_.hasPending())
        return true;

    store::Recordset& rs = binding_.recordset();
    const bool adding = rs.editMode() == store::Recordset::EditMode::AddNew;
    const QString name = binding_.shownValue(store::column::Name).displayText().left(60);
    Question question;
    question.caption = kCaption;
    question.text = adding || name.isEmpty() ? tr("Store the soldier you entered %1?").arg(when)
                                             : tr("Store your changes to %1 %2?").arg(name, when);
    question.icon = QMessageBox::Question;
    question.buttons = {tr("&Store"), tr("&Discard"), tr("Cancel")};
    question.escapeButton = 2;
    switch (boxes_->ask(question)) {
    case 0: {
        const bool stored = handler_.run([&] {
            if (rs.editMode() != store::Recordset::EditMode::AddNew)
                rs.edit();
            rs.update();
        });
        return stored && !binding_.hasPending();
    }
    case 1:
        return handler_.run([&] { rs.cancelUpdate(); });
    default:
        return false;
    }
}

void MainForm::resolveConflict(const store::ConflictFailure& failure)
{
    const QString message = QStringLiteral("%1: %2").arg(failure.number()).arg(failure.description());
    if (!binding_.isOpen())
        return;
    store::Recordset& rs = binding_.recordset();
    const store::RecordConflict& conflict = failure.conflict();
    if (!binding_.hasPending() || conflict.action == store::RecordConflict::Action::Delete) {
        // Nothing of the clerk's is waiting to be stored (or a Delete was
        // refused): the other writer's record stands, and the window shows it.
        boxes_->show(kCaption, message, QMessageBox::Warning);
        handler_.run([&] {
            if (rs.hasCurrent())
                rs.reloadCurrent();
        });
        return;
    }

    Question question;
    question.caption = kCaption;
    question.icon = QMessageBox::Warning;
    question.escapeButton = -1; // never decided for the clerk
    if (conflict.soldierNow) {
        // Another soldier's record: the clerk's entries never go over it.
        question.text = message + u'\n'
            + tr("This is now %1, not %2. Take the stored record, or add your entries as a new soldier?")
                  .arg(store::soldierInWords(*conflict.soldierNow), store::soldierInWords(conflict.soldier));
        question.buttons = {tr("&Take the stored record"), tr("&Add my entries as a new soldier")};
        const bool addNew = boxes_->ask(question) == 1;
        handler_.run([&] {
            rs.reloadCurrent();
            rs.cancelUpdate();
            if (addNew)
                store::addRecordFrom(binding_, conflict.entered);
        });
        return;
    }

    QStringList lines;
    for (const QString& column : conflict.columns) {
        const int ordinal = rs.layout().indexOf(column);
        lines << tr("%1: stored now %2, you entered %3")
                     .arg(store::columnLabel(column), quoted(conflict.storedNow.value(ordinal)), quoted(conflict.entered.value(ordinal)));
    }
    question.text = message + u'\n' + tr("Which version is to stand?");
    question.details = lines.join(u'\n');
    // Keeping the entries is the default: it can be undone, while the
    // entries dropped cannot be had again.
    question.buttons = {tr("&Keep my entries"), tr("&Take the stored values")};
    const bool keepEntries = boxes_->ask(question) == 0;
    handler_.run([&] {
        rs.reloadCurrent();
        if (keepEntries) {
            rs.edit();
            rs.update();
        } else {
            rs.cancelUpdate();
        }
    });
}

void MainForm::showKeysReading()
{
    if (binding_.isOpen() && !binding_.recordset().keysWhole())
        grid_->viewport()->setCursor(Qt::BusyCursor);
    else
        grid_->viewport()->unsetCursor();
}

void MainForm::setBusyPointer(bool busy)
{
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void MainForm::hideWindow()
{
    hiddenAt_ = pos();
    hide();
}

void MainForm::showWindow()
{
    // Shown again, a window would be placed anew (the screen's centre):
    // it comes back where it was.
    move(hiddenAt_);
    show();
}

void MainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Checking a large roster takes longer than opening it: it starts after
    // the paint that first shows the grid has ended, and runs beside the
    // clerk's work, not beside that paint. A write before it has begun
    // checks the file itself. The names Find Soldier looks through are read
    // then too, and the rest of a large server roster's keys.
    if (!fileCheckStarted_ && binding_.isOpen()) {
        fileCheckStarted_ = true;
        grid_->viewport()->installEventFilter(this);
    }
}

bool MainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint && watched == grid_->viewport()) {
        watched->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] {
            recordOpenedRoster();
            handler_.run([this] { binding_.startFileCheck(); });
            binding_.readKeysBehind();
            showKeysReading();
            binding_.prepareFind();
        });
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        followOthers();
}

void MainForm::closeEvent(QCloseEvent* event)
{
    if (!mayEnd()) {
        event->ignore();
        return;
    }
    rememberPlace();
    // Closing the window ends the program, whatever other window (the About
    // box, the help) is open or hidden.
    event->accept();
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

} // namespace varnel::ui
