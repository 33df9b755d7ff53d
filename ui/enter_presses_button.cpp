#include "ui/enter_presses_button.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>

namespace varnel::ui {

namespace {

class EnterPressesButton : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        auto* button = qobject_cast<QPushButton*>(watched);
        if (!enter || !button || !button->hasFocus() || !button->isEnabled()
            || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        button->animateClick();
        return true;
    }
};

} // namespace

void letEnterPressFocusedButtons(QWidget* window)
{
    auto* filter = new EnterPressesButton(window);
    for (QPushButton* button : window->findChildren<QPushButton*>())
        button->installEventFilter(filter);
}

} // namespace varnel::ui
