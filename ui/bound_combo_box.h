#pragma once

#include "ui/binding_link.h"
#include "ui/long_value.h"

#include <QComboBox>

namespace varnel::ui {

// An editable combo box bound to a text field: the user picks an entry of
// its list or types any other text, and the text is what the field
// receives. Typing never completes an entry and never adds to the list.
// A value longer than any clerk types is shown by its beginning, and
// neither typing nor the list can change it (ui/long_value.h).
class BoundComboBox : public QComboBox, public BindingLink {
    Q_OBJECT
public:
    BoundComboBox(const QString& dataField, QWidget* parent = nullptr);

    void showValue(const store::Value& value) override;
    // Appends entries to the list; the text shown stays as it is (a first
    // entry would otherwise replace it, and count as the user's change).
    void addEntries(const QStringList& entries);

    void showPopup() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showLongValue();

    long_value::Shown long_;
    // The combo box itself is never read-only; while it shows a long value
    // its entry is, and its list stays closed.
    bool locked_ = false;
};

} // namespace varnel::ui
