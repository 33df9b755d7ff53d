#include "reports/pdf_document.h"

#include "reports/pdf_font.h"

#include <QDateTime>
#include <QIODevice>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>
#include <QVarLengthArray>
#include <cmath>
#include <string>

namespace varnel::reports {

namespace {

constexpr int kDotsPerInch = PageMetrics::kLayoutDotsPerInch;
constexpr double kPointsPerInch = 72.0;
// Page contents compress fast rather than small: most of a page is text
// that repeats on every page.
constexpr int kCompression = 1;
constexpr std::size_t kWriteChunk = 1 << 20;
constexpr std::size_t kPagesAhead = 8;

// The object numbers fixed from the start: the catalog, the page tree and
// the resources every page shares.
constexpr int kCatalog = 1, kPageTree = 2, kResources = 3;

const char kHexDigits[] = "0123456789ABCDEF";

// A glyph index in a literal string: two bytes, high first, with the
// string's own delimiters and the carriage return (which a reader would
// take for a line feed) escaped.
void appendGlyph(std::string& out, quint16 glyph)
{
    for (const char byte : {char(glyph >> 8), char(glyph & 0xff)}) {
        if (byte == '(' || byte == ')' || byte == '\\')
            out += '\\';
        if (byte == '\r')
            out += "\\r";
        else
            out += byte;
    }
}

void appendHex4(QByteArray& out, quint16 value)
{
    const char digits[4] = {kHexDigits[value >> 12], kHexDigits[(value >> 8) & 15], kHexDigits[(value >> 4) & 15],
                            kHexDigits[value & 15]};
    out.append(digits, 4);
}

// A text string of a PDF: UTF-16 with its byte order mark, in hex.
QByteArray textString(const QString& text)
{
    QByteArray out("<FEFF");
    for (const QChar c : text)
        appendHex4(out, c.unicode());
    return out + '>';
}

QByteArray ref(int object) { return QByteArray::number(object) + " 0 R"; }

// A subset's name starts with six capitals of its own.
QByteArray subsetTag(int index)
{
    QByteArray tag("AAAAAA");
    for (int at = 5; at >= 0 && index > 0; --at, index /= 26)
        tag[at] = char('A' + index % 26);
    return tag + '+';
}

} // namespace

struct PdfDocument::Face {
    QRawFont raw;
    int embedded = -1;  // -1: drawn as shapes
    double points = 0;
};

PdfDocument::PdfDocument(QIODevice& out, const QPageLayout& page, const QString& title, const QString& creator)
    : objects_(out), metrics_(page, kDotsPerInch), title_(title), creator_(creator)
{
    const QRectF full = page.fullRectPoints();
    const QRectF area = page.paintRect(QPageLayout::Point);
    pageWidth_ = full.width();
    pageHeight_ = full.height();
    left_ = area.left();
    top_ = area.top();
    scale_ = kPointsPerInch / kDotsPerInch;
    for (int object = 1; object <= kResources; ++object)
        objects_.newObject();
    // The binary comment marks the file as binary for programs that look.
    static const char header[] = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    objects_.write(header, sizeof header - 1);
    content_.reserve(16 * 1024);
}

PdfDocument::~PdfDocument() = default;

PdfObjectWriter::PdfObjectWriter(QIODevice& out) : out_(out) {}

PdfObjectWriter::~PdfObjectWriter()
{
    {
        const std::lock_guard lock(mutex_);
        queue_.clear();
    }
    drainPages();
}

int PdfObjectWriter::newObject()
{
    offsets_.push_back(0);
    return int(offsets_.size() - 1);
}

void PdfObjectWriter::write(const char* bytes, std::size_t size)
{
    pending_.append(bytes, size);
    written_ += qint64(size);
    if (pending_.size() >= kWriteChunk)
        flush();
}

void PdfObjectWriter::flush()
{
    if (!failed_ && !pending_.empty() && out_.write(pending_.data(), qint64(pending_.size())) != qint64(pending_.size()))
        failed_ = true;
    pending_.resize(0);
}

void PdfObjectWriter::writeObject(int object, const QByteArray& body)
{
    placed_.emplace_back(object, written_);
    const QByteArray text = QByteArray::number(object) + " 0 obj\n" + body + "\nendobj\n";
    write(text.constData(), std::size_t(text.size()));
}

void PdfObjectWriter::writeStream(int object, const QByteArray& dictionary, const char* data, std::size_t size)
{
    // qCompress puts the length before the zlib stream a PDF wants.
    const QByteArray packed = qCompress(reinterpret_cast<const uchar*>(data), qsizetype(size), kCompression);
    placed_.emplace_back(object, written_);
    const QByteArray head = QByteArray::number(object) + " 0 obj\n<< " + dictionary + " /Filter /FlateDecode /Length "
                            + QByteArray::number(packed.size() - 4) + " >>\nstream\n";
    write(head.constData(), std::size_t(head.size()));
    write(packed.constData() + 4, std::size_t(packed.size() - 4));
    static const char tail[] = "\nendstream\nendobj\n";
    write(tail, sizeof tail - 1);
}

void PdfObjectWriter::writeStream(int object, const QByteArray& dictionary, const QByteArray& data)
{
    writeStream(object, dictionary, data.constData(), std::size_t(data.size()));
}

bool PdfObjectWriter::queuePage(PageJob job)
{
    std::unique_lock lock(mutex_);
    if (!worker_.joinable()) {
        closing_ = false;
        worker_ = std::thread([this] { writePages(); });
    }
    // A few pages ahead at most: memory stays flat however long the report.
    room_.wait(lock, [&] { return queue_.size() < kPagesAhead; });
    queue_.push_back(std::move(job));
    ready_.notify_one();
    return !failed_;
}

void PdfObjectWriter::writePages()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        ready_.wait(lock, [&] { return !queue_.empty() || closing_; });
        if (queue_.empty())
            return;
        PageJob job = std::move(queue_.front());
        queue_.pop_front();
        room_.notify_one();
        lock.unlock();
        writeStream(job.contents, QByteArray(), job.content.data(), job.content.size());
        writeObject(job.page, job.dictionary);
        lock.lock();
    }
}

void PdfObjectWriter::drainPages()
{
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
        ready_.notify_one();
    }
    if (worker_.joinable())
        worker_.join();
}

bool PdfObjectWriter::finish(const QByteArray& trailer)
{
    drainPages();
    for (const auto& [object, offset] : placed_)
        offsets_[std::size_t(object)] = offset;
    const qint64 table = written_;
    QByteArray xref = "xref\n0 " + QByteArray::number(qsizetype(offsets_.size())) + "\n0000000000 65535 f \n";
    for (std::size_t object = 1; object < offsets_.size(); ++object)
        xref += QByteArray::number(offsets_[object]).rightJustified(10, '0') + " 00000 n \n";
    xref += "trailer\n<< /Size " + QByteArray::number(qsizetype(offsets_.size())) + ' ' + trailer + " >>\nstartxref\n"
            + QByteArray::number(table) + "\n%%EOF\n";
    write(xref.constData(), std::size_t(xref.size()));
    flush();
    return !failed_;
}

bool PdfDocument::startPage()
{
    endPage();
    inPage_ = true;
    currentFont_ = -1;
    currentSize_ = 0;
    currentLineWidth_ = -1;
    currentFill_ = currentStroke_ = qRgb(0, 0, 0);
    currentDash_ = 0;
    return !objects_.failed();
}

void PdfDocument::endPage()
{
    if (!inPage_)
        return;
    inPage_ = false;
    const int contents = objects_.newObject();
    const int page = objects_.newObject();
    QByteArray box("[0 0 ");
    box += QByteArray::number(pageWidth_, 'f', 2) + ' ' + QByteArray::number(pageHeight_, 'f', 2) + ']';
    std::string content;
    content.reserve(content_.capacity());
    content.swap(content_);
    objects_.queuePage({contents, page,
                        "<< /Type /Page /Parent " + ref(kPageTree) + " /MediaBox " + box + " /Resources "
                            + ref(kResources) + " /Contents " + ref(contents) + " >>",
                        std::move(content)});
    pages_ << page;
}

bool PdfDocument::finish()
{
    endPage();
    objects_.drainPages();
    QByteArray fonts;
    for (std::size_t index = 0; index < embedded_.size(); ++index) {
        const Embedded& face = embedded_[index];
        const QByteArray name = subsetTag(int(index)) + face.font->postScriptName().toLatin1();
        const int cidFont = objects_.newObject(), descriptor = objects_.newObject(), program = objects_.newObject(),
                  toUnicode = objects_.newObject();
        objects_.writeObject(face.object, "<< /Type /Font /Subtype /Type0 /BaseFont /" + name
                                     + " /Encoding /Identity-H /DescendantFonts [" + ref(cidFont)
                                     + "] /ToUnicode " + ref(toUnicode) + " >>");
        objects_.writeObject(cidFont, "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name
                                 + " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                                   " /FontDescriptor "
                                 + ref(descriptor) + " /CIDToGIDMap /Identity /W " + face.font->widthsArray() + " >>");
        objects_.writeObject(descriptor, "<< /Type /FontDescriptor /FontName /" + name + ' ' + face.font->descriptorMetrics()
                                    + " /FontFile2 " + ref(program) + " >>");
        const QByteArray subset = face.font->subsetProgram();
        objects_.writeStream(program, "/Length1 " + QByteArray::number(subset.size()), subset);
        objects_.writeStream(toUnicode, QByteArray(), face.font->toUnicodeCMap());
        fonts += " /F" + QByteArray::number(index + 1) + ' ' + ref(face.object);
    }
    objects_.writeObject(kResources, "<< /ProcSet [/PDF /Text] /Font <<" + fonts + " >> >>");

    QByteArray kids;
    for (const int page : pages_)
        kids += ref(page) + ' ';
    objects_.writeObject(kPageTree, "<< /Type /Pages /Count " + QByteArray::number(pages_.size()) + " /Kids [" + kids.trimmed()
                               + "] >>");
    objects_.writeObject(kCatalog, "<< /Type /Catalog /Pages " + ref(kPageTree) + " >>");
    const int info = objects_.newObject();
    objects_.writeObject(info, "<< /Title " + textString(title_) + " /Creator " + textString(creator_) + " /Producer "
                          + textString(creator_) + " /CreationDate (D:"
                          + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1()
                          + "Z) >>");

    return objects_.finish("/Root " + ref(kCatalog) + " /Info " + ref(info));
}

// Positions: device pixels from the printable area's top-left, written as
// points from the page's bottom-left, to a hundredth.
void PdfDocument::number(double value)
{
    qint64 hundredths = std::llround(value * 100);
    char digits[32];
    char* end = digits + sizeof digits;
    char* at = end;
    *--at = ' ';
    const bool negative = hundredths < 0;
    if (negative)
        hundredths = -hundredths;
    if (const int rest = int(hundredths % 100)) {
        if (rest % 10)
            *--at = char('0' + rest % 10);
        *--at = char('0' + rest / 10);
        *--at = '.';
    }
    qint64 whole = hundredths / 100;
    do {
        *--at = char('0' + whole % 10);
        whole /= 10;
    } while (whole > 0);
    if (negative)
        *--at = '-';
    content_.append(at, end - at);
}

void PdfDocument::point(QPointF at)
{
    number(left_ + at.x() * scale_);
    number(pageHeight_ - (top_ + at.y() * scale_));
}

PdfDocument::Face& PdfDocument::faceOf(const QFont& font)
{
    // A report draws with a handful of fonts, each passed as the same
    // object every time: known copies are found without spelling the font.
    for (const auto& [known, face] : recentFaces_) {
        if (font.isCopyOf(known))
            return *face;
    }
    if (recentFaces_.size() > 32)
        recentFaces_.clear();
    const QString key = font.key();
    auto found = faces_.constFind(key);
    if (found != faces_.constEnd()) {
        recentFaces_.emplace_back(font, *found);
        return **found;
    }
    auto face = std::make_shared<Face>();
    face->raw = QRawFont::fromFont(font);
    face->points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * kPointsPerInch / kDotsPerInch;
    face->embedded = embeddedIndexOf(face->raw);
    faces_.insert(key, face);
    recentFaces_.emplace_back(font, face);
    return *face;
}

int PdfDocument::embeddedIndexOf(const QRawFont& raw)
{
    const QString name = raw.familyName() + u'/' + raw.styleName() + u'/' + QString::number(raw.weight()) + u'/'
                         + QString::number(int(raw.style()));
    auto found = embeddedByName_.constFind(name);
    if (found != embeddedByName_.constEnd())
        return *found;
    int index = -1;
    if (std::unique_ptr<PdfFont> font = PdfFont::fromRawFont(raw)) {
        index = int(embedded_.size());
        embedded_.push_back({std::move(font), objects_.newObject()});
    }
    embeddedByName_.insert(name, index);
    return index;
}

void PdfDocument::setFont(int embedded, double points)
{
    if (embedded == currentFont_ && points == currentSize_)
        return;
    currentFont_ = embedded;
    currentSize_ = points;
    content_ += "/F";
    content_ += std::to_string(embedded + 1);
    content_ += ' ';
    number(points);
    content_ += "Tf\n";
}

void PdfDocument::setFill(const QColor& colour)
{
    const QRgb rgb = colour.rgb();
    if (rgb == currentFill_)
        return;
    currentFill_ = rgb;
    number(qRed(rgb) / 255.0);
    number(qGreen(rgb) / 255.0);
    number(qBlue(rgb) / 255.0);
    content_ += "rg\n";
}

void PdfDocument::setStroke(const QPen& pen)
{
    const double width = std::max(pen.widthF(), 1.0) * scale_;
    if (width != currentLineWidth_) {
        currentLineWidth_ = width;
        number(width);
        content_ += "w\n";
    }
    const QRgb rgb = pen.color().rgb();
    if (rgb != currentStroke_) {
        currentStroke_ = rgb;
        number(qRed(rgb) / 255.0);
        number(qGreen(rgb) / 255.0);
        number(qBlue(rgb) / 255.0);
        content_ += "RG\n";
    }
    // Dots and dashes in pen widths, as Qt draws them.
    const int dash = pen.style() == Qt::DotLine ? 1 : pen.style() == Qt::DashLine ? 4 : 0;
    if (dash != currentDash_) {
        currentDash_ = dash;
        content_ += '[';
        if (dash) {
            number(dash * width);
            number(2 * width);
        }
        content_ += "] 0 d\n";
    }
}

void PdfDocument::text(QPointF baselineStart, const QString& text, const QFont& font)
{
    Face& face = faceOf(font);
    QVarLengthArray<quint16, 256> glyphs;
    if (face.embedded >= 0) {
        PdfFont& pdf = *embedded_[std::size_t(face.embedded)].font;
        const QChar* c = text.constData();
        const QChar* const end = c + text.size();
        while (c < end) {
            char32_t codePoint = c->unicode();
            const QChar* const start = c++;
            if (QChar::isHighSurrogate(codePoint) && c < end && c->isLowSurrogate())
                codePoint = QChar::surrogateToUcs4(char16_t(codePoint), (c++)->unicode());
            const quint16 glyph = pdf.glyphOf(codePoint);
            if (glyph == 0)
                break;
            if (!pdf.knows(glyph))
                pdf.use(glyph, QString(start, c - start));
            glyphs.append(glyph);
        }
        if (c == end) {
            setFill(Qt::black);
            setFont(face.embedded, face.points);
            content_ += "BT ";
            point(baselineStart);
            content_ += "Td (";
            for (const quint16 glyph : glyphs)
                appendGlyph(content_, glyph);
            content_ += ") Tj ET\n";
            return;
        }
    }
    drawShaped(baselineStart, text, font);
}

// Text with characters the face has no glyph for: Qt lays it out, taking
// each such character from another face, and every glyph is placed where
// the layout put it. The whole text is given to a reader as it was written.
void PdfDocument::drawShaped(QPointF baselineStart, const QString& text, const QFont& font)
{
    QTextLayout layout(text, font, &metrics_);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    if (!line.isValid())
        return;
    setFill(Qt::black);
    content_ += ("/Span << /ActualText " + textString(text) + " >> BDC\n").toStdString();
    const QPointF origin(baselineStart.x(), baselineStart.y() - line.ascent());
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QRawFont raw = run.rawFont();
        const int embedded = embeddedIndexOf(raw);
        const QList<quint32> indexes = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype g = 0; g < indexes.size() && g < positions.size(); ++g) {
            const QPointF at = origin + positions[g];
            if (embedded >= 0) {
                embedded_[std::size_t(embedded)].font->use(quint16(indexes[g]), QString());
                setFont(embedded, raw.pixelSize() * kPointsPerInch / kDotsPerInch);
                content_ += "BT ";
                point(at);
                content_ += "Td (";
                appendGlyph(content_, quint16(indexes[g]));
                content_ += ") Tj ET\n";
                continue;
            }
            const QPainterPath path = raw.pathForGlyph(indexes[g]);
            for (int e = 0; e < path.elementCount(); ++e) {
                const QPainterPath::Element element = path.elementAt(e);
                point(at + QPointF(element.x, element.y));
                if (element.isMoveTo()) {
                    content_ += "m\n";
                } else if (element.isLineTo()) {
                    content_ += "l\n";
                } else {
                    point(at + QPointF(path.elementAt(e + 1).x, path.elementAt(e + 1).y));
                    point(at + QPointF(path.elementAt(e + 2).x, path.elementAt(e + 2).y));
                    content_ += "c\n";
                    e += 2;
                }
            }
            if (path.elementCount() > 0)
                content_ += "f\n";
        }
    }
    content_ += "EMC\n";
}

void PdfDocument::line(QPointF from, QPointF to, const QPen& pen)
{
    setStroke(pen);
    point(from);
    content_ += "m ";
    point(to);
    content_ += "l S\n";
}

// A box from its corner nearest the page's foot, then filled or stroked.
void PdfDocument::box(const QRectF& box, const char* paint)
{
    point(box.bottomLeft());
    number(box.width() * scale_);
    number(box.height() * scale_);
    content_ += paint;
}

void PdfDocument::fill(const QRectF& box, const QColor& colour)
{
    setFill(colour);
    this->box(box, "re f\n");
}

void PdfDocument::frame(const QRectF& box, const QPen& pen)
{
    setStroke(pen);
    this->box(box, "re S\n");
}

} // namespace varnel::reports
