#include "ui/bound_combo_box.h"

#include "store/value.h"

#include <QLineEdit>

namespace varnel::ui {

BoundComboBox::BoundComboBox(const QString& dataField, QWidget* parent)
    : QComboBox(parent)
    , BindingLink(dataField)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setDuplicatesEnabled(true);
    // Typed text and picked entries both arrive here; the value shown by
    // the binding is filtered out by report().
    connect(this, &QComboBox::editTextChanged, this, [this](const QString& text) {
        report(textFieldValue(text));
    });
}

void BoundComboBox::showValue(const store::Value& value)
{
    const QString text = value.displayText();
    if (text == currentText())
        return;
    ShowingValue showing(*this);
    setCurrentIndex(-1);
    setEditText(text);
}

void BoundComboBox::addEntries(const QStringList& entries)
{
    ShowingValue showing(*this);
    const QString shown = currentText();
    addItems(entries);
    setCurrentIndex(-1);
    setEditText(shown);
}

} // namespace varnel::ui
