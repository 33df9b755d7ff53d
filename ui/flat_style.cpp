#include "ui/flat_style.h"

#include <QApplication>
#include <QChildEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QStyleOption>
#include <QWidget>
#include <QtMath>
#include <optional>

namespace varnel::ui {

namespace {

QColor blend(const QColor& from, const QColor& to, qreal share)
{
    return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * share),
                            float(from.greenF() + (to.greenF() - from.greenF()) * share),
                            float(from.blueF() + (to.blueF() - from.blueF()) * share));
}

double luminance(const QColor& colour)
{
    auto linear = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

// Fusion, like most styles, draws the edges of entry boxes in a darker
// shade of the window colour (140 %). Where that shade vanishes, the box is
// drawn with a window colour whose shade is a visible line; only the edges
// use it. Nothing when the style's own edge shows.
std::optional<QPalette> withVisibleEdges(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Window);
    const QColor edge = window.darker(140);
    const QColor line = visibleLine(edge, window, palette.color(QPalette::WindowText));
    if (line == edge)
        return std::nullopt;
    QPalette adjusted = palette;
    adjusted.setColor(QPalette::Window, line.lighter(140));
    return adjusted;
}

// A copy of the option, of its own type, with another palette.
template <typename Option>
Option repainted(const Option& option, const QPalette& palette)
{
    Option copy(option);
    copy.palette = palette;
    return copy;
}

// A frame's title stands this far in from the frame's left edge, with this
// much of the line left open on either side of it.
constexpr int kTitleIndent = 6;
constexpr int kTitleGap = 2;
// Between a button's line and its caption, left and right.
constexpr int kCaptionGap = 4;

// `em` ems in pixels: the height of the application's font, as a style
// sheet's em is.
int emPixels(qreal em)
{
    return qRound(QFontMetrics(QApplication::font()).height() * em);
}

// Fills the band `width` pixels wide just inside `rect`'s edge, but for
// `open`.
void drawLine(QPainter* painter, const QRect& rect, int width, const QColor& colour, const QRect& open = {})
{
    QRegion band = QRegion(rect) - QRegion(rect.adjusted(width, width, -width, -width));
    if (!open.isNull())
        band -= QRegion(open);
    for (const QRect& part : band)
        painter->fillRect(part, colour);
}

// `palette` with the text roles in `text`, in every state, and the face and
// its shades from `face`.
QPalette captionPalette(const QPalette& palette, const QColor& face, const QColor& text)
{
    QPalette caption = palette;
    for (auto role : {QPalette::Button, QPalette::Window})
        caption.setColor(role, face);
    caption.setColor(QPalette::Light, face.lighter(115));
    caption.setColor(QPalette::Midlight, face.lighter(107));
    caption.setColor(QPalette::Dark, face.darker(150));
    caption.setColor(QPalette::Shadow, face.darker(300));
    for (auto role : {QPalette::ButtonText, QPalette::WindowText, QPalette::Text})
        caption.setColor(role, text);
    return caption;
}

} // namespace

QColor visibleLine(const QColor& line, const QColor& window, const QColor& windowText)
{
    // 1.8:1 passes the light schemes' usual grey lines unchanged.
    if (contrastRatio(line, window) >= 1.8)
        return line;
    // Half-way between the two keeps a line quieter than text; where the
    // two are close (a low-contrast scheme), the text colour itself.
    const QColor blended = blend(window, windowText, 0.55);
    return contrastRatio(blended, window) >= 3.0 ? blended : windowText;
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The platform's own style underneath (Fusion on most Linux desktops).
FlatStyle::FlatStyle(const FlatDrawing& drawing) : drawing_(drawing) {}

void FlatStyle::drawTree(QWidget* root)
{
    root->setStyle(this);
    root->installEventFilter(this);
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        widget->setStyle(this);
        widget->installEventFilter(this);
    }
}

bool FlatStyle::eventFilter(QObject* watched, QEvent* event)
{
    // A widget made after drawTree is drawn in the platform's style until
    // its parent hears it is ready to show.
    if (event->type() == QEvent::ChildPolished) {
        auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child());
        if (child && child->style() != this)
            drawTree(child);
    }
    return QProxyStyle::eventFilter(watched, event);
}

void FlatStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const
{
    const bool check = element == PE_IndicatorCheckBox;
    const bool radio = element == PE_IndicatorRadioButton;
    if (check || radio) {
        const QPalette& palette = option->palette;
        const QColor text = palette.color(QPalette::Text);
        const QColor base = palette.color(QPalette::Base);
        const QColor fill = option->state & State_Sunken ? blend(base, text, 0.2) : base;
        const int side = std::min(option->rect.width(), option->rect.height()) - 1;
        const QRectF box(option->rect.x() + (option->rect.width() - 1 - side) / 2 + 0.5,
                         option->rect.y() + (option->rect.height() - 1 - side) / 2 + 0.5, side, side);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, radio);
        painter->setPen(QPen(text, 1));
        painter->setBrush(fill);
        if (check)
            painter->drawRect(box);
        else
            painter->drawEllipse(box);
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setPen(Qt::NoPen);
        painter->setBrush(text);
        if (check && option->state & State_On) {
            QPainterPath mark;
            const qreal s = side;
            mark.moveTo(box.left() + s * 0.18, box.top() + s * 0.52);
            mark.lineTo(box.left() + s * 0.42, box.top() + s * 0.76);
            mark.lineTo(box.left() + s * 0.84, box.top() + s * 0.26);
            painter->strokePath(mark, QPen(text, std::max(1.5, s / 7.0), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        } else if (check && option->state & State_NoChange) {
            painter->drawRect(box.adjusted(side * 0.25, side * 0.45, -side * 0.25, -side * 0.45));
        } else if (radio && option->state & State_On) {
            const qreal inset = side * 0.28;
            painter->drawEllipse(box.adjusted(inset, inset, -inset, -inset));
        }
        painter->restore();
        return;
    }
    if (element == PE_FrameLineEdit || element == PE_PanelLineEdit) {
        if (const auto palette = withVisibleEdges(option->palette)) {
            if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option)) {
                const QStyleOptionFrame copy = repainted(*frame, *palette);
                QProxyStyle::drawPrimitive(element, &copy, painter, widget);
            } else {
                const QStyleOption copy = repainted(*option, *palette);
                QProxyStyle::drawPrimitive(element, &copy, painter, widget);
            }
            return;
        }
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void FlatStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (element != CE_PushButton || !button) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    // The window's own colours, whatever the button's state.
    const QPalette& palette = button->palette;
    const QColor face =
        palette.color(QPalette::Active, button->state & State_Sunken ? QPalette::Midlight : QPalette::Window);
    painter->fillRect(button->rect, face);
    drawLine(painter, button->rect, button->state & State_HasFocus ? 2 : 1, drawing_.buttonLine);
    QStyleOptionButton caption(*button);
    caption.rect = subElementRect(SE_PushButtonContents, button, widget);
    caption.palette = captionPalette(palette, face, palette.color(QPalette::Active, QPalette::WindowText));
    QProxyStyle::drawControl(CE_PushButtonLabel, &caption, painter, widget);
    if (button->state & State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(*button);
        focus.rect = caption.rect;
        proxy()->drawPrimitive(PE_FrameFocusRect, &focus, painter, widget);
    }
}

void FlatStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                   const QWidget* widget) const
{
    if (const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option); box && control == CC_GroupBox) {
        const QPalette& palette = box->palette;
        const QRect frame = subControlRect(CC_GroupBox, box, SC_GroupBoxFrame, widget);
        painter->fillRect(frame, palette.color(QPalette::Active, QPalette::Window));
        QRect label, open;
        if (!box->text.isEmpty()) {
            label = subControlRect(CC_GroupBox, box, SC_GroupBoxLabel, widget);
            open = label.adjusted(-kTitleGap, 0, kTitleGap, 0);
        }
        drawLine(painter, frame, 1, drawing_.frameLine, open);
        if (!label.isNull()) {
            int alignment = Qt::AlignCenter | Qt::TextShowMnemonic;
            if (!proxy()->styleHint(SH_UnderlineShortcut, box, widget))
                alignment |= Qt::TextHideMnemonic;
            QPalette title = palette;
            title.setColor(QPalette::WindowText, palette.color(QPalette::Active, QPalette::WindowText));
            proxy()->drawItemText(painter, label, alignment, title, box->state & State_Enabled, box->text,
                                  QPalette::WindowText);
        }
        return;
    }
    if (const auto palette = withVisibleEdges(option->palette)) {
        if (const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(option); spin && control == CC_SpinBox) {
            const QStyleOptionSpinBox copy = repainted(*spin, *palette);
            QProxyStyle::drawComplexControl(control, &copy, painter, widget);
            return;
        }
        if (const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option); combo && control == CC_ComboBox) {
            const QStyleOptionComboBox copy = repainted(*combo, *palette);
            QProxyStyle::drawComplexControl(control, &copy, painter, widget);
            return;
        }
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

QRect FlatStyle::subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const
{
    // The caption, and the focus frame around it, inside the line and the
    // gaps beside the caption.
    if (element == SE_PushButtonContents || element == SE_PushButtonFocusRect) {
        const int line = option->state & State_HasFocus ? 2 : 1;
        return option->rect.adjusted(line + kCaptionGap, line, -line - kCaptionGap, -line);
    }
    return QProxyStyle::subElementRect(element, option, widget);
}

QRect FlatStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                                const QWidget* widget) const
{
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || !box)
        return QProxyStyle::subControlRect(control, option, subControl, widget);
    const int room = emPixels(drawing_.titleRoomEm);
    switch (subControl) {
    case SC_GroupBoxFrame: return box->rect.adjusted(0, room, 0, 0);
    case SC_GroupBoxContents: return box->rect.adjusted(1, room + 1 + emPixels(drawing_.contentsGapEm), -1, -1);
    case SC_GroupBoxLabel: {
        // The title's room is as wide as the title and a space.
        const QFontMetrics& metrics = box->fontMetrics;
        const int width = std::max(metrics.horizontalAdvance(box->text),
                                   metrics.size(Qt::TextShowMnemonic, box->text + QLatin1Char(' ')).width());
        const QRect label(box->rect.left() + kTitleIndent + kTitleGap, box->rect.top(), width, metrics.height());
        return visualRect(box->direction, box->rect, label);
    }
    default: return QRect();
    }
}

int FlatStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returned) const
{
    if (hint == SH_Table_GridLineColor && drawing_.gridLine.isValid())
        return int(drawing_.gridLine.rgba());
    if (hint == SH_GroupBox_TextLabelColor && option)
        return int(option->palette.color(QPalette::Active, QPalette::WindowText).rgba());
    return QProxyStyle::styleHint(hint, option, widget, returned);
}

} // namespace varnel::ui
