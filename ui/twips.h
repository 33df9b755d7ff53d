#pragma once

#include <QRect>
#include <QtGlobal>

class QWidget;

namespace varnel::ui {

// Window layouts are drawn in twips: 1440 to the inch, so 15 twips are one
// pixel at 96 dots per inch. They are converted at the screen's logical
// resolution, rounding to the nearest pixel.
inline constexpr int kTwipsPerInch = 1440;

int twipsToPixels(int twips, qreal dotsPerInch);

// A control's rectangle in twips (left, top, width, height) as pixels of a
// widget's logical resolution, horizontal and vertical apart.
QRect twipsRect(const QWidget& widget, int left, int top, int width, int height);
int twipsToPixelsX(const QWidget& widget, int twips);
int twipsToPixelsY(const QWidget& widget, int twips);

} // namespace varnel::ui
