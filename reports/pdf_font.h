#pragma once

#include <QByteArray>
#include <QMap>
#include <QRawFont>
#include <QSet>
#include <QString>
#include <memory>
#include <vector>

namespace varnel::reports {

// A TrueType face as a PDF embeds it: a CID font addressed by glyph index
// (Identity-H), with only the glyphs a document used kept in the embedded
// program, their widths, and the text each glyph stands for so a reader can
// search and copy it.
class PdfFont {
public:
    // The face behind `font`, or nothing when its outlines are not
    // TrueType (such glyphs are drawn as shapes instead).
    static std::unique_ptr<PdfFont> fromRawFont(const QRawFont& font);

    // The glyph of `codePoint` in this face; 0 when the face has none.
    quint16 glyphOf(char32_t codePoint);

    // Marks `glyph` as used, standing for `text` (the first text given to a
    // glyph is the one a reader gets back; an empty one gives none, as for a
    // glyph of a shaped run whose text the page carries otherwise).
    void use(quint16 glyph, const QString& text);
    // Whether `glyph` was used with a text already.
    bool knows(quint16 glyph) const { return glyph < usedFlags_.size() && usedFlags_[glyph]; }

    // Font units of the face's em, and a glyph's advance in thousandths of
    // an em, as a PDF's widths are given.
    int unitsPerEm() const { return unitsPerEm_; }
    int width(quint16 glyph) const;

    QString postScriptName() const { return postScriptName_; }
    // The embedded font program: the face's own tables with every glyph not
    // used left empty, so glyph indexes stay as they are.
    QByteArray subsetProgram() const;
    // The /W array of the used glyphs' widths.
    QByteArray widthsArray() const;
    // The ToUnicode CMap from the used glyphs to their text.
    QByteArray toUnicodeCMap() const;
    // /FontBBox, /Ascent, /Descent, /CapHeight, /ItalicAngle, /Flags, /StemV
    // in the face's measures, for the font descriptor.
    QByteArray descriptorMetrics() const;

private:
    explicit PdfFont(const QRawFont& font);
    QByteArray glyphData(quint16 glyph) const;
    QSet<quint16> keptGlyphs() const;

    QRawFont raw_;
    QByteArray head_, hhea_, hmtx_, loca_, glyf_;
    int unitsPerEm_ = 1000, glyphCount_ = 0, metricCount_ = 0;
    bool longOffsets_ = false;
    QString postScriptName_;
    std::vector<quint16> bmpGlyphs_;          // 0xffff: not looked up yet
    QMap<quint16, QString> used_;             // glyph -> its text
    std::vector<char> usedFlags_;             // glyph -> used with a text
};

} // namespace varnel::reports
