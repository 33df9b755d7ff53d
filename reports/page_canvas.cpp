#include "reports/page_canvas.h"

#include <QPainter>
#include <climits>

namespace varnel::reports {

void PainterCanvas::text(QPointF baselineStart, const QString& text, const QFont& font)
{
    painter_.setPen(Qt::black);
    if (typeScale_ == 1.0) {
        painter_.setFont(font);
    } else {
        QFont scaled(font);
        scaled.setPointSizeF(font.pointSizeF() * typeScale_);
        painter_.setFont(scaled);
    }
    painter_.drawText(baselineStart, text);
}

void PainterCanvas::line(QPointF from, QPointF to, const QPen& pen)
{
    painter_.setPen(pen);
    painter_.drawLine(from, to);
}

void PainterCanvas::fill(const QRectF& box, const QColor& colour) { painter_.fillRect(box, colour); }

void PainterCanvas::frame(const QRectF& box, const QPen& pen)
{
    painter_.setPen(pen);
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(box);
}

PageMetrics::PageMetrics(const QPageLayout& page, int dotsPerInch)
    : sizeMm_(page.paintRect(QPageLayout::Millimeter).size()), dpi_(dotsPerInch)
{
    const QRectF area = page.paintRect(QPageLayout::Point);
    width_ = qRound(area.width() * dotsPerInch / 72.0);
    height_ = qRound(area.height() * dotsPerInch / 72.0);
}

int PageMetrics::metric(PaintDeviceMetric which) const
{
    switch (which) {
    case PdmWidth:
        return width_;
    case PdmHeight:
        return height_;
    case PdmWidthMM:
        return qRound(sizeMm_.width());
    case PdmHeightMM:
        return qRound(sizeMm_.height());
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return dpi_;
    case PdmNumColors:
        return INT_MAX;
    case PdmDepth:
        return 32;
    default:
        return QPaintDevice::metric(which);
    }
}

} // namespace varnel::reports
