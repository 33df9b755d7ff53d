#include "ui/bound_label.h"

#include "store/value.h"

#include <QEvent>

#include <algorithm>

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
    showText(value.displayText());
}

void BoundLabel::setTextByCommand(const QString& text)
{
    showText(text);
    report(textFieldValue(text));
}

void BoundLabel::showText(const QString& text)
{
    if (!long_.concerns(text)) {
        setText(text);
        return;
    }
    // A label takes no input: only the tooltip changes.
    long_.show(*this, text, true, [](bool) {});
    if (long_.isActive())
        showLongValue();
    else
        setText(text);
}

void BoundLabel::showLongValue()
{
    setText(long_.fitted(fontMetrics(), std::max(0, contentsRect().width() - 2 * margin())));
}

void BoundLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    if (long_.isActive())
        showLongValue();
}

void BoundLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange && long_.isActive())
        showLongValue();
}

} // namespace varnel::ui
