#pragma once

#include <QColor>
#include <QFont>
#include <QPageLayout>
#include <QPaintDevice>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

namespace varnel::reports {

// The printable area of a page at a resolution, for laying a report out
// without painting it: fonts and metrics sized for it measure as on paper.
class PageMetrics final : public QPaintDevice {
public:
    // The resolution reports are laid out at when no printer decides it:
    // Qt's own PDF writer's, so a report measures alike either way.
    static constexpr int kLayoutDotsPerInch = 1200;

    PageMetrics(const QPageLayout& page, int dotsPerInch = kLayoutDotsPerInch);
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    int metric(PaintDeviceMetric which) const override;

private:
    QSizeF sizeMm_;
    int width_ = 0, height_ = 0, dpi_ = 0;
};

// What a report's page is drawn with: text on a baseline, rules, filled and
// framed boxes. Positions are in the pixels of the device the page was laid
// out for, from the top-left corner of its printable area.
class PageCanvas {
public:
    virtual ~PageCanvas() = default;
    // `font` was sized for the layout's device; the text is drawn as is,
    // already cut to its place.
    virtual void text(QPointF baselineStart, const QString& text, const QFont& font) = 0;
    virtual void line(QPointF from, QPointF to, const QPen& pen) = 0;
    virtual void fill(const QRectF& box, const QColor& colour) = 0;
    virtual void frame(const QRectF& box, const QPen& pen) = 0;
};

// Draws through a QPainter: the printer, the preview, an image. A page laid
// out for another device than the painter's (a screen showing a page laid
// out for paper, with the painter scaled to match) gives the ratio of the
// layout's resolution to the painter's, by which type is sized.
class PainterCanvas final : public PageCanvas {
public:
    explicit PainterCanvas(QPainter& painter, double typeScale = 1.0) : painter_(painter), typeScale_(typeScale) {}
    void text(QPointF baselineStart, const QString& text, const QFont& font) override;
    void line(QPointF from, QPointF to, const QPen& pen) override;
    void fill(const QRectF& box, const QColor& colour) override;
    void frame(const QRectF& box, const QPen& pen) override;

private:
    QPainter& painter_;
    double typeScale_;
};

} // namespace varnel::reports
