#include "reports/pdf_font.h"

#include <QList>
#include <QSet>
#include <algorithm>

namespace varnel::reports {

namespace {

quint16 u16(const QByteArray& data, qsizetype at)
{
    if (at < 0 || at + 2 > data.size())
        return 0;
    return quint16((quint8(data[at]) << 8) | quint8(data[at + 1]));
}

qint16 s16(const QByteArray& data, qsizetype at) { return qint16(u16(data, at)); }

quint32 u32(const QByteArray& data, qsizetype at)
{
    return (quint32(u16(data, at)) << 16) | u16(data, at + 2);
}

void put16(QByteArray& out, quint16 value)
{
    out.append(char(value >> 8));
    out.append(char(value & 0xff));
}

void put32(QByteArray& out, quint32 value)
{
    put16(out, quint16(value >> 16));
    put16(out, quint16(value & 0xffff));
}

void padTo4(QByteArray& data)
{
    while (data.size() % 4)
        data.append('\0');
}

quint32 tableChecksum(QByteArray data)
{
    padTo4(data);
    quint32 sum = 0;
    for (qsizetype at = 0; at < data.size(); at += 4)
        sum += u32(data, at);
    return sum;
}

// A name a PDF may carry: letters, digits and hyphens only.
QString pdfNamePart(const QString& text)
{
    QString name;
    for (const QChar c : text) {
        if (c.unicode() < 128 && (c.isLetterOrNumber() || c == u'-'))
            name += c;
    }
    return name;
}

QByteArray hex4(quint16 value) { return QByteArray::number(value, 16).rightJustified(4, '0').toUpper(); }

// The text's UTF-16 code units, each as four hex digits.
QByteArray utf16Hex(const QString& text)
{
    QByteArray out;
    for (const QChar c : text)
        out += hex4(c.unicode());
    return out;
}

} // namespace

PdfFont::PdfFont(const QRawFont& font) : raw_(font)
{
    head_ = raw_.fontTable("head");
    hhea_ = raw_.fontTable("hhea");
    hmtx_ = raw_.fontTable("hmtx");
    loca_ = raw_.fontTable("loca");
    glyf_ = raw_.fontTable("glyf");
    unitsPerEm_ = std::max<int>(16, u16(head_, 18));
    longOffsets_ = s16(head_, 50) == 1;
    glyphCount_ = u16(raw_.fontTable("maxp"), 4);
    metricCount_ = u16(hhea_, 34);
    QString style = raw_.styleName();
    if (style == QLatin1String("Regular") || style == QLatin1String("Book") || style == QLatin1String("Normal"))
        style.clear();
    postScriptName_ = pdfNamePart(raw_.familyName()) + (style.isEmpty() ? QString() : u'-' + pdfNamePart(style));
    bmpGlyphs_.assign(0x10000, 0xffff);
    usedFlags_.assign(std::size_t(glyphCount_), 0);
}

std::unique_ptr<PdfFont> PdfFont::fromRawFont(const QRawFont& font)
{
    std::unique_ptr<PdfFont> face(new PdfFont(font));
    const qsizetype locaEntries = face->loca_.size() / (face->longOffsets_ ? 4 : 2);
    const bool trueType = face->head_.size() >= 54 && face->hhea_.size() >= 36 && !face->glyf_.isEmpty()
                          && face->glyphCount_ > 0 && locaEntries > face->glyphCount_ && face->metricCount_ > 0
                          && face->hmtx_.size() >= face->metricCount_ * 4;
    return trueType ? std::move(face) : nullptr;
}

quint16 PdfFont::glyphOf(char32_t codePoint)
{
    if (codePoint < 0x10000 && bmpGlyphs_[codePoint] != 0xffff)
        return bmpGlyphs_[codePoint];
    const QString text = QString::fromUcs4(&codePoint, 1);
    quint32 glyphs[2] = {0, 0};
    int count = 2;
    if (!raw_.glyphIndexesForChars(text.constData(), int(text.size()), glyphs, &count) || count != 1)
        glyphs[0] = 0;
    const quint16 glyph = glyphs[0] < quint32(glyphCount_) ? quint16(glyphs[0]) : 0;
    if (codePoint < 0x10000)
        bmpGlyphs_[codePoint] = glyph;
    return glyph;
}

void PdfFont::use(quint16 glyph, const QString& text)
{
    if (glyph >= usedFlags_.size())
        return;
    QString& known = used_[glyph];
    if (known.isEmpty())
        known = text;
    usedFlags_[glyph] = !known.isEmpty();
}

int PdfFont::width(quint16 glyph) const
{
    const int metric = std::min<int>(glyph, metricCount_ - 1);
    return int(std::lround(u16(hmtx_, qsizetype(metric) * 4) * 1000.0 / unitsPerEm_));
}

QByteArray PdfFont::glyphData(quint16 glyph) const
{
    const qsizetype from = longOffsets_ ? u32(loca_, glyph * 4) : u16(loca_, glyph * 2) * 2;
    const qsizetype to = longOffsets_ ? u32(loca_, (glyph + 1) * 4) : u16(loca_, (glyph + 1) * 2) * 2;
    return to > from && to <= glyf_.size() ? glyf_.mid(from, to - from) : QByteArray();
}

QSet<quint16> PdfFont::keptGlyphs() const
{
    // The used glyphs, the missing glyph, and the parts composite glyphs
    // are made of.
    QSet<quint16> keep{0};
    QList<quint16> pending = used_.keys();
    while (!pending.isEmpty()) {
        const quint16 glyph = pending.takeLast();
        if (glyph >= glyphCount_ || (glyph != 0 && keep.contains(glyph)))
            continue;
        keep.insert(glyph);
        const QByteArray data = glyphData(glyph);
        if (s16(data, 0) >= 0)
            continue;
        constexpr quint16 kWords = 0x1, kScale = 0x8, kMore = 0x20, kXYScale = 0x40, kTwoByTwo = 0x80;
        qsizetype at = 10;
        quint16 flags = kMore;
        while ((flags & kMore) && at + 4 <= data.size()) {
            flags = u16(data, at);
            pending.append(u16(data, at + 2));
            at += 4 + ((flags & kWords) ? 4 : 2);
            at += (flags & kScale) ? 2 : (flags & kXYScale) ? 4 : (flags & kTwoByTwo) ? 8 : 0;
        }
    }
    return keep;
}

namespace {

// A TrueType file of `tables`, each under its tag, in the tags' order.
QByteArray sfntFile(const QMap<QByteArray, QByteArray>& tables)
{
    const quint16 count = quint16(tables.size());
    quint16 power = 1, log = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log;
    }
    QByteArray out;
    put32(out, 0x00010000);
    put16(out, count);
    put16(out, quint16(power * 16));
    put16(out, log);
    put16(out, quint16(count * 16 - power * 16));
    const quint32 offset = 12 + 16 * count;
    QByteArray bodies;
    for (auto table = tables.cbegin(); table != tables.cend(); ++table) {
        out += table.key();
        put32(out, tableChecksum(table.value()));
        put32(out, offset + quint32(bodies.size()));
        put32(out, quint32(table.value().size()));
        bodies += table.value();
        padTo4(bodies);
    }
    return out + bodies;
}

} // namespace

QByteArray PdfFont::subsetProgram() const
{
    const QSet<quint16> keep = keptGlyphs();
    QByteArray glyf, loca;
    for (int glyph = 0; glyph < glyphCount_; ++glyph) {
        put32(loca, quint32(glyf.size()));
        if (keep.contains(quint16(glyph))) {
            glyf += glyphData(quint16(glyph));
            padTo4(glyf);
        }
    }
    put32(loca, quint32(glyf.size()));

    QByteArray head = head_;
    head.replace(8, 4, QByteArray(4, '\0'));       // checkSumAdjustment: not kept
    head.replace(50, 2, QByteArray("\0\1", 2));    // long offsets in loca

    QMap<QByteArray, QByteArray> tables{{"head", head}, {"hhea", hhea_}, {"hmtx", hmtx_},
                                        {"loca", loca}, {"glyf", glyf},  {"maxp", raw_.fontTable("maxp")}};
    for (const char* tag : {"cvt ", "fpgm", "prep"}) {
        const QByteArray table = raw_.fontTable(tag);
        if (!table.isEmpty())
            tables.insert(tag, table);
    }
    return sfntFile(tables);
}

QByteArray PdfFont::widthsArray() const
{
    QByteArray out("[");
    int previous = -2;
    for (auto glyph = used_.keyBegin(); glyph != used_.keyEnd(); ++glyph) {
        if (*glyph != previous + 1)
            out += (previous >= 0 ? "] " : "") + QByteArray::number(*glyph) + " [";
        else
            out += ' ';
        out += QByteArray::number(width(*glyph));
        previous = *glyph;
    }
    return out + (previous >= 0 ? "]]" : "]");
}

QByteArray PdfFont::toUnicodeCMap() const
{
    QByteArray out("/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                   "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                   "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                   "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n");
    QList<QByteArray> lines;
    for (auto used = used_.cbegin(); used != used_.cend(); ++used) {
        if (!used.value().isEmpty())
            lines << '<' + hex4(used.key()) + "> <" + utf16Hex(used.value()) + ">\n";
    }
    for (qsizetype first = 0; first < lines.size(); first += 100) {
        const qsizetype count = std::min<qsizetype>(100, lines.size() - first);
        out += QByteArray::number(count) + " beginbfchar\n";
        for (qsizetype i = first; i < first + count; ++i)
            out += lines[i];
        out += "endbfchar\n";
    }
    return out + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

QByteArray PdfFont::descriptorMetrics() const
{
    const auto scaled = [&](qint16 units) { return QByteArray::number(std::lround(units * 1000.0 / unitsPerEm_)); };
    const QByteArray ascent = scaled(s16(hhea_, 4));
    return "/FontBBox [" + scaled(s16(head_, 36)) + ' ' + scaled(s16(head_, 38)) + ' ' + scaled(s16(head_, 40)) + ' '
           + scaled(s16(head_, 42)) + "] /Ascent " + ascent + " /Descent " + scaled(s16(hhea_, 6)) + " /CapHeight "
           + ascent + " /ItalicAngle 0 /Flags 32 /StemV 80";
}

} // namespace varnel::reports
