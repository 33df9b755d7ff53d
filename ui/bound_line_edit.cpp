#include "ui/bound_line_edit.h"

#include "store/value.h"

namespace varnel::ui {

BoundLineEdit::BoundLineEdit(const QString& dataField, QWidget* parent)
    : TypingLimitLineEdit(parent)
    , BindingLink(dataField)
{
    connect(this, &TypingLimitLineEdit::userEdited, this, [this](const QString& text) {
        report(textFieldValue(text));
    });
}

void BoundLineEdit::showValue(const store::Value& value)
{
    // The same value shown again (the record was stored) keeps the cursor.
    const QString text = value.displayText();
    if (text == this->text())
        return;
    ShowingValue showing(*this);
    setText(text);
    setCursorPosition(0);
}

} // namespace varnel::ui
