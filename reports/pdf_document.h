#pragma once

#include "reports/page_canvas.h"

#include <QByteArray>
#include <QHash>
#include <QPageLayout>
#include <QPaintDevice>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class QIODevice;
class QRawFont;

namespace varnel::reports {

class PdfFont;

// Writes a PDF's numbered objects to a device and the table of where each
// one starts. Finished pages are compressed and written on a thread of
// their own while the next page is drawn, a few pages ahead at most.
class PdfObjectWriter {
public:
    struct PageJob {
        int contents = 0, page = 0;
        QByteArray dictionary;   // the page object's
        std::string content;     // the page's drawing, uncompressed
    };

    explicit PdfObjectWriter(QIODevice& out);
    ~PdfObjectWriter();

    int newObject();
    // Objects other than pages are written only while no page waits.
    void writeObject(int object, const QByteArray& body);
    void writeStream(int object, const QByteArray& dictionary, const QByteArray& data);
    void write(const char* bytes, std::size_t size);
    bool queuePage(PageJob job);
    void drainPages();
    // Writes the cross-reference table and the trailer (`trailer` holds the
    // entries after /Size) and hands everything to the device.
    bool finish(const QByteArray& trailer);
    bool failed() const { return failed_; }

private:
    void writeStream(int object, const QByteArray& dictionary, const char* data, std::size_t size);
    void writePages();
    void flush();

    QIODevice& out_;
    std::vector<qint64> offsets_{0};
    std::vector<std::pair<int, qint64>> placed_;   // object, offset, as written
    std::string pending_;
    qint64 written_ = 0;
    std::atomic<bool> failed_ = false;
    std::mutex mutex_;
    std::condition_variable ready_, room_;
    std::deque<PageJob> queue_;
    bool closing_ = false;
    std::thread worker_;
};

// Writes a PDF file page by page, as the pages are drawn: each page's
// content is compressed and written when the next one starts, so memory
// stays the same whatever the page count. Text is set in the faces' own
// embedded fonts (only the glyphs used are kept), searchable and copyable;
// glyphs of a face that cannot be embedded are drawn as shapes, carrying
// their text for a reader all the same.
class PdfDocument final : public PageCanvas {
public:
    PdfDocument(QIODevice& out, const QPageLayout& page, const QString& title, const QString& creator);
    ~PdfDocument() override;

    // The page's printable area at the document's resolution: what a report
    // is laid out for, and the unit of every position drawn.
    QPaintDevice& metrics() { return metrics_; }

    // Ends the page before, if any, and starts a new one. False once a
    // write failed.
    bool startPage();
    // Ends the last page and writes the rest of the file. False when a write
    // failed; the file is then not whole.
    bool finish();

    void text(QPointF baselineStart, const QString& text, const QFont& font) override;
    void line(QPointF from, QPointF to, const QPen& pen) override;
    void fill(const QRectF& box, const QColor& colour) override;
    void frame(const QRectF& box, const QPen& pen) override;

private:
    struct Face;
    struct Embedded {
        std::unique_ptr<PdfFont> font;
        int object = 0;
    };

    Face& faceOf(const QFont& font);
    int embeddedIndexOf(const QRawFont& raw);
    void drawShaped(QPointF baselineStart, const QString& text, const QFont& font);
    void setFont(int embedded, double points);
    void setFill(const QColor& colour);
    void setStroke(const QPen& pen);
    void point(QPointF at);
    void box(const QRectF& box, const char* paint);
    void number(double value);
    void endPage();

    PdfObjectWriter objects_;
    PageMetrics metrics_;
    QString title_, creator_;
    double pageWidth_ = 0, pageHeight_ = 0, left_ = 0, top_ = 0, scale_ = 1;
    bool inPage_ = false;
    std::string content_;
    QList<int> pages_;
    QHash<QString, std::shared_ptr<Face>> faces_;
    std::vector<std::pair<QFont, std::shared_ptr<Face>>> recentFaces_;
    QHash<QString, int> embeddedByName_;
    std::vector<Embedded> embedded_;
    // The graphics state of the page being drawn, so that each operator is
    // written only when it changes.
    int currentFont_ = -1;
    double currentSize_ = 0, currentLineWidth_ = -1;
    QRgb currentFill_ = 0, currentStroke_ = 0;
    int currentDash_ = 0;
};

} // namespace varnel::reports
