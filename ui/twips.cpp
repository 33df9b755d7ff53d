#include "ui/twips.h"

#include <QWidget>
#include <cmath>

namespace varnel::ui {

int twipsToPixels(int twips, qreal dotsPerInch)
{
    return int(std::lround(twips * dotsPerInch / kTwipsPerInch));
}

int twipsToPixelsX(const QWidget& widget, int twips)
{
    return twipsToPixels(twips, widget.logicalDpiX());
}

int twipsToPixelsY(const QWidget& widget, int twips)
{
    return twipsToPixels(twips, widget.logicalDpiY());
}

QRect twipsRect(const QWidget& widget, int left, int top, int width, int height)
{
    // Convert both edges, not the size, so neighbouring controls that touch
    // in twips still touch in pixels.
    const int x = twipsToPixelsX(widget, left);
    const int y = twipsToPixelsY(widget, top);
    return QRect(x, y, twipsToPixelsX(widget, left + width) - x, twipsToPixelsY(widget, top + height) - y);
}

} // namespace varnel::ui
