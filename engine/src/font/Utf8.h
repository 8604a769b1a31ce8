// UTF-8 stepping for text layout (SDL2 has no public decoder).
#pragma once

#include <cstdint>

namespace Zelkoran::utf8 {

// Decodes the code point at s[i] (i < n) and advances i past it. Malformed
// bytes decode as U+FFFD, one byte each.
inline uint32_t next(const char* s, int n, int& i)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len = b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC0 ? 2 : 0;
    if (len == 0 || b0 > 0xF4 || i + len > n) {
        ++i;
        return 0xFFFD;
    }
    uint32_t cp = b0 & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    i += len;
    return cp;
}

// Byte index of the start of the character before i (0 at the start).
inline int prev(const char* s, int i)
{
    if (i <= 0)
        return 0;
    --i;
    while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
        --i;
    return i;
}

} // namespace Zelkoran::utf8
