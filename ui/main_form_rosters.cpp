// Which roster the window works on: a new one, another one opened, one
// brought across from Access, the recent ones, and what the window offers
// while none is open.
#include "ui/main_form.h"

#include "common/failure.h"
#include "common/failure_numbers.h"
#include "common/roster_location.h"
#include "common/server_connection.h"
#include "legacy/access_import.h"
#include "store/new_roster_file.h"
#include "store/record_commands.h"
#include "ui/access_offer.h"
#include "ui/application.h"
#include "ui/dialog_progress.h"
#include "ui/first_run_panel.h"
#include "ui/message_boxes.h"
#include "ui/product.h"
#include "ui/recent_rosters.h"
#include "ui/roster_grid.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTimer>
#include <utility>

namespace varnel::ui {

void MainForm::followOthers()
{
    if (!binding_.isOpen())
        return;
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget() || grid_->isEditing()) {
        othersRetry_->start();
        return;
    }
    const bool notified = std::exchange(othersNotified_, false);
    store::Recordset::Followed followed = store::Recordset::Followed::Unchanged;
    handler_.run([&] { followed = binding_.followOthersChanges(notified); });
    if (followed == store::Recordset::Followed::Later) {
        othersNotified_ = othersNotified_ || notified;
        othersRetry_->start();
    }
    showKeysReading();
}

void MainForm::showFirstRun()
{
    if (!firstRun_) {
        firstRun_ = new FirstRunPanel(centralWidget());
        connect(firstRun_, &FirstRunPanel::newRoster, this, [this] { newRoster(); });
        connect(firstRun_, &FirstRunPanel::openRoster, this, [this] { chooseRosterToOpen(); });
        connect(firstRun_, &FirstRunPanel::importRoster, this, [this] { importAccessRoster(); });
    }
    const QSize size = firstRun_->sizeHint().expandedTo(QSize(centralWidget()->width() * 2 / 3, 0));
    firstRun_->setGeometry(QRect(QPoint((centralWidget()->width() - size.width()) / 2, (centralWidget()->height() - size.height()) / 2),
                                 size));
    firstRun_->show();
    firstRun_->raise();
}

bool MainForm::openRoster(const QString& location)
{
    grid_->finishEditing();
    if (binding_.isOpen() && !mayLeaveRoster(tr("before another roster is opened")))
        return false;
    return handler_.run([&] {
        if (RosterLocation(location).isServer()) {
            load(QDir::currentPath(), location);
            return;
        }
        // A roster file, or the folder that holds one.
        const QFileInfo named(location);
        const QString folder = named.isDir() ? named.absoluteFilePath() : named.absolutePath();
        if (!named.isDir() && named.fileName() != store::kRosterFileName)
            throw Failure(RecordsetError::BadRecordSource,
                          tr("%1 is not a roster: %2 keeps a roster in a file named %3.")
                              .arg(QDir::toNativeSeparators(location), kProductName, store::kRosterFileName));
        // The reports and the settings are the roster's folder's.
        if (!QDir::setCurrent(folder))
            throw Failure(ToolError::InvalidArgument, tr("Cannot change into the folder %1.").arg(QDir::toNativeSeparators(folder)));
        offerAccessConversion(folder, handler_.boxes());
        load(QDir::toNativeSeparators(folder));
    });
}

void MainForm::newRoster()
{
    const QString folder = chooseFolder_(tr("New Roster: the folder to keep it in"), userRosterFolder());
    if (folder.isEmpty())
        return;
    const QString path = store::rosterPath(QDir::toNativeSeparators(folder));
    if (QFileInfo::exists(path)) {
        Question open;
        open.caption = kCaption;
        open.text = tr("The folder %1 holds a roster already. Open it?").arg(QDir::toNativeSeparators(folder));
        open.buttons = {tr("&Open"), tr("Cancel")};
        open.escapeButton = 1;
        if (boxes_->ask(open) == 0)
            openRoster(path);
        return;
    }
    if (handler_.run([&] {
            QDir().mkpath(folder);
            store::createRoster(RosterLocation(path));
        }))
        openRoster(path);
}

void MainForm::chooseRosterToOpen()
{
    const QString proposed = binding_.isOpen() && !rosterOnServer() ? QDir::currentPath() : userRosterFolder();
    const QString file = chooseFile_(tr("Open Roster"), proposed, tr("Rosters (%1)").arg(store::kRosterFileName));
    if (!file.isEmpty())
        openRoster(file);
}

void MainForm::openRosterOnServer()
{
    const QString address = askServerAddress_(tr("Open Roster on a Server"));
    if (address.isEmpty())
        return;
    if (!RosterLocation(address).isServer()) {
        boxes_->show(kCaption,
                     tr("That is not a server's address libpq reads: a URI beginning postgresql://, or keyword=value pairs "
                        "such as \"host=... dbname=...\"."),
                     QMessageBox::Warning);
        return;
    }
    openRoster(address);
}

void MainForm::importAccessRoster()
{
    const QString old = chooseFile_(tr("Import Access Roster"), QDir::homePath(), tr("Access databases (*.mdb *.MDB *.accdb)"));
    if (old.isEmpty())
        return;
    const QString folder = chooseFolder_(tr("Import Access Roster: the folder for the new roster"), userRosterFolder());
    if (folder.isEmpty())
        return;
    const QString path = store::rosterPath(QDir::toNativeSeparators(folder));
    legacy::ImportSummary summary;
    const bool imported = handler_.run([&] {
        QDir().mkpath(folder);
        DialogProgress progress(this);
        const QString stage = tr("Bringing the soldiers across from %1...").arg(QFileInfo(old).fileName());
        progress.begin(stage, 0);
        legacy::ReaderOptions options;
        int known = 0;
        // The count is the table's design's, known once reading began.
        options.progress = [&](int done, int total) {
            if (total != known) {
                known = total;
                progress.begin(stage, total);
            }
            return progress.step(done);
        };
        try {
            summary = legacy::importAccessRoster(old, path, options);
        } catch (...) {
            progress.end();
            throw;
        }
        progress.end();
    });
    if (!imported)
        return;
    boxes_->show(kCaption,
                 tr("Brought %1 soldiers across from %2 into %3 (%4).")
                     .arg(QString::number(summary.records), QDir::toNativeSeparators(old), QDir::toNativeSeparators(path),
                          summary.columnsText()),
                 QMessageBox::Information);
    openRoster(path);
}

void MainForm::fillRecentRosters()
{
    recentMenu_->clear();
    recordOpenedRoster();
    const QStringList recent = RecentRosters::list();
    if (recent.isEmpty()) {
        recentMenu_->addAction(tr("(none yet)"))->setEnabled(false);
        return;
    }
    for (const QString& text : recent) {
        const RosterLocation location(text);
        QAction* item = recentMenu_->addAction(location.inWords());
        // A roster no longer there stays in the list, shown but not chosen.
        item->setEnabled(location.isServer() || QFileInfo::exists(text));
        connect(item, &QAction::triggered, this, [this, text] { openRoster(text); });
    }
}

void MainForm::rememberPlace()
{
    RecentRosters::setWindowPosition(pos());
}

void MainForm::recordOpenedRoster()
{
    if (!unrecordedRoster_.isEmpty())
        RecentRosters::add(std::exchange(unrecordedRoster_, QString()));
}

} // namespace varnel::ui
