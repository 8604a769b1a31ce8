// Picture sizes from PNG and BMP headers.
#include "import/scene/PictureHeader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint32_t le32(const uint8_t* p) { return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]; }
uint32_t le16(const uint8_t* p) { return uint32_t(p[1]) << 8 | p[0]; }

// File header (14 bytes), then the info header: a 12-byte core header
// holds 16-bit sides, every later one signed 32-bit sides (a negative
// height stores the rows top down).
bool readBMPSize(const uint8_t* bytes, size_t size, uint32_t& width, uint32_t& height)
{
    if (size < 26 || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    if (le32(bytes + 14) == 12) {
        width = le16(bytes + 18), height = le16(bytes + 20);
    } else {
        const int64_t w = int32_t(le32(bytes + 18)), h = int32_t(le32(bytes + 22));
        width = w > 0 ? uint32_t(w) : 0;
        height = uint32_t(std::llabs(h));
    }
    return width && height && width < 0x80000000u && height < 0x80000000u;
}

} // namespace

bool readPNGSize(const uint8_t* bytes, size_t size, uint32_t& width, uint32_t& height)
{
    static const uint8_t head[16] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0x0D, 'I', 'H', 'D', 'R'};
    if (size < 24 || std::memcmp(bytes, head, sizeof head) != 0)
        return false;
    width = be32(bytes + 16), height = be32(bytes + 20);
    return width && height && width < 0x80000000u && height < 0x80000000u;
}

bool readPictureSize(const Zelkoran::String& path, int& width, int& height)
{
    width = height = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    uint8_t head[26] = {};
    const size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    uint32_t w = 0, h = 0;
    if (!readPNGSize(head, got, w, h) && !readBMPSize(head, got, w, h))
        return false;
    width = int(w), height = int(h);
    return true;
}
