#include "ui/client_scroll_area.h"

#include <QEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QWindow>

namespace varnel::ui {

QSize fittedClientSize(QSize drawn, QSize room, int scrollBarExtent)
{
    // A scroll bar along one side takes room from the other, which may then
    // need one too.
    bool horizontal = drawn.width() > room.width();
    bool vertical = drawn.height() > room.height();
    for (int pass = 0; pass < 2; ++pass) {
        horizontal = horizontal || drawn.width() + (vertical ? scrollBarExtent : 0) > room.width();
        vertical = vertical || drawn.height() + (horizontal ? scrollBarExtent : 0) > room.height();
    }
    const QSize wanted(drawn.width() + (vertical ? scrollBarExtent : 0), drawn.height() + (horizontal ? scrollBarExtent : 0));
    return wanted.boundedTo(room);
}

ClientScrollArea::ClientScrollArea(QWidget* parent)
    : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWidgetResizable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // Only the window's controls take the focus, in their order.
    setFocusPolicy(Qt::NoFocus);
}

void ClientScrollArea::setRoom(std::function<QSize()> room)
{
    room_ = std::move(room);
    refit();
}

QSize ClientScrollArea::room() const
{
    return room_ ? room_() : screenRoom();
}

QSize ClientScrollArea::screenRoom() const
{
    const QWidget* top = window();
    const QScreen* screen = top->screen();
    if (!screen)
        return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    QSize room = screen->availableGeometry().size();
    // The window manager's frame: known once the window is on the screen
    // (none without a window manager); before that, a title bar and a
    // border are reckoned with.
    QSize frame = top->frameGeometry().size() - top->geometry().size();
    if (!top->isVisible()) {
        const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
        frame = QSize(2 * border, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) + 2 * border);
    }
    room -= frame;
    if (const auto* main = qobject_cast<const QMainWindow*>(top); main && main->menuWidget())
        room.rheight() -= main->menuWidget()->sizeHint().height();
    return room;
}

QSize ClientScrollArea::sizeHint() const
{
    if (!widget())
        return QScrollArea::sizeHint();
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return fittedClientSize(widget()->size(), room(), extent);
}

void ClientScrollArea::watchScreen()
{
    if (watching_ || !window()->windowHandle())
        return;
    watching_ = true;
    QWindow* handle = window()->windowHandle();
    // Another screen, or the same one with another resolution or work area:
    // the window fits itself again.
    connect(handle, &QWindow::screenChanged, this, [this](QScreen* screen) {
        if (screen)
            connect(screen, &QScreen::availableGeometryChanged, this, &ClientScrollArea::refit, Qt::UniqueConnection);
        refit();
    });
    if (QScreen* screen = handle->screen())
        connect(screen, &QScreen::availableGeometryChanged, this, &ClientScrollArea::refit, Qt::UniqueConnection);
}

void ClientScrollArea::showEvent(QShowEvent* event)
{
    QScrollArea::showEvent(event);
    if (!watching_) {
        window()->installEventFilter(this);
        watchScreen();
    }
    refit();
}

void ClientScrollArea::refit()
{
    const QSize hint = sizeHint();
    if (hint != lastHint_) {
        lastHint_ = hint;
        updateGeometry();
    }
}

bool ClientScrollArea::eventFilter(QObject* watched, QEvent* event)
{
    // The window manager frames the window once it is shown, and moves it
    // while doing so: fit again with the frame as it is.
    if (watched == window() && (event->type() == QEvent::Move || event->type() == QEvent::Show))
        refit();
    return QScrollArea::eventFilter(watched, event);
}

} // namespace varnel::ui
