#pragma once

#include "store/roster_history.h"

#include <QDialog>

namespace varnel::ui {

// File > History of This Soldier: the changes a server roster's history
// keeps for one soldier, oldest first, one line for each changed field:
// when (local time), which of the server's roles, what was done (added,
// changed, deleted), the field by the window's label, from what to what.
// The window owns it (a child); it deletes itself when it closes.
class HistoryDialog : public QDialog {
    Q_OBJECT
public:
    HistoryDialog(const QString& soldier, const QList<store::HistoryEntry>& entries, QWidget* parent);

    // A field's value as the list shows it: an award "ticked" or "not
    // ticked", no value "(blank)", a date as the window writes it.
    static QString valueInWords(const store::Value& value);
};

} // namespace varnel::ui
