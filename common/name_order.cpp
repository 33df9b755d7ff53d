#include "common/name_order.h"

#include "common/ascii_name_keys.h"

#include <QList>
#include <algorithm>
#include <array>
#include <vector>
#include <optional>
#include <memory>
#include <unicode/ucol.h>
#include <unicode/uversion.h>

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
    for (auto it = name.begin(); it != name.end() && taken < kNameKeyLength; ++taken) {
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
    if (!isAscii(name.left(kNameKeyLength)))
        return foldedKey(name);
    const qsizetype size = std::min(name.size(), kNameKeyLength);
    QByteArray key(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        key[i] = lowered(char(name[i].unicode()));
    return key;
}

QByteArray nameFoldKeyOfUtf8(QByteArrayView utf8)
{
    // A character takes at most 4 bytes: this much holds the folded
    // beginning whatever the text.
    const QByteArrayView head = utf8.first(std::min(utf8.size(), kNameKeyLength * 4));
    if (!isAscii(head.first(std::min(head.size(), kNameKeyLength)))) {
        const QString text = QString::fromUtf8(head);
        return foldedKey(text);
    }
    const qsizetype size = std::min(utf8.size(), kNameKeyLength);
    QByteArray key(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        key[i] = lowered(utf8[i]);
    return key;
}

namespace {

struct CollatorClose {
    void operator()(UCollator* c) const { ucol_close(c); }
};

// The server's collation `und-u-ks-level1`: ICU's root order ("und"), at
// its first strength ("ks-level1"). The tag is not read here: reading a
// language tag loads ICU's tables of keywords, which took longer than the
// rest of opening a roster of 1,000 soldiers. One per thread, as ICU asks.
UCollator* nameCollator()
{
    thread_local const std::unique_ptr<UCollator, CollatorClose> collator([] {
        UErrorCode status = U_ZERO_ERROR;
        UCollator* c = ucol_open("", &status);
        if (c) {
            status = U_ZERO_ERROR;
            ucol_setStrength(c, UCOL_PRIMARY);
        }
        return c;
    }());
    return collator.get();
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

// The whole texts by the collation, then by their bytes.
int compareWholeUtf8(QByteArrayView a, QByteArrayView b)
{
    UCollator* collator = nameCollator();
    if (!collator)
        return sign(a.compare(b));
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result = ucol_strcollUTF8(collator, a.data(), int32_t(std::min<qsizetype>(a.size(), INT32_MAX)),
                                                     b.data(), int32_t(std::min<qsizetype>(b.size(), INT32_MAX)), &status);
    if (U_SUCCESS(status) && result != UCOL_EQUAL)
        return result == UCOL_LESS ? -1 : 1;
    return sign(a.compare(b));
}

// Most names are ASCII, whose key at this strength is each character's key
// in turn (ICU compresses no run of them): a table makes it three to four
// times faster than ICU's general way. The table is ICU's own, and is used
// only when a text of every kind of ASCII character keys alike both ways.
// Names with letters of Latin-1 and Latin Extended-A ("Peña", "Łukasz") are
// keyed from the table too where the build checked that each of those
// letters keys so beside every other.
struct AsciiKeys {
    std::array<CharKeys::Bytes, kKeyedChars> ofChar{};
    bool usable = false;
    // A key of printable ASCII reads back into its characters but for case
    // (see plainNameKey): each has a key of its own, which begins no
    // other's, and only a letter's two cases share one.
    bool readsBack = false;
    // The printable characters (letters in upper case) by their key's
    // first byte.
    std::array<std::vector<char>, 256> byFirstByte;
};

// The table as the ICU this program was built with gave it
// (kBuiltInIcuVersion, kBuiltInAsciiUsable, kBuiltInKeys).
#include "ascii_name_keys.inc"

// The built-in table serves where ICU is the version it was written from:
// a roster of such names is then ordered without opening the collator.
bool builtInKeysServe()
{
    UVersionInfo running;
    u_getVersion(running);
    return std::equal(std::begin(running), std::end(running), std::begin(kBuiltInIcuVersion));
}

bool isPrintableAscii(uint code)
{
    return code >= 0x20 && code < 0x7F;
}

bool isLowerAscii(uint code)
{
    return code >= 'a' && code <= 'z';
}

// Whether every printable character's key tells it apart from the others
// but for case, and no key begins another: then a key of printable ASCII
// reads back one way only.
bool keysReadBack(AsciiKeys& k)
{
    for (uint a = 0x20; a < 0x7F; ++a) {
        const QByteArrayView keyA(k.ofChar[a].data, k.ofChar[a].size);
        if (keyA.isEmpty())
            return false;
        for (uint b = a + 1; b < 0x7F; ++b) {
            const QByteArrayView keyB(k.ofChar[b].data, k.ofChar[b].size);
            if (keyA == keyB) {
                if (!(isLowerAscii(b) && b - a == 'a' - 'A'))
                    return false;
            } else if (keyA.startsWith(keyB) || keyB.startsWith(keyA)) {
                return false;
            }
        }
        if (!isLowerAscii(a))
            k.byFirstByte[uchar(keyA[0])].push_back(char(a));
    }
    return true;
}

const AsciiKeys& asciiKeys()
{
    thread_local const AsciiKeys keys = [] {
        AsciiKeys k;
        CharKeys table;
        if (builtInKeysServe()) {
            std::copy(std::begin(kBuiltInKeys), std::end(kBuiltInKeys), table.ofChar.begin());
            table.asciiUsable = kBuiltInAsciiUsable;
        } else if (UCollator* collator = nameCollator()) {
            table = asciiCharKeysOf(collator);
        } else {
            return k;
        }
        k.ofChar = table.ofChar;
        k.usable = table.asciiUsable;
        k.readsBack = k.usable && keysReadBack(k);
        return k;
    }();
    return keys;
}

// A name's key put together from its characters' keys: none where the
// table is not usable, or a character has no key of its own in it.
class KeyFromTable {
public:
    KeyFromTable(qsizetype characters)
        : keys_(asciiKeys())
        , key_(characters * 4, Qt::Uninitialized)
        , out_(key_.data())
    {
    }

    bool add(uint code)
    {
        if (code >= kKeyedChars || keys_.ofChar[code].size < 0)
            return false;
        out_ = std::copy_n(keys_.ofChar[code].data, keys_.ofChar[code].size, out_);
        return true;
    }

    std::optional<QByteArray> key()
    {
        key_.truncate(out_ - key_.constData());
        return std::move(key_);
    }

    bool usable() const { return keys_.usable; }

private:
    const AsciiKeys& keys_;
    QByteArray key_;
    char* out_;
};

std::optional<QByteArray> tableSortKey(QStringView head)
{
    KeyFromTable key(head.size());
    if (!key.usable())
        return std::nullopt;
    for (const QChar c : head) {
        if (!key.add(c.unicode()))
            return std::nullopt;
    }
    return key.key();
}

// The same from UTF-8 whose every character is keyed (`utf8` at most
// kNameKeyLength bytes, so no more characters).
std::optional<QByteArray> tableSortKeyOfUtf8(QByteArrayView utf8)
{
    KeyFromTable key(utf8.size());
    if (!key.usable())
        return std::nullopt;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        uint code = uchar(utf8[i]);
        if (code >= 0x80) {
            // Only two bytes hold a keyed character (below U+0800).
            if (code < 0xC2 || code >= 0xE0 || i + 1 == utf8.size() || (uchar(utf8[i + 1]) & 0xC0) != 0x80)
                return std::nullopt;
            code = (code & 0x1F) << 6 | (uchar(utf8[++i]) & 0x3F);
        }
        if (!key.add(code))
            return std::nullopt;
    }
    return key.key();
}

} // namespace

QByteArray nameSortKey(QStringView name)
{
    QStringView head = name.first(std::min(name.size(), kNameKeyLength));
    // A pair of surrogates is not cut in two.
    if (head.size() < name.size() && !head.isEmpty() && head.back().isHighSurrogate())
        head.chop(1);
    if (std::optional<QByteArray> key = tableSortKey(head))
        return *key;
    UCollator* collator = nameCollator();
    // Without ICU's data (never so where Qt runs) the order is the texts'.
    if (!collator)
        return head.toUtf8();
    return icuSortKey(collator, head);
}

QByteArray nameSortKeyOfUtf8(QByteArrayView utf8)
{
    // A name of at most kNameKeyLength bytes is keyed whole, and has no
    // more characters; of a longer one, the first kNameKeyLength of ASCII.
    const QByteArrayView head = utf8.first(std::min(utf8.size(), kNameKeyLength));
    if (head.size() == utf8.size() || isAscii(head)) {
        if (std::optional<QByteArray> key = tableSortKeyOfUtf8(head))
            return *key;
    }
    // A character takes at most 4 bytes: this much holds the keyed
    // beginning whatever the text.
    return nameSortKey(QString::fromUtf8(utf8.first(std::min(utf8.size(), kNameKeyLength * 4))));
}

bool plainNameKey(QByteArrayView utf8, QByteArray& sortKey, QByteArray& lowerCase)
{
    const AsciiKeys& keys = asciiKeys();
    if (utf8.size() > kNameKeyLength || !keys.readsBack)
        return false;
    sortKey.resize(utf8.size() * 4);
    lowerCase.resize((utf8.size() + 7) / 8);
    std::fill(lowerCase.begin(), lowerCase.end(), '\0');
    char* out = sortKey.data();
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const uint code = uchar(utf8[i]);
        if (!isPrintableAscii(code))
            return false;
        if (isLowerAscii(code))
            lowerCase[i / 8] = char(uchar(lowerCase[i / 8]) | (0x80u >> (i % 8)));
        out = std::copy_n(keys.ofChar[code].data, keys.ofChar[code].size, out);
    }
    sortKey.truncate(out - sortKey.constData());
    // Bits past the last lower-case letter are left out: most names are
    // in capitals, and have none.
    qsizetype used = lowerCase.size();
    while (used > 0 && lowerCase[used - 1] == '\0')
        --used;
    lowerCase.truncate(used);
    return true;
}

QByteArray plainNameText(QByteArrayView sortKey, QByteArrayView lowerCase)
{
    const AsciiKeys& keys = asciiKeys();
    QByteArray text;
    for (qsizetype at = 0; at < sortKey.size();) {
        const QByteArrayView rest = sortKey.sliced(at);
        const std::vector<char>& candidates = keys.byFirstByte[uchar(rest[0])];
        const auto found = std::find_if(candidates.begin(), candidates.end(), [&](char c) {
            return rest.startsWith(QByteArrayView(keys.ofChar[uchar(c)].data, keys.ofChar[uchar(c)].size));
        });
        if (found == candidates.end())
            return text; // not a key plainNameKey gives
        const qsizetype i = text.size();
        const bool lower = i / 8 < lowerCase.size() && (uchar(lowerCase[i / 8]) & (0x80u >> (i % 8)));
        text += lower ? char(*found - 'A' + 'a') : *found;
        at += keys.ofChar[uchar(*found)].size;
    }
    return text;
}

int compareKeyedNames(QByteArrayView keyA, QByteArrayView utf8A, QByteArrayView keyB, QByteArrayView utf8B)
{
    if (const int c = keyA.compare(keyB); c != 0)
        return sign(c);
    // Past the keyed beginning only the whole texts can tell.
    if (utf8A.size() > kNameKeyLength || utf8B.size() > kNameKeyLength)
        return compareWholeUtf8(utf8A, utf8B);
    return sign(utf8A.compare(utf8B));
}

int compareNamesUtf8(QByteArrayView a, QByteArrayView b)
{
    return compareWholeUtf8(a, b);
}

int compareNames(QStringView a, QStringView b)
{
    UCollator* collator = nameCollator();
    const UCollationResult result = !collator ? UCOL_EQUAL
        : ucol_strcoll(collator, reinterpret_cast<const UChar*>(a.utf16()), int32_t(std::min<qsizetype>(a.size(), INT32_MAX)),
                       reinterpret_cast<const UChar*>(b.utf16()), int32_t(std::min<qsizetype>(b.size(), INT32_MAX)));
    if (result != UCOL_EQUAL)
        return result == UCOL_LESS ? -1 : 1;
    // Character by character: UTF-16's own order puts the characters above
    // U+FFFF before those from U+E000, which UTF-8 and the server do not.
    return sign(a.toUtf8().compare(b.toUtf8()));
}

bool nameContains(QStringView name, QStringView part)
{
    return nameFoldKey(name).contains(nameFoldKey(part));
}

} // namespace varnel
