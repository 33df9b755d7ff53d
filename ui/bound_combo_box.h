#pragma once

#include "ui/binding_link.h"

#include <QComboBox>

namespace varnel::ui {

// An editable combo box bound to a text field: the user picks an entry of
// its list or types any other text, and the text is what the field
// receives. Typing never completes an entry and never adds to the list.
class BoundComboBox : public QComboBox, public BindingLink {
    Q_OBJECT
public:
    BoundComboBox(const QString& dataField, QWidget* parent = nullptr);

    void showValue(const store::Value& value) override;
    // Appends entries to the list; the text shown stays as it is (a first
    // entry would otherwise replace it, and count as the user's change).
    void addEntries(const QStringList& entries);
};

} // namespace varnel::ui
