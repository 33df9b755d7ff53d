#include "common/ascii_name_keys.h"

#include <QString>
#include <algorithm>

namespace varnel {

QByteArray icuSortKey(UCollator* collator, QStringView text)
{
    QByteArray key(text.size() * 3 + 16, Qt::Uninitialized);
    const auto chars = reinterpret_cast<const UChar*>(text.utf16());
    int32_t size = ucol_getSortKey(collator, chars, int32_t(text.size()), reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
    if (size > key.size()) {
        key.resize(size);
        size = ucol_getSortKey(collator, chars, int32_t(text.size()), reinterpret_cast<uint8_t*>(key.data()), size);
    }
    // The key ends in a zero byte, the only one at this strength.
    key.resize(std::max(0, size - 1));
    return key;
}

namespace {

// Each character's own key, where it takes at most four bytes.
CharKeys singleKeys(UCollator* collator, char16_t count)
{
    CharKeys k;
    for (char16_t c = 0; c < kKeyedChars; ++c) {
        k.ofChar[c].size = -1;
        if (c >= count)
            continue;
        const QByteArray key = icuSortKey(collator, QStringView(&c, 1));
        if (key.size() <= 4) {
            k.ofChar[c].size = int(key.size());
            std::copy_n(key.constData(), key.size(), k.ofChar[c].data);
        }
    }
    return k;
}

QByteArray joinedKey(const CharKeys& k, QStringView text)
{
    QByteArray joined;
    for (const QChar c : text)
        joined.append(k.ofChar[c.unicode()].data, k.ofChar[c.unicode()].size);
    return joined;
}

bool allServe(const CharKeys& k, char16_t from, char16_t to)
{
    for (char16_t c = from; c < to; ++c) {
        if (k.ofChar[c].size < 0)
            return false;
    }
    return true;
}

} // namespace

CharKeys asciiCharKeysOf(UCollator* collator)
{
    CharKeys k = singleKeys(collator, 128);
    QString probe;
    for (char16_t c = 0; c < 128; ++c)
        probe += QChar(c);
    probe += QStringLiteral("a'b-c ~.1_2Zz");
    k.asciiUsable = allServe(k, 0, 128) && joinedKey(k, probe) == icuSortKey(collator, probe);
    return k;
}

CharKeys latinCharKeysOf(UCollator* collator)
{
    CharKeys k = singleKeys(collator, kKeyedChars);
    const auto pairJoins = [&](char16_t a, char16_t b) {
        const char16_t pair[2] = {a, b};
        return joinedKey(k, QStringView(pair, 2)) == icuSortKey(collator, QStringView(pair, 2));
    };
    // ASCII first: every pair of it.
    bool ascii = allServe(k, 0, 128);
    for (char16_t a = 0; ascii && a < 128; ++a) {
        for (char16_t b = 0; ascii && b < 128; ++b)
            ascii = pairJoins(a, b);
    }
    k.asciiUsable = ascii;
    // Then each other character, with every character before it that
    // serves, both ways.
    for (char16_t c = 128; c < kKeyedChars; ++c) {
        for (char16_t d = 0; ascii && k.ofChar[c].size >= 0 && d <= c; ++d) {
            if (k.ofChar[d].size >= 0 && !(pairJoins(c, d) && pairJoins(d, c)))
                k.ofChar[c].size = -1;
        }
        if (!ascii)
            k.ofChar[c].size = -1;
    }
    return k;
}

} // namespace varnel
