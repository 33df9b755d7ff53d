#include "ui/report_preview.h"

#include "reports/page_canvas.h"
#include "reports/report_layout.h"
#include "reports/report_renderer.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace varnel::ui {

namespace {

// Screen pixels between two pages and around them.
constexpr int kGap = 12;
constexpr double kZoomStep = 1.25, kLeastZoom = 0.1, kGreatestZoom = 8.0;

} // namespace

PageView::PageView(const reports::ReportPages& pages, const QPageLayout& page, QWidget* parent)
    : QAbstractScrollArea(parent), pages_(pages), page_(page)
{
    setObjectName(QStringLiteral("pageView"));
    setFocusPolicy(Qt::StrongFocus);
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setSingleStep(20);
}

QSizeF PageView::pageSize() const { return page_.fullRectPoints().size() * zoom_; }

double PageView::pageStep() const { return pageSize().height() + kGap; }

double PageView::widthFittingZoom() const
{
    const double room = viewport()->width() - 2.0 * kGap;
    return std::clamp(room / page_.fullRectPoints().width(), kLeastZoom, kGreatestZoom);
}

int PageView::pageInView() const
{
    const int page = int((verticalScrollBar()->value() + pageStep() / 2 - kGap) / pageStep());
    return std::clamp(page, 0, std::max(0, pages_.count() - 1));
}

void PageView::showPage(int page)
{
    verticalScrollBar()->setValue(int(std::lround(std::clamp(page, 0, pages_.count() - 1) * pageStep())));
}

void PageView::setZoom(double pixelsPerPoint)
{
    const int page = pageInView();
    fitWidth_ = false;
    zoom_ = std::clamp(pixelsPerPoint, kLeastZoom, kGreatestZoom);
    updateScrollBars();
    showPage(page);
    viewport()->update();
}

void PageView::updateScrollBars()
{
    const double total = pages_.count() * pageStep() + kGap;
    // A scroll bar counts in int: a report of a great many pages at a great
    // zoom scrolls as far as an int goes.
    const int height = int(std::min<double>(total - viewport()->height(), INT_MAX));
    verticalScrollBar()->setRange(0, std::max(0, height));
    verticalScrollBar()->setPageStep(viewport()->height());
    horizontalScrollBar()->setRange(0, std::max(0, int(pageSize().width()) + 2 * kGap - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void PageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (fitWidth_) {
        const int page = pageInView();
        zoom_ = widthFittingZoom();
        updateScrollBars();
        showPage(page);
    } else {
        updateScrollBars();
    }
}

void PageView::scrollContentsBy(int, int)
{
    viewport()->update();
    emit pageInViewChanged(pageInView());
}

void PageView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Dark));
    if (pages_.count() == 0)
        return;
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    const QSizeF size = pageSize();
    const double top = verticalScrollBar()->value();
    const double left = std::max<double>(kGap, (viewport()->width() - size.width()) / 2) - horizontalScrollBar()->value();
    const int first = std::max(0, int((top - kGap) / pageStep()));
    const int last = std::min(pages_.count() - 1, int((top + viewport()->height()) / pageStep()));
    const QRectF printable = page_.paintRect(QPageLayout::Point);
    const double deviceScale = zoom_ * 72.0 / reports::PageMetrics::kLayoutDotsPerInch;
    for (int page = first; page <= last; ++page) {
        const QRectF sheet(left, kGap + page * pageStep() - top, size.width(), size.height());
        painter.fillRect(sheet.translated(3, 3), QColor(0, 0, 0, 60));
        painter.fillRect(sheet, Qt::white);
        painter.save();
        painter.setClipRect(sheet);
        painter.translate(sheet.left() + printable.left() * zoom_, sheet.top() + printable.top() * zoom_);
        painter.scale(deviceScale, deviceScale);
        reports::PainterCanvas canvas(painter, double(reports::PageMetrics::kLayoutDotsPerInch) / logicalDpiY());
        pages_.paint(page, canvas);
        painter.restore();
    }
}

ReportPreview::ReportPreview(const reports::ReportRenderer& report, QPrinter& printer, QWidget* parent)
    : QDialog(parent), printer_(printer), metrics_(std::make_unique<reports::PageMetrics>(report.pageLayout())),
      pages_(std::make_unique<reports::ReportPages>(report, *metrics_))
{
    setObjectName(QStringLiteral("reportPreview"));
    setWindowTitle(report.layout().title);
    view_ = new PageView(*pages_, report.pageLayout(), this);

    auto* toolbar = new QToolBar(this);
    const auto add = [&](const char* name, const QString& text, const QKeySequence& keys, auto slot) {
        QAction* action = toolbar->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add("firstPage", tr("First Page"), QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { view_->showPage(0); });
    add("previousPage", tr("Previous Page"), QKeySequence(Qt::Key_PageUp),
        [this] { view_->showPage(view_->pageInView() - 1); });
    pageNumber_ = new QSpinBox(toolbar);
    pageNumber_->setObjectName(QStringLiteral("pageNumber"));
    pageNumber_->setRange(1, std::max(1, pages_->count()));
    pageNumber_->setKeyboardTracking(false);
    toolbar->addWidget(pageNumber_);
    pageTotal_ = new QLabel(tr(" of %1 ").arg(pages_->count()), toolbar);
    toolbar->addWidget(pageTotal_);
    add("nextPage", tr("Next Page"), QKeySequence(Qt::Key_PageDown), [this] { view_->showPage(view_->pageInView() + 1); });
    add("lastPage", tr("Last Page"), QKeySequence(Qt::CTRL | Qt::Key_End),
        [this] { view_->showPage(pages_->count() - 1); });
    toolbar->addSeparator();
    add("zoomOut", tr("Zoom Out"), QKeySequence::ZoomOut, [this] { view_->setZoom(view_->zoom() / kZoomStep); });
    add("zoomIn", tr("Zoom In"), QKeySequence::ZoomIn, [this] { view_->setZoom(view_->zoom() * kZoomStep); });
    add("fitWidth", tr("Fit Width"), QKeySequence(), [this] { view_->setZoom(view_->widthFittingZoom()); });
    toolbar->addSeparator();
    add("print", tr("Print..."), QKeySequence::Print, [this] { askAndPrint(); });
    add("exportPdf", tr("Export PDF..."), QKeySequence(), [this] { emit exportRequested(); });

    connect(pageNumber_, &QSpinBox::valueChanged, this, [this](int page) {
        if (page - 1 != view_->pageInView())
            view_->showPage(page - 1);
    });
    connect(view_, &PageView::pageInViewChanged, this, &ReportPreview::showPageNumber);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar);
    layout->addWidget(view_, 1);
    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                           : QRect(0, 0, 1024, 768);
    resize(std::min(900, screen.width() * 9 / 10), screen.height() * 9 / 10);
    view_->setFocus();
}

ReportPreview::~ReportPreview() = default;

int ReportPreview::pageCount() const { return pages_->count(); }

void ReportPreview::showPageNumber(int page)
{
    const QSignalBlocker quiet(pageNumber_);
    pageNumber_->setValue(page + 1);
}

void ReportPreview::print() { emit printRequested(&printer_); }

void ReportPreview::askAndPrint()
{
    QPrintDialog dialog(&printer_, this);
    if (dialog.exec() == QDialog::Accepted)
        print();
}

} // namespace varnel::ui
