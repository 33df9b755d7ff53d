#include "ui/bound_line_edit.h"

#include "store/value.h"

#include <QEvent>

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
    const QString text = value.displayText();
    if (long_.concerns(text)) {
        ShowingValue showing(*this);
        long_.show(*this, text, isReadOnly(), [this](bool readOnly) { setReadOnly(readOnly); });
        if (long_.isActive()) {
            showLongValue();
        } else {
            setText(text);
            setCursorPosition(0);
        }
        return;
    }
    // The same value shown again (the record was stored) keeps the cursor.
    if (text == this->text())
        return;
    ShowingValue showing(*this);
    setText(text);
    setCursorPosition(0);
}

void BoundLineEdit::showLongValue()
{
    ShowingValue showing(*this);
    setText(long_.fitted(fontMetrics(), long_value::textRoom(*this)));
    setCursorPosition(0);
}

void BoundLineEdit::resizeEvent(QResizeEvent* event)
{
    TypingLimitLineEdit::resizeEvent(event);
    if (long_.isActive())
        showLongValue();
}

void BoundLineEdit::changeEvent(QEvent* event)
{
    TypingLimitLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange && long_.isActive())
        showLongValue();
}

} // namespace varnel::ui
