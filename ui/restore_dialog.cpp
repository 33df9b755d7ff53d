#include "ui/restore_dialog.h"

#include "store/data_control.h"
#include "store/value.h"
#include "ui/handler.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace varnel::ui {

RestoreDialog::RestoreDialog(store::DataControl& binding, const Handler& handler, QList<store::SafetyCopyEntry> copies,
                             QWidget* parent)
    : QDialog(parent), binding_(&binding), handler_(&handler), copies_(std::move(copies))
{
    setObjectName(QStringLiteral("RestoreDialog"));
    setWindowTitle(tr("Restore from Safety Copy"));
    auto* layout = new QVBoxLayout(this);

    auto* copiesLabel = new QLabel(tr("Safety &copies of this roster, newest first:"), this);
    copyList_ = new QTreeWidget(this);
    copyList_->setObjectName(QStringLiteral("CopyList"));
    copyList_->setHeaderLabels({tr("Saved"), tr("Soldiers")});
    copyList_->setRootIsDecorated(false);
    copiesLabel->setBuddy(copyList_);
    const QLocale locale;
    for (const store::SafetyCopyEntry& copy : std::as_const(copies_)) {
        auto* item = new QTreeWidgetItem(copyList_);
        // As the window shows dates and times: 12/7/2026 8:15:02 AM.
        item->setText(0, store::Value::date(copy.saved).displayText());
        item->setText(1, copy.soldiers < 0 ? tr("cannot be read") : locale.toString(copy.soldiers));
        item->setToolTip(0, copy.path);
    }
    copyList_->header()->setSectionResizeMode(0, QHeaderView::Stretch);

    soldiersLabel_ = new QLabel(tr("Pick a copy to see the soldiers it holds otherwise than the roster does now."), this);
    soldiersLabel_->setWordWrap(true);
    soldierList_ = new QTreeWidget(this);
    soldierList_->setObjectName(QStringLiteral("SoldierList"));
    soldierList_->setHeaderLabels({tr("Soldier"), tr("Since the copy"), tr("Differs in")});
    soldierList_->setRootIsDecorated(false);
    soldierList_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    soldierList_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    soldiersLabel_->setBuddy(soldierList_);

    auto* buttons = new QDialogButtonBox(this);
    restoreButton_ = buttons->addButton(tr("&Restore"), QDialogButtonBox::AcceptRole);
    restoreButton_->setObjectName(QStringLiteral("RestoreButton"));
    restoreButton_->setEnabled(false);
    buttons->addButton(QDialogButtonBox::Cancel);

    layout->addWidget(copiesLabel);
    layout->addWidget(copyList_, 1);
    layout->addWidget(soldiersLabel_);
    layout->addWidget(soldierList_, 2);
    layout->addWidget(buttons);
    resize(560, 420);

    connect(copyList_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { showCopy(item ? copyList_->indexOfTopLevelItem(item) : -1); });
    connect(soldierList_, &QTreeWidget::itemChanged, this, [this] { updateRestoreButton(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The newest copy is the one most often wanted.
    if (copyList_->topLevelItemCount() > 0)
        copyList_->setCurrentItem(copyList_->topLevelItem(0));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        QList<store::RecordChange> chosen;
        for (int i = 0; i < soldierList_->topLevelItemCount(); ++i) {
            if (soldierList_->topLevelItem(i)->checkState(0) == Qt::Checked)
                chosen << soldiers_.at(i).change;
        }
        accept();
        emit restoreChosen(chosen);
    });
}

void RestoreDialog::showCopy(int row)
{
    soldierList_->clear();
    soldiers_.clear();
    if (row < 0 || row >= copies_.size())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool read = handler_->run([&] { soldiers_ = store::soldiersToRestore(binding_->recordset(), copies_.at(row).path); });
    QApplication::restoreOverrideCursor();
    if (!read) {
        soldiersLabel_->setText(tr("This copy cannot be read."));
        return;
    }
    soldiersLabel_->setText(soldiers_.isEmpty() ? tr("Every soldier of this copy is in the roster as the copy holds him.")
                                                : tr("&Tick the soldiers to bring back as the copy holds them:"));
    const QSignalBlocker quiet(soldierList_);
    for (const store::SoldierInCopy& soldier : std::as_const(soldiers_)) {
        auto* item = new QTreeWidgetItem(soldierList_);
        item->setText(0, soldier.name.isEmpty() ? tr("(no name)") : soldier.name);
        item->setText(1, soldier.since == store::SoldierInCopy::Since::Deleted ? tr("deleted") : tr("changed"));
        item->setText(2, soldier.columns.join(QStringLiteral(", ")));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
    }
    updateRestoreButton();
}

void RestoreDialog::updateRestoreButton()
{
    bool any = false;
    for (int i = 0; i < soldierList_->topLevelItemCount() && !any; ++i)
        any = soldierList_->topLevelItem(i)->checkState(0) == Qt::Checked;
    restoreButton_->setEnabled(any);
}

} // namespace varnel::ui
