#include "ui/flat_style.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOption>
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
FlatStyle::FlatStyle() = default;

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

void FlatStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                   const QWidget* widget) const
{
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

} // namespace varnel::ui
