#include "common/name_order.h"

#include <QList>
#include <algorithm>

namespace varnel {

namespace {

bool isAscii(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

bool isAscii(QByteArrayView text)
{
    for (const char c : text) {
        if (uchar(c) >= 0x80)
            return false;
    }
    return true;
}

char lowered(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool isMark(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining || category == QChar::Mark_Enclosing;
}

// Appends the full canonical decomposition of `c`, its combining marks left
// out. Character by character, so the whole fold takes time in proportion
// to the text: normalising a whole text to NFD first also puts its marks in
// canonical order, which for a long run of accented letters takes time in
// proportion to its square, and the marks are dropped anyway.
void appendDecomposedWithoutMarks(char32_t c, QString& out)
{
    // Hangul syllables decompose by arithmetic, not by a table.
    constexpr char32_t sBase = 0xAC00, lBase = 0x1100, vBase = 0x1161, tBase = 0x11A7;
    constexpr char32_t vCount = 21, tCount = 28, nCount = vCount * tCount, sCount = 19 * nCount;
    if (c >= sBase && c < sBase + sCount) {
        const char32_t index = c - sBase;
        out += QChar(char16_t(lBase + index / nCount));
        out += QChar(char16_t(vBase + (index % nCount) / tCount));
        if (const char32_t t = index % tCount; t != 0)
            out += QChar(char16_t(tBase + t));
        return;
    }
    if (QChar::decompositionTag(c) == QChar::Canonical) {
        const QString parts = QChar::decomposition(c);
        for (const char32_t part : parts.toUcs4())
            appendDecomposedWithoutMarks(part, out);
        return;
    }
    if (isMark(c))
        return;
    if (QChar::requiresSurrogates(c)) {
        out += QChar(QChar::highSurrogate(c));
        out += QChar(QChar::lowSurrogate(c));
    } else {
        out += QChar(char16_t(c));
    }
}

QByteArray foldedKey(QStringView name)
{
    QString decomposed;
    decomposed.reserve(name.size() + 8);
    qsizetype taken = 0;
    for (auto it = name.begin(); it != name.end() && taken < kFoldedNameLength; ++taken) {
        char32_t c = it->unicode();
        ++it;
        if (QChar::isHighSurrogate(c) && it != name.end() && it->isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), (it++)->unicode());
        appendDecomposedWithoutMarks(c, decomposed);
    }
    return decomposed.toCaseFolded().toUtf8();
}

} // namespace

// Most names are ASCII, where lower case is the whole folding.
QByteArray nameFoldKey(QStringView name)
{
    if (!isAscii(name.left(kFoldedNameLength)))
        return foldedKey(name);
    const qsizetype size = std::min(name.size(), kFoldedNameLength);
    QByteArray key(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        key[i] = lowered(char(name[i].unicode()));
    return key;
}

QByteArray nameFoldKeyOfUtf8(QByteArrayView utf8)
{
    // A character takes at most 4 bytes: this much holds the folded
    // beginning whatever the text.
    const QByteArrayView head = utf8.first(std::min(utf8.size(), kFoldedNameLength * 4));
    if (!isAscii(head.first(std::min(head.size(), kFoldedNameLength)))) {
        const QString text = QString::fromUtf8(head);
        return foldedKey(text);
    }
    const qsizetype size = std::min(utf8.size(), kFoldedNameLength);
    QByteArray key(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        key[i] = lowered(utf8[i]);
    return key;
}

int compareNames(QStringView a, QStringView b)
{
    const QByteArray ka = nameFoldKey(a);
    const QByteArray kb = nameFoldKey(b);
    if (const int c = ka.compare(kb); c != 0)
        return c;
    return a.compare(b, Qt::CaseSensitive);
}

bool nameContains(QStringView name, QStringView part)
{
    return nameFoldKey(name).contains(nameFoldKey(part));
}

} // namespace varnel
