#pragma once

#include "ui/window_look.h"

#include <QColor>
#include <QPalette>
#include <QProxyStyle>

class QWidget;

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

// Draws a window's controls flat, as its drawing (FlatDrawing) asks.
//
// Check boxes and option buttons: a single line in the text colour around
// the window-coloured box, the mark in the text colour. Drawn from the
// palette's text and base colours, they stay visible under a dark or
// high-contrast scheme, where a style's own shading, a darker shade of the
// window colour, vanishes. The edges of entry boxes, lists and spin boxes
// are kept visible the same way (visibleLine).
//
// Frames (group boxes): the window colour inside a single line in
// drawing.frameLine, the title room above the line, the title on the line,
// which is left open behind it, 8 pixels in from the frame's left edge.
//
// Push buttons: the face in the window colour (midlight while held
// pressed) inside a line in drawing.buttonLine, twice as thick while the
// button has the focus; the caption centred in the window-text colour, a
// disabled button's too; the caption does not move while pressed.
//
// The grid's lines are drawn in drawing.gridLine where it is given.
// Everything else is the base style's.
class FlatStyle : public QProxyStyle {
    Q_OBJECT
public:
    explicit FlatStyle(const FlatDrawing& drawing);

    // Draws `root` and every widget under it in this style, those made later
    // too (a list's popup, the grid's editor): a widget's style does not pass
    // on to its children.
    void drawTree(QWidget* root);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                         const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returned = nullptr) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FlatDrawing drawing_;
};

} // namespace varnel::ui
