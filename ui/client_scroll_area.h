#pragma once

#include <QScrollArea>
#include <QSize>
#include <functional>

namespace varnel::ui {

// The size a fixed client area takes on a screen with `room` for it: its
// drawn size when it fits, otherwise as much as there is room for, with a
// scroll bar (`scrollBarExtent` wide) along each side that does not fit.
QSize fittedClientSize(QSize drawn, QSize room, int scrollBarExtent);

// Holds a window's fixed client area (the window's drawing, in twips). On a
// screen it fits, the area shows whole at exactly its drawn size, without a
// frame or scroll bars; on a smaller screen (a high resolution on a small
// display, a large scale factor) the window takes what room the screen has
// and the area scrolls, so no control is out of reach and the layout stays
// as drawn. Tab scrolls the control that takes the focus into view.
class ClientScrollArea : public QScrollArea {
    Q_OBJECT
public:
    explicit ClientScrollArea(QWidget* parent = nullptr);

    QSize sizeHint() const override;

    // The room the client area has: by default the screen's available area
    // less the window's frame and menu bar. Tests give their own.
    void setRoom(std::function<QSize()> room);
    QSize room() const;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSize screenRoom() const;
    void watchScreen();
    // Asks the window to take a new size when the fitted size changed.
    void refit();

    std::function<QSize()> room_;
    QSize lastHint_;
    bool watching_ = false;
};

} // namespace varnel::ui
