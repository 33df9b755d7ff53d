#pragma once

#include <QObject>
#include <QPointer>

class QAbstractScrollArea;

namespace varnel::ui {

// A turn of the mouse wheel over a value control (a score box, an option
// list, a drop-down) changes the value only while the control has the
// keyboard focus, where the clerk is working; over any other, the wheel
// scrolls the form, as over the rest of it. Installed on each such control
// (and the buttons of an option list).
class WheelGuard : public QObject {
public:
    WheelGuard(QAbstractScrollArea* form, QObject* parent);
    // Guards `control` and whatever it holds.
    void guard(QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QAbstractScrollArea> form_;
};

} // namespace varnel::ui
