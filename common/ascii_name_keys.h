#pragma once

#include <QByteArray>
#include <QStringView>
#include <array>
#include <unicode/ucol.h>

namespace varnel {

// ICU's sort key of `text` at the collator's strength, without its ending
// zero byte.
QByteArray icuSortKey(UCollator* collator, QStringView text);

// The characters whose sort keys a name's key may be put together from:
// ASCII, Latin-1 and Latin Extended-A, where most soldiers' names are
// written.
inline constexpr char16_t kKeyedChars = 0x180;

// The sort keys of those characters one by one, as the names' collator
// gives them. A character's key serves a name's key where it takes at most
// four bytes and every text of such characters keys as its characters'
// keys in turn (ICU forms no contraction of them); `size` is -1 for a
// character whose key does not. `asciiUsable` when all of ASCII serves.
struct CharKeys {
    struct Bytes {
        char data[4];
        int size;
    };
    std::array<Bytes, kKeyedChars> ofChar{};
    bool asciiUsable = false;
};

// ASCII's keys only, checked on one text of all its characters: quick
// enough for a program's start.
CharKeys asciiCharKeysOf(UCollator* collator);
// Every keyed character, each pair of them checked both ways: for the
// table a build writes.
CharKeys latinCharKeysOf(UCollator* collator);

} // namespace varnel
