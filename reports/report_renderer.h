#pragma once

#include <QDate>
#include <QPageLayout>
#include <QStringList>
#include <functional>
#include <memory>

class QPagedPaintDevice;
class QPaintDevice;

namespace varnel::reports {

class PageCanvas;
class PagePainter;
class ReportData;
class ReportProgress;
struct PagePlan;
struct ReportLayout;

// Paints a report onto pages: a page header (title, date printed, "Page n of
// m"), column headings on every page of a list, group headings, records, a
// page footer. The same renderer paints the preview, the printer and PDF
// files, so it keeps no state between calls.
class ReportRenderer {
public:
    enum class Outcome { Done, Stopped, DeviceFailed };

    ReportRenderer(const ReportLayout& layout, const ReportData& data, QDate printedOn);

    // The paper, orientation and margins the layout asks for; set on a device
    // before it is first painted.
    QPageLayout pageLayout() const;

    // Lays out and paints every page on `device` with the device's current
    // page layout. Stopped: progress reported a cancel. DeviceFailed: the
    // device could not be painted on (e.g. the PDF file cannot be opened).
    Outcome render(QPagedPaintDevice& device, ReportProgress& progress) const;

    const ReportLayout& layout() const { return layout_; }

    // Where to note each of the layout's own texts (title, headings,
    // labels, group texts, footer) that had to be shortened to fit its
    // place, as the page shows it; none by default. A soldier's values may
    // be shortened; the layout's words should never need to be.
    void noteCutTextsIn(QStringList* cut) { cut_ = cut; }

private:
    friend class ReportPages;
    const ReportLayout& layout_;
    const ReportData& data_;
    QDate printedOn_;
    QStringList* cut_ = nullptr;
};

// A report laid out on the pages of one device (the device gives the
// printable area and the resolution that sizes the type): how many pages it
// has, and any page painted when it is asked for, on any canvas of that
// size. Lives no longer than the report it was made from.
class ReportPages {
public:
    ReportPages(const ReportRenderer& report, QPaintDevice& device);
    ~ReportPages();

    int count() const;
    void paint(int page, PageCanvas& canvas) const;

    // Paints every page in turn on `canvas`, calling `nextPage` between two
    // pages (false: the device refused the page), and reports each page to
    // `progress`, which may stop it.
    ReportRenderer::Outcome paintAll(PageCanvas& canvas, ReportProgress& progress,
                                     const std::function<bool()>& nextPage) const;

private:
    std::unique_ptr<PagePainter> painter_;
    std::unique_ptr<PagePlan> plan_;
};

} // namespace varnel::reports
