// A look at a GIF file's structure before it is decoded: SDL2_image
// allocates every frame at the sizes the file states, so a few hostile
// bytes could ask for gigabytes. Walks the blocks without decompressing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Larger frames or animations are refused.
inline constexpr int kMaxGIFSide = 16384;
inline constexpr int64_t kMaxGIFFramePixels = int64_t(8192) * 8192;
inline constexpr int64_t kMaxGIFTotalPixels = int64_t(1) << 28; // all frames at the screen size, 1 GiB decoded

struct GIFLayout {
    int width = 0, height = 0; // logical screen
    int frames = 0;
};

// One frame as the file states it: its place on the screen, what becomes
// of that place before the next frame, and where its bytes lie.
struct GIFFrameSpan {
    int left = 0, top = 0, width = 0, height = 0;
    int disposal = 0; // 2: the place is cleared, 3: what was under it comes back; else it stays
    int delayMs = 0;  // 0 when the file states none
    size_t controlAt = 0, controlSize = 0; // its graphic control extension (size 0: none)
    size_t imageAt = 0, imageSize = 0;     // its descriptor to the end of its data
    // A data sub-block past the end of its codes holds a frame introducer,
    // which SDL2_image's decoder would take for a frame (GIFFrameGuard.h).
    bool hidesFrame = false;
};
using GIFFrameVisitor = std::function<void(const GIFFrameSpan&)>;

// True and the layout when bytes hold a whole GIF (a missing trailer
// after the last frame is accepted) within the limits above; false for
// anything else. visit, when given, sees each frame as it is passed, so
// it may see frames of bytes that are refused later.
bool checkGIFLayout(const uint8_t* bytes, size_t size, GIFLayout& layout, const GIFFrameVisitor& visit = {});
// The same for a file, read whole into bytes (files over 1 GiB are
// refused): the caller decodes those bytes, so what was checked is what is
// decoded even when the file changes meanwhile.
bool checkGIFFile(const char* path, std::vector<uint8_t>& bytes, GIFLayout& layout,
                  const GIFFrameVisitor& visit = {});
// The screen the frames of checked bytes are drawn on: the file's size, a
// side stated as 0 reaching to the farthest frame. False when that screen,
// once per frame, passes the limits above.
bool gifScreenSize(const uint8_t* bytes, size_t size, const GIFLayout& layout, int& width, int& height);
