#include "ui/wheel_guard.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>

namespace varnel::ui {

WheelGuard::WheelGuard(QAbstractScrollArea* form, QObject* parent)
    : QObject(parent), form_(form)
{
}

void WheelGuard::guard(QWidget* control)
{
    control->setProperty("varnelWheelControl", true);
    control->installEventFilter(this);
    for (QWidget* inside : control->findChildren<QWidget*>())
        inside->installEventFilter(this);
}

bool WheelGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel)
        return false;
    // The value control the wheel turned over: the one guarded, or the one
    // that holds what it turned over.
    auto* widget = qobject_cast<QWidget*>(watched);
    QWidget* control = widget;
    while (control && !control->property("varnelWheelControl").toBool())
        control = control->parentWidget();
    if (!control)
        return false;
    const QWidget* focus = QApplication::focusWidget();
    if (focus && (focus == control || control->isAncestorOf(focus)))
        return false;
    // Not the control the clerk is in: the form scrolls instead.
    if (form_) {
        if (QScrollBar* bar = form_->verticalScrollBar(); bar && bar->isVisible())
            QCoreApplication::sendEvent(bar, event);
    }
    return true;
}

} // namespace varnel::ui
