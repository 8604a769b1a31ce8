// A look at a GIF file's structure before it is decoded: SDL2_image
// allocates every frame at the sizes the file states, so a few hostile
// bytes could ask for gigabytes. Walks the blocks without decompressing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Larger frames or animations are refused.
inline constexpr int kMaxGIFSide = 16384;
inline constexpr int64_t kMaxGIFFramePixels = int64_t(8192) * 8192;
inline constexpr int64_t kMaxGIFTotalPixels = int64_t(1) << 28; // all frames at the screen size, 1 GiB decoded

struct GIFLayout {
    int width = 0, height = 0; // logical screen
    int frames = 0;
};

// True and the layout when bytes hold a whole GIF (a missing trailer
// after the last frame is accepted) within the limits above; false for
// anything else.
bool checkGIFLayout(const uint8_t* bytes, size_t size, GIFLayout& layout);
// The same for a file, read whole into bytes (files over 1 GiB are
// refused): the caller decodes those bytes, so what was checked is what is
// decoded even when the file changes meanwhile.
bool checkGIFFile(const char* path, std::vector<uint8_t>& bytes, GIFLayout& layout);
