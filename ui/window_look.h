#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

namespace varnel::ui {

// The look the program's own windows share (the main window and the About
// box): drawn flat, in the system's window colour with window text, in
// "MS Sans Serif" bold.

// The size of the windows' font, in points.
inline constexpr qreal kWindowFontPoints = 8.25;

// "MS Sans Serif" at `points`, bold; where the system has no such font, the
// platform's sans-serif at the same size and weight.
QFont windowFont(qreal points = kWindowFontPoints);

// `scheme` with the window drawn in the system's window colour (white in
// the standard scheme; Qt calls it Base) rather than the button face Qt uses
// for windows, buttons included, and with the window-text colour (Qt's
// Text). The dark shade, the frames' line, is kept visible on that colour
// (visibleLine).
QPalette windowPalette(const QPalette& scheme);

// How a window draws its flat frames and buttons (FlatStyle draws them).
// The ems are the height of the application's font, in pixels, as a style
// sheet's are.
struct FlatDrawing {
    QColor frameLine;   // the single line round a frame
    QColor buttonLine;  // the line round a button; twice as thick with the focus
    qreal titleRoomEm;  // room above a frame's line for its title, in ems
    qreal contentsGapEm; // between the frame's line and what it holds, in ems
    QColor gridLine;     // the grid's lines; invalid: the base style's
};

} // namespace varnel::ui
