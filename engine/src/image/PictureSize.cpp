#include "image/PictureSize.h"

#include "image/PngCodec.h"

#include <Zelkoran/Image.h>

#include <SDL_rwops.h>

#include <cstdlib>
#include <cstring>

namespace Zelkoran::image {

namespace {

uint32_t le16(const uint8_t* p) { return uint32_t(p[1]) << 8 | p[0]; }
uint32_t be16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }
uint32_t le32(const uint8_t* p) { return le16(p + 2) << 16 | le16(p); }

bool readBytes(SDL_RWops* rw, uint8_t* out, size_t n) { return SDL_RWread(rw, out, 1, n) == n; }

// File header (14 bytes), then the info header: a 12-byte core header holds
// 16-bit sides, every later one signed 32-bit sides (a negative height
// stores the rows top down).
void bmpSize(const uint8_t* head, uint32_t& width, uint32_t& height)
{
    if (le32(head + 14) == 12) {
        width = le16(head + 18), height = le16(head + 20);
    } else {
        width = uint32_t(std::llabs(int32_t(le32(head + 18))));
        height = uint32_t(std::llabs(int32_t(le32(head + 22))));
    }
}

// After the 13-byte header and the global colour table: extensions, then
// the first frame's descriptor. The frame alone is decoded, at its own
// size; the screen's size counts only when no frame follows.
void gifSize(SDL_RWops* rw, Sint64 start, const uint8_t* head, uint32_t& width, uint32_t& height)
{
    width = le16(head + 6), height = le16(head + 8);
    const Sint64 table = (head[10] & 0x80) ? 3 << ((head[10] & 7) + 1) : 0;
    if (SDL_RWseek(rw, start + 13 + table, RW_SEEK_SET) < 0)
        return;
    uint8_t byte = 0;
    while (readBytes(rw, &byte, 1) && byte == 0x21) {
        if (!readBytes(rw, &byte, 1)) // the extension's label
            return;
        while (readBytes(rw, &byte, 1) && byte != 0)
            if (SDL_RWseek(rw, byte, RW_SEEK_CUR) < 0)
                return;
    }
    uint8_t frame[8];
    if (byte == 0x2C && readBytes(rw, frame, sizeof frame))
        width = le16(frame + 4), height = le16(frame + 6);
}

// Markers after the start of image: the first start-of-frame one states
// the size; any other with a length is skipped.
bool jpegSize(SDL_RWops* rw, uint32_t& width, uint32_t& height)
{
    uint8_t marker = 0;
    for (;;) {
        if (!readBytes(rw, &marker, 1) || marker != 0xFF)
            return false;
        while (marker == 0xFF) // fill bytes
            if (!readBytes(rw, &marker, 1))
                return false;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        uint8_t length[2];
        if (marker == 0xD9 || marker == 0xDA || !readBytes(rw, length, 2) || be16(length) < 2)
            return false;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            uint8_t sizes[5]; // precision, height, width
            if (!readBytes(rw, sizes, sizeof sizes))
                return false;
            height = be16(sizes + 1), width = be16(sizes + 3);
            return true;
        }
        if (SDL_RWseek(rw, be16(length) - 2, RW_SEEK_CUR) < 0)
            return false;
    }
}

} // namespace

int statedPictureSize(SDL_RWops* rw, uint32_t& width, uint32_t& height)
{
    const Sint64 start = rw ? SDL_RWtell(rw) : -1;
    if (start < 0)
        return 0;
    uint8_t head[32] = {}; // a PNG signature and IHDR chunk take 29
    const size_t got = SDL_RWread(rw, head, 1, sizeof head);
    PngHeader png;
    int format = 0;
    if (readPngHeader(head, got, png)) {
        width = png.width, height = png.height;
        format = PF_PNG;
    } else if (got >= 26 && head[0] == 'B' && head[1] == 'M') {
        bmpSize(head, width, height);
        format = PF_BMP;
    } else if (got >= 13 && (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0)) {
        gifSize(rw, start, head, width, height);
        format = PF_GIF;
    } else if (got >= 2 && head[0] == 0xFF && head[1] == 0xD8) {
        format = SDL_RWseek(rw, start + 2, RW_SEEK_SET) >= 0 && jpegSize(rw, width, height) ? PF_JPEG : 0;
    }
    SDL_RWseek(rw, start, RW_SEEK_SET);
    return format;
}

} // namespace Zelkoran::image
