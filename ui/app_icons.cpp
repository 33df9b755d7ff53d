#include "ui/app_icons.h"

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QList>
#include <QtMath>

namespace varnel::ui {

namespace {

// The sixteen-colour palette the icons are drawn from.
const QColor kBlack(0x00, 0x00, 0x00);
const QColor kNavy(0x00, 0x00, 0x80);
const QColor kOlive(0x80, 0x80, 0x00);
const QColor kYellow(0xFF, 0xFF, 0x00);

QImage transparentImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

// A chevron pointing up: apex at (cx, top), arms `halfWidth` to either side
// dropping `drop`, stripe `thickness` deep.
QPolygonF chevron(qreal cx, qreal top, qreal halfWidth, qreal drop, qreal thickness)
{
    return QPolygonF({QPointF(cx, top), QPointF(cx + halfWidth, top + drop),
                      QPointF(cx + halfWidth, top + drop + thickness), QPointF(cx, top + thickness),
                      QPointF(cx - halfWidth, top + drop + thickness), QPointF(cx - halfWidth, top + drop)});
}

QPolygonF star(QPointF centre, qreal outer, qreal inner)
{
    QPolygonF points;
    for (int i = 0; i < 10; ++i) {
        const qreal radius = (i % 2 == 0) ? outer : inner;
        const qreal angle = qDegreesToRadians(-90.0 + 36.0 * i);
        points << QPointF(centre.x() + radius * qCos(angle), centre.y() + radius * qSin(angle));
    }
    return points;
}

// Icon images use exact palette colours, so smoothing stays off.
void beginIconPainter(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(kBlack, 0));
}

QImage chevronIconImage(int size)
{
    QImage image = transparentImage(size, size);
    QPainter p(&image);
    beginIconPainter(p);
    const bool large = size >= 32;
    const qreal right = large ? 29 : 14, sideEnd = large ? 20 : 10, tip = large ? 30 : 15;
    const qreal left = large ? 2 : 1, top = large ? 1 : 0, cx = (left + right) / 2;
    p.setBrush(kOlive);
    p.drawPolygon(QPolygonF({QPointF(left, top), QPointF(right, top), QPointF(right, sideEnd),
                             QPointF(cx, tip), QPointF(left, sideEnd)}));
    // The stripes go without an outline: at this size a border would eat
    // the yellow.
    p.setPen(Qt::NoPen);
    p.setBrush(kYellow);
    if (large) {
        for (int stripeTop : {3, 9, 15})
            p.drawPolygon(chevron(cx, stripeTop, 9, 5, 3));
    } else {
        for (int stripeTop : {2, 6})
            p.drawPolygon(chevron(cx, stripeTop, 5, 3, 2));
    }
    return image;
}

QImage starIconImage(int size)
{
    QImage image = transparentImage(size, size);
    QPainter p(&image);
    beginIconPainter(p);
    const qreal c = (size - 1) / 2.0;
    p.setBrush(kNavy);
    p.drawEllipse(QPointF(c, c), c - 0.5, c - 0.5);
    p.setBrush(kYellow);
    p.drawPolygon(star(QPointF(c, c + size / 32.0), size * 0.38, size * 0.16));
    return image;
}

QIcon iconFrom(const QImage& large, const QImage& small)
{
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(large));
    icon.addPixmap(QPixmap::fromImage(small));
    return icon;
}

// Pictures are drawn smooth and then reduced to a 256-colour palette.
QPixmap toPicture(const QImage& image)
{
    return QPixmap::fromImage(image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither));
}

void drawRibbon(QPainter& p, const QRectF& r, const QList<QColor>& stripes)
{
    const qreal w = r.width() / qreal(stripes.size());
    qreal x = r.left();
    p.setPen(Qt::NoPen);
    for (const QColor& c : stripes) {
        p.fillRect(QRectF(x, r.top(), w, r.height()), c);
        x += w;
    }
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

} // namespace

QIcon mainWindowIcon()
{
    return iconFrom(chevronIconImage(32), chevronIconImage(16));
}

QIcon aboutIcon()
{
    return iconFrom(starIconImage(32), starIconImage(16));
}

QPixmap aboutBanner()
{
    QImage image = transparentImage(111, 65);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);

    // Left: an olive-drab patch with three chevrons and a rocker.
    const QColor drab(0x5B, 0x5A, 0x2C), drabEdge(0x2E, 0x2D, 0x14), gold(0xD9, 0xA8, 0x2B);
    p.setPen(QPen(drabEdge, 1.5));
    p.setBrush(drab);
    p.drawRoundedRect(QRectF(3.5, 2.5, 44, 59), 6, 6);
    p.setPen(QPen(drabEdge, 1));
    p.setBrush(gold);
    for (int top : {8, 18, 28})
        p.drawPolygon(chevron(25.5, top, 17, 10, 6));
    QPainterPath rocker;
    rocker.moveTo(8.5, 42);
    rocker.quadTo(25.5, 60, 42.5, 42);
    rocker.lineTo(42.5, 48);
    rocker.quadTo(25.5, 66, 8.5, 48);
    rocker.closeSubpath();
    p.drawPath(rocker);

    // Right, top: a rack of award ribbons.
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor crimson(0xA0, 0x10, 0x28), white(0xF4, 0xF4, 0xF4), green(0x1E, 0x7A, 0x3C),
        ultramarine(0x2A, 0x3C, 0xA8), teal(0x1B, 0x8A, 0x8A), orange(0xE0, 0x8A, 0x1E);
    const int rackLeft = 56, ribbonWidth = 16, ribbonHeight = 6;
    const QList<QList<QList<QColor>>> rows = {
        {{crimson, white, crimson, white, crimson}},
        {{green, white, green, green, white, green}, {ultramarine, white, ultramarine}},
        {{teal, white, teal}, {orange, white, orange}, {crimson, gold, crimson}},
    };
    int top = 5;
    for (const auto& row : rows) {
        int x = rackLeft + (3 - int(row.size())) * (ribbonWidth + 1) / 2;
        for (const auto& stripes : row) {
            drawRibbon(p, QRectF(x, top, ribbonWidth, ribbonHeight), stripes);
            x += ribbonWidth + 1;
        }
        top += ribbonHeight + 2;
    }

    // Right, bottom: rising bars, the points adding up.
    p.setRenderHint(QPainter::Antialiasing, true);
    const int baseline = 60;
    int barX = 58;
    for (int height : {7, 12, 18, 25}) {
        QLinearGradient fill(barX, baseline - height, barX + 10, baseline);
        fill.setColorAt(0, QColor(0x4A, 0x6C, 0xD0));
        fill.setColorAt(1, QColor(0x10, 0x22, 0x70));
        p.setPen(QPen(QColor(0x10, 0x18, 0x40), 1));
        p.setBrush(fill);
        p.drawRect(QRectF(barX + 0.5, baseline - height + 0.5, 9, height));
        barX += 13;
    }
    p.setPen(QPen(drabEdge, 1.5));
    p.drawLine(QPointF(54, baseline + 1), QPointF(109, baseline + 1));
    p.end();
    return toPicture(image);
}

QPixmap aboutEmblem()
{
    QImage image = transparentImage(35, 35);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPointF centre(17.5, 17.5);
    QRadialGradient disc(QPointF(13, 12), 20);
    disc.setColorAt(0, QColor(0x33, 0x4F, 0xB8));
    disc.setColorAt(1, QColor(0x0A, 0x16, 0x5A));
    p.setPen(QPen(QColor(0xD9, 0xA8, 0x2B), 2));
    p.setBrush(disc);
    p.drawEllipse(centre, 16, 16);
    p.setPen(QPen(QColor(0x8A, 0x62, 0x08), 1));
    p.setBrush(QColor(0xF5, 0xC8, 0x30));
    p.drawPolygon(star(QPointF(17.5, 18.5), 12.5, 5));
    p.end();
    return toPicture(image);
}

} // namespace varnel::ui
