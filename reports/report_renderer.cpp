#include "reports/report_renderer.h"

#include "common/server_connection.h"
#include "reports/page_canvas.h"
#include "reports/page_plan.h"
#include "reports/report_data.h"
#include "reports/report_layout.h"
#include "reports/report_progress.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPaintDevice>
#include <QUrl>
#include <algorithm>
#include <array>
#include <cmath>

namespace varnel::reports {

namespace {

// The roster a page names: the file's name, or the server's database.
QString rosterShownName(const RosterLocation& source)
{
    if (!source.isServer())
        return QFileInfo(source.text()).fileName();
    const QString database = QUrl(source.text()).path().remove(0, 1);
    return database.isEmpty() ? QUrl(source.text()).host() : database;
}

QFont reportFont(double points, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    // No shaping for Latin text: no "fi" ligature glyphs, so the PDF's text
    // is searched and copied as typed, and long reports lay out faster. No
    // kerning either: a text is as wide as its glyphs' own advances, which
    // is all a PDF's font tells a reader.
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setKerning(false);
    return font;
}

// A font sized for a device, with its metrics. Text of Latin-1 letters is
// measured from the advances of its characters, kept once: with no kerning
// and no shaping that is what a text is as wide as, at a fraction of the
// cost of laying the text out.
struct Face {
    QFont font;
    QFontMetricsF metrics;
    std::array<double, 256> latin{};

    Face(const QFont& f, QPaintDevice* device) : font(f, device), metrics(font, device)
    {
        latin.fill(-1);
        for (char16_t c = 0x20; c < latin.size(); ++c)
            latin[c] = c < 0x7f || c >= 0xa0 ? metrics.horizontalAdvance(QChar(c)) : -1;
    }

    double advance(const QString& text) const
    {
        double sum = 0;
        for (const QChar c : text) {
            const double width = c.unicode() < latin.size() ? latin[c.unicode()] : -1;
            if (width < 0)
                return metrics.horizontalAdvance(text);
            sum += width;
        }
        return sum;
    }
};

} // namespace

// Paints the pages of one report for one device. Sizes follow the device's
// resolution; positions are in device pixels from the top-left of the
// printable area.
class PagePainter {
public:
    PagePainter(const ReportLayout& layout, const ReportData& data, QDate printedOn, QPaintDevice& device,
                QStringList* cut)
        : layout_(layout), data_(data), printedOn_(printedOn), cut_(cut),
          body_(reportFont(layout.fontSize, false), &device),
          bold_(reportFont(layout.fontSize, true), &device),
          small_(reportFont(layout.fontSize * 0.85, false), &device),
          title_(reportFont(layout.fontSize * 1.6, true), &device),
          recordTitle_(reportFont(layout.fontSize * 1.4, true), &device)
    {
        width_ = device.width();
        height_ = device.height();
        const double dpi = device.logicalDpiY();
        hairline_ = QPen(Qt::black, dpi / 144.0);   // half a point
        dotted_ = QPen(Qt::gray, dpi / 144.0, Qt::DotLine);
        row_ = body_.metrics.height() * 1.25;
        gap_ = body_.metrics.averageCharWidth() * 0.6;

        headerHeight_ = title_.metrics.height() + small_.metrics.height() * 1.4;
        if (layout_.kind == ReportLayout::Kind::List)
            headerHeight_ += row_ * 1.3;  // column headings
        footerHeight_ = small_.metrics.height() * 1.8;

        heights_.row = row_;
        heights_.groupHeading = row_ * 1.7;
        heights_.groupSummary = row_ * 1.3;
        heights_.summary = row_ * 2.0;
        heights_.recordTitle = recordTitle_.metrics.height() * 2.0;
        heights_.section = row_ * 2.0;
        heights_.formLine = row_ * 1.6;
        heights_.histogram = row_ * 4.5;
        heights_.continued = layout_.kind == ReportLayout::Kind::List ? heights_.groupHeading : heights_.recordTitle;

        double total = 0;
        for (const ListColumn& column : layout_.columns)
            total += column.width;
        double x = 0;
        for (const ListColumn& column : layout_.columns) {
            const double w = width_ * column.width / total;
            columnX_.append(x);
            columnW_.append(w);
            x += w;
        }
    }

    double bodyHeight() const { return height_ - headerHeight_ - footerHeight_; }
    const ItemHeights& heights() const { return heights_; }

    void paintPage(const PagePlan& plan, int pageIndex, PageCanvas& canvas)
    {
        canvas_ = &canvas;
        const PlanPage& page = plan.pages[pageIndex];
        paintHeader(pageIndex + 1, int(plan.pages.size()));
        double y = headerHeight_;
        if (page.continuedRow >= 0) {
            if (layout_.kind == ReportLayout::Kind::List)
                paintGroupHeading(y, page.continuedRow, true);
            else
                paintRecordTitle(y, page.continuedRow, true);
            y += heights_.continued;
        }
        for (int i = page.first; i < page.end; ++i)
            y += paintItem(plan.items[i], y);
        paintFooter();
    }

private:
    // No line of a page holds this many characters, even of the narrowest
    // glyph at the smallest type (a legal page across at 5 points holds
    // some 700). Longer text is cut before it is measured: measuring lays
    // out every character, seconds and hundreds of megabytes for a value of
    // a few megabytes.
    static constexpr qsizetype kLongestLine = 1000;

    static QString cutForLine(const QString& text)
    {
        if (text.size() <= kLongestLine)
            return text;
        qsizetype keep = kLongestLine - 1;
        if (text.at(keep - 1).isHighSurrogate())
            --keep;
        return text.left(keep) + QChar(0x2026);  // the ellipsis, as when elided
    }

    // Draws `text` in the box [x, x + w) on the baseline, shortened with an
    // ellipsis when it does not fit. A soldier's value is `Value`; the
    // layout's own words are noted when they are cut.
    enum class Text { Layout, Value };
    void cell(const Face& face, double x, double w, double baseline, const QString& text, Align align,
              Text kind = Text::Layout)
    {
        if (text.isEmpty())
            return;
        const double room = w - 2 * gap_;
        QString shown = cutForLine(text);
        double advance = face.advance(shown);
        if (advance > room) {
            shown = face.metrics.elidedText(shown, Qt::ElideRight, room);
            advance = face.advance(shown);
            if (cut_ && kind == Text::Layout)
                cut_->append(text);
        }
        double left = x + gap_;
        if (align == Align::Right)
            left = x + w - gap_ - advance;
        else if (align == Align::Center)
            left = x + (w - advance) / 2;
        canvas_->text(QPointF(left, baseline), shown, face.font);
    }

    void rule(double y, const QPen& pen, double from = 0, double to = -1)
    {
        canvas_->line(QPointF(from, y), QPointF(to < 0 ? width_ : to, y), pen);
    }

    void paintHeader(int page, int pages)
    {
        const double titleBase = title_.metrics.ascent();
        cell(title_, -gap_, width_ * 0.75, titleBase, layout_.title, Align::Left);
        cell(body_, width_ * 0.6, width_ * 0.4 + gap_, titleBase,
             QCoreApplication::translate("varnel::reports", "Page %1 of %2").arg(page).arg(pages), Align::Right);
        const double lineBase = title_.metrics.height() + small_.metrics.ascent() + small_.metrics.height() * 0.2;
        cell(small_, -gap_, width_ * 0.5, lineBase,
             QCoreApplication::translate("varnel::reports", "Printed %1").arg(printedOn_.toString(layout_.dateFormat)), Align::Left);
        cell(small_, width_ * 0.5, width_ * 0.5 + gap_, lineBase,
             QStringLiteral("Roster: %1").arg(rosterShownName(layout_.dataSource)), Align::Right);
        double y = title_.metrics.height() + small_.metrics.height() * 1.3;
        rule(y, hairline_);
        if (layout_.kind == ReportLayout::Kind::List) {
            const double base = y + row_ * 0.15 + bold_.metrics.ascent() + (row_ - bold_.metrics.height()) / 2;
            for (int c = 0; c < layout_.columns.size(); ++c)
                cell(bold_, columnX_[c], columnW_[c], base, layout_.columns[c].heading, layout_.columns[c].align);
            rule(y + row_ * 1.2, hairline_);
        }
    }

    void paintFooter()
    {
        const double y = height_ - footerHeight_ + small_.metrics.height() * 0.4;
        rule(y, hairline_);
        const double base = y + small_.metrics.height() * 0.3 + small_.metrics.ascent();
        // The layout's name at the right; its footer text gets the rest.
        const QString name = QFileInfo(layout_.path).fileName();
        const double nameWidth = small_.metrics.horizontalAdvance(name) + 4 * gap_;
        cell(small_, width_ - nameWidth, nameWidth + gap_, base, name, Align::Right);
        cell(small_, -gap_, width_ - nameWidth, base, layout_.pageFooter, Align::Left);
    }

    double baselineIn(double top, double height, const Face& face) const
    {
        return top + height - (height - face.metrics.height()) / 2 - face.metrics.descent();
    }

    void paintGroupHeading(double y, int row, bool continued)
    {
        QString text = layout_.group.heading;
        text.replace(QStringLiteral("%1"), data_.value(row, layout_.group.field));
        if (continued)
            text += QStringLiteral(" (continued)");
        const double h = heights_.groupHeading;
        cell(bold_, 0, width_, y + h - row_ * 0.3 - bold_.metrics.descent(), text, Align::Left);
        rule(y + h - row_ * 0.15, dotted_);
    }

    void paintRecordTitle(double y, int row, bool continued)
    {
        QString text = layout_.recordTitle >= 0 ? data_.value(row, layout_.recordTitle) : QString();
        if (continued)
            text += QStringLiteral(" (continued)");
        const double base = y + recordTitle_.metrics.height() * 1.2;
        cell(recordTitle_, -gap_, width_, base, text, Align::Left, Text::Value);
        rule(base + recordTitle_.metrics.descent() + row_ * 0.2, hairline_);
    }

    // Form columns: label, entry, points, as shares of the line.
    static constexpr double kEntryX = 0.36, kEntryW = 0.44, kPointsX = 0.82, kPointsW = 0.18;

    void paintFormLine(double y, int row, const FormLine& line)
    {
        if (line.section) {
            const double base = baselineIn(y + row_ * 0.6, row_ * 1.2, bold_);
            cell(bold_, -gap_, width_ * kEntryX, base, line.label, Align::Left);
            cell(bold_, width_ * kEntryX, width_ * kEntryW, base, line.entryHeading, Align::Left);
            cell(bold_, width_ * kPointsX, width_ * kPointsW + gap_, base, line.pointsHeading, Align::Right);
            rule(y + heights_.section - row_ * 0.1, hairline_);
            return;
        }
        if (line.bar) {
            paintBar(y, row, line);
            return;
        }
        const Face& face = line.strong ? bold_ : body_;
        const double h = heights_.formLine;
        const double base = baselineIn(y, h, face);
        cell(face, -gap_, width_ * kEntryX, base, line.label, Align::Left);
        // Underlined blanks, as on a filled-in paper form.
        if (line.entry >= 0) {
            cell(face, width_ * kEntryX, width_ * kEntryW, base, data_.value(row, line.entry), Align::Left, Text::Value);
            rule(base + face.metrics.descent(), dotted_, width_ * kEntryX + gap_, width_ * (kEntryX + kEntryW) - gap_);
        }
        if (line.points >= 0) {
            cell(face, width_ * kPointsX, width_ * kPointsW + gap_, base, data_.value(row, line.points), Align::Right, Text::Value);
            rule(base + face.metrics.descent(), dotted_, width_ * kPointsX + gap_, width_);
        }
    }

    // The grey of a chart's bars and columns.
    static inline const QColor kChartFill{90, 90, 90};

    // A bar's value for the record in `row`: its points, nothing below 0;
    // what is no number draws no bar.
    double barValue(int row, const FormLine& line) const
    {
        bool ok = false;
        const double value = data_.value(row, line.points).toDouble(&ok);
        return ok && std::isfinite(value) ? std::max(0.0, value) : 0.0;
    }

    // The one scale of the form's bars for the record in `row`: the largest
    // cap or value among them fills the line.
    double barScale(int row) const
    {
        double scale = 0;
        for (const FormLine& line : layout_.lines) {
            if (line.bar)
                scale = std::max({scale, line.cap, barValue(row, line)});
        }
        return scale > 0 ? scale : 1;
    }

    // The label, the points as a filled bar inside an outline as long as
    // the cap (none without a cap), and the points as text ("35 of 50").
    void paintBar(double y, int row, const FormLine& line)
    {
        const double h = heights_.formLine;
        const double base = baselineIn(y, h, body_);
        cell(body_, -gap_, width_ * kEntryX, base, line.label, Align::Left);
        const double left = width_ * kEntryX + gap_;
        const double room = width_ * (kEntryX + kEntryW) - gap_ - left;
        const double scale = barScale(row);
        const QRectF bar(left, y + h * 0.25, room * barValue(row, line) / scale, h * 0.5);
        canvas_->fill(bar, kChartFill);
        QString points = data_.value(row, line.points);
        if (line.cap > 0) {
            canvas_->frame(QRectF(left, bar.top(), room * line.cap / scale, bar.height()), hairline_);
            points = QCoreApplication::translate("varnel::reports", "%1 of %2").arg(points, QString::number(line.cap));
        }
        cell(body_, width_ * kPointsX, width_ * kPointsW + gap_, base, points, Align::Right, Text::Value);
    }

    // The numbers of the histogram's field in rows [first, first + count),
    // as a row of ten columns from the least to the greatest, each as high
    // as the rows in its bin, with the range and the count of the numbers
    // beside it. Rows with no number there are left out.
    void paintHistogram(double y, int first, int count)
    {
        QList<double> numbers;
        for (int r = first; r < first + count; ++r) {
            bool ok = false;
            const double number = data_.value(r, layout_.group.histogram).toDouble(&ok);
            if (ok && std::isfinite(number))
                numbers << number;
        }
        const double h = heights_.histogram - row_ * 0.5;
        if (numbers.isEmpty()) {
            cell(small_, 0, width_, baselineIn(y, row_, small_),
                 QCoreApplication::translate("varnel::reports", "No numbers to chart."), Align::Left);
            return;
        }
        constexpr int kBins = 10;
        const auto [least, greatest] = std::minmax_element(numbers.cbegin(), numbers.cend());
        const double low = *least, span = *greatest - *least;
        std::array<int, kBins> bins{};
        for (const double n : numbers)
            ++bins[std::size_t(span > 0 ? std::min(kBins - 1, int((n - low) / span * kBins)) : 0)];
        const int tallest = *std::max_element(bins.cbegin(), bins.cend());
        const double left = width_ * 0.02, columnWidth = width_ * 0.025;
        for (int b = 0; b < kBins; ++b) {
            const double height = h * bins[std::size_t(b)] / tallest;
            canvas_->fill(QRectF(left + b * columnWidth, y + h - height, columnWidth * 0.8, height), kChartFill);
        }
        rule(y + h, hairline_, left, left + kBins * columnWidth);
        QString caption = layout_.group.histogramCaption;
        caption.replace(QStringLiteral("%1"), QString::number(numbers.size()))
            .replace(QStringLiteral("%2"), QString::number(low))
            .replace(QStringLiteral("%3"), QString::number(*greatest));
        cell(small_, left + kBins * columnWidth + gap_, width_ * 0.6, baselineIn(y, h, small_), caption, Align::Left);
    }

    double paintItem(const PlanItem& item, double y)
    {
        switch (item.type) {
        case PlanItem::GroupHeading:
            paintGroupHeading(y, item.row, false);
            return heights_.groupHeading;
        case PlanItem::Row: {
            const double base = baselineIn(y, row_, body_);
            for (int c = 0; c < layout_.columns.size(); ++c)
                cell(body_, columnX_[c], columnW_[c], base, data_.value(item.row, layout_.columns[c].field),
                     layout_.columns[c].align, Text::Value);
            return row_;
        }
        case PlanItem::GroupSummary: {
            QString text = layout_.group.summary;
            text.replace(QStringLiteral("%1"), QString::number(item.count));
            cell(small_, 0, width_, baselineIn(y, heights_.groupSummary, small_), text, Align::Left);
            if (layout_.group.histogram < 0)
                return heights_.groupSummary;
            paintHistogram(y + heights_.groupSummary, item.row, item.count);
            return heights_.groupSummary + heights_.histogram;
        }
        case PlanItem::RecordTitle:
            paintRecordTitle(y, item.row, false);
            return heights_.recordTitle;
        case PlanItem::FormLine: {
            const FormLine& line = layout_.lines[item.count];
            paintFormLine(y, item.row, line);
            return line.section ? heights_.section : heights_.formLine;
        }
        case PlanItem::Summary: {
            rule(y + row_ * 0.4, hairline_);
            QString text = layout_.summary;
            text.replace(QStringLiteral("%1"), QString::number(item.count));
            cell(bold_, -gap_, width_, y + row_ * 0.5 + row_ + bold_.metrics.ascent() - bold_.metrics.height(), text,
                 Align::Left);
            return heights_.summary;
        }
        case PlanItem::NoRecords:
            cell(body_, -gap_, width_, y + row_ * 1.5, QCoreApplication::translate("varnel::reports", "There are no records to show."), Align::Left);
            return heights_.summary;
        }
        return 0;
    }

    const ReportLayout& layout_;
    const ReportData& data_;
    QDate printedOn_;
    QStringList* cut_;
    PageCanvas* canvas_ = nullptr;
    Face body_, bold_, small_, title_, recordTitle_;
    double width_ = 0, height_ = 0, row_ = 0, gap_ = 0;
    double headerHeight_ = 0, footerHeight_ = 0;
    QPen hairline_, dotted_;
    ItemHeights heights_;
    QVector<double> columnX_, columnW_;
};

ReportRenderer::ReportRenderer(const ReportLayout& layout, const ReportData& data, QDate printedOn)
    : layout_(layout), data_(data), printedOn_(printedOn)
{
}

QPageLayout ReportRenderer::pageLayout() const
{
    const double m = layout_.marginMm;
    return QPageLayout(QPageSize(layout_.pageSize), layout_.orientation, QMarginsF(m, m, m, m),
                       QPageLayout::Millimeter);
}

ReportPages::ReportPages(const ReportRenderer& report, QPaintDevice& device)
    : painter_(std::make_unique<PagePainter>(report.layout_, report.data_, report.printedOn_, device, report.cut_)),
      plan_(std::make_unique<PagePlan>(
          planPages(report.layout_, report.data_, painter_->heights(), painter_->bodyHeight())))
{
}

ReportPages::~ReportPages() = default;

int ReportPages::count() const { return int(plan_->pages.size()); }

void ReportPages::paint(int page, PageCanvas& canvas) const
{
    painter_->paintPage(*plan_, page, canvas);
}

ReportRenderer::Outcome ReportPages::paintAll(PageCanvas& canvas, ReportProgress& progress,
                                              const std::function<bool()>& nextPage) const
{
    progress.begin(QCoreApplication::translate("varnel::reports", "Laying out the pages..."), count());
    for (int p = 0; p < count(); ++p) {
        if (p > 0 && !nextPage())
            return ReportRenderer::Outcome::DeviceFailed;
        paint(p, canvas);
        if (!progress.step(p + 1))
            return ReportRenderer::Outcome::Stopped;
    }
    return ReportRenderer::Outcome::Done;
}

ReportRenderer::Outcome ReportRenderer::render(QPagedPaintDevice& device, ReportProgress& progress) const
{
    QPainter painter;
    if (!painter.begin(&device))
        return Outcome::DeviceFailed;
    PainterCanvas canvas(painter);
    const Outcome outcome = ReportPages(*this, device).paintAll(canvas, progress, [&] { return device.newPage(); });
    return painter.end() || outcome != Outcome::Done ? outcome : Outcome::DeviceFailed;
}

} // namespace varnel::reports
