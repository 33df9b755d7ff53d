#pragma once

#include <QAbstractScrollArea>
#include <QDialog>
#include <QPageLayout>
#include <QPrinter>
#include <memory>

class QLabel;
class QSpinBox;

namespace varnel::reports {
class PageMetrics;
class ReportPages;
class ReportRenderer;
}

namespace varnel::ui {

// The pages of a report one under another, each drawn only while it is in
// view: memory and the time to open stay the same however many pages the
// report has.
class PageView final : public QAbstractScrollArea {
    Q_OBJECT
public:
    PageView(const reports::ReportPages& pages, const QPageLayout& page, QWidget* parent = nullptr);

    // Screen pixels per point of paper.
    double zoom() const { return zoom_; }
    void setZoom(double pixelsPerPoint);
    // The zoom at which a page fills the view's width.
    double widthFittingZoom() const;
    // The first page (from 0) whose lower half is in view.
    int pageInView() const;
    void showPage(int page);

signals:
    void pageInViewChanged(int page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    double pageStep() const;
    QSizeF pageSize() const;
    void updateScrollBars();

    const reports::ReportPages& pages_;
    QPageLayout page_;
    double zoom_ = 1.0;
    bool fitWidth_ = true;
};

// The report's print preview: its pages, the page shown and how many there
// are, zoom, Print... and Export PDF... (object names "print" and
// "exportPdf"). Printing lays the report out again for the printer chosen.
class ReportPreview final : public QDialog {
    Q_OBJECT
public:
    ReportPreview(const reports::ReportRenderer& report, QPrinter& printer, QWidget* parent = nullptr);
    ~ReportPreview() override;

    int pageCount() const;
    PageView& view() { return *view_; }
    QPrinter& printer() { return printer_; }

    // Prints to the printer as it is set, without asking.
    void print();

signals:
    // The report is to be painted on `printer`, every page.
    void printRequested(QPrinter* printer);
    void exportRequested();

private:
    void askAndPrint();
    void showPageNumber(int page);

    QPrinter& printer_;
    std::unique_ptr<reports::PageMetrics> metrics_;
    std::unique_ptr<reports::ReportPages> pages_;
    PageView* view_ = nullptr;
    QSpinBox* pageNumber_ = nullptr;
    QLabel* pageTotal_ = nullptr;
};

} // namespace varnel::ui
