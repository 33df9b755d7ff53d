#pragma once

#include "store/copy_restore.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace varnel::store {
class DataControl;
}

namespace varnel::ui {

class Handler;

// File > Restore from Safety Copy: the safety copies of the open roster,
// newest first, with when each was saved and how many soldiers it holds.
// Picking one lists the soldiers it holds otherwise than the roster does
// now (deleted since, changed since); the clerk ticks those to bring back
// and presses Restore, and restoreChosen() carries what to store.
class RestoreDialog : public QDialog {
    Q_OBJECT
public:
    // `binding` is the window's; it outlives the dialog, which the window
    // owns (a child).
    RestoreDialog(store::DataControl& binding, const Handler& handler, QList<store::SafetyCopyEntry> copies, QWidget* parent);

signals:
    void restoreChosen(const QList<store::RecordChange>& changes);

private:
    void showCopy(int row);
    void updateRestoreButton();

    store::DataControl* binding_;
    const Handler* handler_;
    QList<store::SafetyCopyEntry> copies_;
    QList<store::SoldierInCopy> soldiers_;
    QTreeWidget* copyList_;
    QTreeWidget* soldierList_;
    QLabel* soldiersLabel_;
    QPushButton* restoreButton_;
};

} // namespace varnel::ui
