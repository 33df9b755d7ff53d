// Taking changes back: File > Undo and Redo, and File > Restore from Safety
// Copy; and who made them: File > History of This Soldier.
#include "ui/main_form.h"

#include "common/failure.h"
#include "store/copy_restore.h"
#include "store/record_conflict.h"
#include "ui/dialog_progress.h"
#include "ui/history_dialog.h"
#include "ui/message_boxes.h"
#include "ui/product.h"
#include "ui/restore_dialog.h"
#include "ui/roster_grid.h"

#include <QAction>

namespace varnel::ui {

namespace {

// Runs a step of many records with progress and Cancel, as Total All does.
store::Recordset::StepOutcome withProgress(QWidget* window, const QString& what, int total,
                                           const std::function<store::Recordset::StepOutcome(const store::Recordset::Progress&)>& run)
{
    DialogProgress progress(window);
    progress.begin(what, total);
    store::Recordset::StepOutcome outcome;
    try {
        outcome = run([&progress](int done, int) { return progress.step(done); });
    } catch (...) {
        progress.end();
        throw;
    }
    progress.end();
    return outcome;
}

} // namespace

void MainForm::undoOrRedo(bool back)
{
    runCommand([this, back] {
        store::Recordset& rs = binding_.recordset();
        const store::ChangeHistory& history = binding_.history();
        const store::Recordset::StepOutcome outcome = withProgress(
            this, back ? tr("Undoing %1...").arg(history.undoWhat()) : tr("Redoing %1...").arg(history.redoWhat()),
            back ? history.undoSize() : history.redoSize(),
            [&](const store::Recordset::Progress& progress) { return back ? rs.undo(progress) : rs.redo(progress); });
        if (!outcome.notes.isEmpty())
            boxes_->show(kCaption, outcome.notes.join(u'\n'), QMessageBox::Information);
    });
}

void MainForm::showUndoSteps()
{
    if (!undoItem_)
        return;
    const store::ChangeHistory& history = binding_.history();
    undoItem_->setEnabled(history.canUndo());
    undoItem_->setText(history.canUndo() ? tr("&Undo %1").arg(history.undoWhat()) : tr("&Undo"));
    redoItem_->setEnabled(history.canRedo());
    redoItem_->setText(history.canRedo() ? tr("&Redo %1").arg(history.redoWhat()) : tr("&Redo"));
    // A server keeps no safety copies; its administrator's backups serve.
    restoreItem_->setEnabled(binding_.isOpen() && !rosterOnServer());
    const bool file = binding_.isOpen() && !rosterOnServer();
    historyItem_->setEnabled(binding_.isOpen() && !file);
    historyItem_->setText(file ? tr("&History of This Soldier (a roster file keeps none)") : tr("&History of This Soldier..."));
}

void MainForm::showSoldierHistory()
{
    runCommand([this] {
        store::Recordset& rs = binding_.recordset();
        const std::optional<QList<store::HistoryEntry>> entries = rs.currentHistory();
        const QString soldier = store::soldierInWords(rs.currentStoredValue(rs.layout().indexOf(store::column::Name)).displayText());
        if (!entries) {
            boxes_->show(kCaption,
                         rs.onServer() ? tr("The roster in %1 keeps no history of changes: its table was made without one, by an "
                                            "earlier version of varnel-roster.")
                                             .arg(rs.rosterInWords())
                                       : tr("A roster file keeps no history of changes: one clerk works on it. A roster "
                                            "on a server keeps one."),
                         QMessageBox::Information);
            return;
        }
        (new HistoryDialog(soldier, *entries, this))->show();
    });
}

void MainForm::restoreFromSafetyCopy()
{
    runCommand([this] {
        if (rosterOnServer())
            return;
        QList<store::SafetyCopyEntry> copies = store::listSafetyCopies(binding_.databaseName());
        if (copies.isEmpty()) {
            boxes_->show(kCaption,
                         tr("There is no safety copy of this roster yet. %1 saves one each time it starts, before the first "
                            "change is stored.")
                             .arg(kProductName),
                         QMessageBox::Information);
            return;
        }
        auto* dialog = new RestoreDialog(binding_, handler_, std::move(copies), this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &RestoreDialog::restoreChosen, this, [this](const QList<store::RecordChange>& changes) {
            runCommand([this, &changes] {
                const store::Recordset::StepOutcome outcome = withProgress(
                    this, tr("Restoring soldiers..."), int(changes.size()), [&](const store::Recordset::Progress& progress) {
                        return binding_.recordset().applyChanges(changes, tr("Restore from Safety Copy"), progress);
                    });
                if (!outcome.notes.isEmpty())
                    boxes_->show(kCaption, outcome.notes.join(u'\n'), QMessageBox::Information);
            });
        });
        dialog->open();
    });
}

} // namespace varnel::ui
