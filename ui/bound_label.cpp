#include "ui/bound_label.h"

#include "store/value.h"

namespace varnel::ui {

BoundLabel::BoundLabel(const QString& dataField, QWidget* parent)
    : QLabel(parent)
    , BindingLink(dataField)
{
    setAlignment(Qt::AlignCenter);
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::NoTextInteraction);
}

void BoundLabel::showValue(const store::Value& value)
{
    ShowingValue showing(*this);
    setText(value.displayText());
}

void BoundLabel::setTextByCommand(const QString& text)
{
    setText(text);
    report(textFieldValue(text));
}

} // namespace varnel::ui
