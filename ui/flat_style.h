#pragma once

#include <QColor>
#include <QPalette>
#include <QProxyStyle>

namespace varnel::ui {

// The colour of a line (a frame, the edge of an entry box) drawn on
// `window`: `line` itself where it shows, as a light scheme's shades do;
// where it nearly vanishes, as a darker shade of a dark window colour does,
// the window-text colour blended into the window colour, which contrasts at
// least 3:1 with it.
QColor visibleLine(const QColor& line, const QColor& window, const QColor& windowText);

// The contrast ratio of two colours by their relative luminance, from 1
// (the same) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);

// Draws the window's check boxes and option buttons flat, as the window's
// drawing asks: a single line in the text colour around the window-coloured
// box, the mark in the text colour. Drawn from the palette's text and base
// colours, they stay visible under a dark or high-contrast scheme, where a
// style's own shading, a darker shade of the window colour, vanishes. The
// edges of entry boxes, lists and spin boxes are kept visible the same way
// (visibleLine). Everything else is the base style's.
class FlatStyle : public QProxyStyle {
    Q_OBJECT
public:
    FlatStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
};

} // namespace varnel::ui
