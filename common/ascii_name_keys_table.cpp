// Writes, as C++, the sort keys of the characters most names are written in
// (latinCharKeysOf) as the ICU this program is built with gives them, and
// that ICU's version: a program that runs on the same version puts names'
// keys together from them without opening ICU's collator.

#include "common/ascii_name_keys.h"

#include <cstdio>
#include <unicode/uversion.h>

int main()
{
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open("", &status);
    if (!collator || U_FAILURE(status)) {
        std::fprintf(stderr, "ICU's root collation cannot be opened: %s\n", u_errorName(status));
        return 1;
    }
    ucol_setStrength(collator, UCOL_PRIMARY);
    const varnel::CharKeys keys = varnel::latinCharKeysOf(collator);
    ucol_close(collator);
    UVersionInfo version;
    u_getVersion(version);
    std::printf("// Written by varnel-ascii-name-keys at build time: do not edit.\n");
    std::printf("constexpr UVersionInfo kBuiltInIcuVersion = {%d, %d, %d, %d};\n", version[0], version[1], version[2],
                version[3]);
    std::printf("constexpr bool kBuiltInAsciiUsable = %s;\n", keys.asciiUsable ? "true" : "false");
    std::printf("constexpr CharKeys::Bytes kBuiltInKeys[kKeyedChars] = {\n");
    for (const auto& k : keys.ofChar) {
        std::printf("    {{");
        for (int i = 0; i < 4; ++i)
            std::printf("%s'\\x%02x'", i ? ", " : "", i < k.size ? unsigned(uchar(k.data[i])) : 0u);
        std::printf("}, %d},\n", k.size);
    }
    std::printf("};\n");
    return 0;
}
