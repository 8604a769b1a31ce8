// Decoded frames converted (and scaled) to the engine's 32-bit ARGB8888
// pixels by swscale. One thread at a time.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstddef>
#include <cstdint>

struct AVFrame;
struct SwsContext;
struct SDL_Surface;

namespace Zelkoran::video {

class FrameScaler {
public:
    // swscale's vector code writes up to a block of pixels past the end of
    // the last row (60 bytes seen for YUV 4:2:0 and 4:2:2 sources): every
    // buffer it writes into carries this much slack after its pixels.
    static constexpr size_t kTailBytes = 256;

    FrameScaler() = default;
    ~FrameScaler();
    FrameScaler(const FrameScaler&) = delete;
    FrameScaler& operator=(const FrameScaler&) = delete;

    // Writes frame, scaled to width x height, into pixels, sized here to
    // rows of width * 4 bytes and the slack. 0, RC_ERR_NO_MEMORY or
    // RC_ERR_CORRUPT (swscale cannot convert the frame).
    int convertInto(const AVFrame& frame, int width, int height, Vector<uint8_t>& pixels);
    // The frame at its own size in a new ARGB8888 surface, or null.
    SDL_Surface* toSurface(const AVFrame& frame);

private:
    // Writes frame, scaled to width x height, into pixels (pitch bytes a
    // row, kTailBytes of slack after the last). False when swscale cannot
    // convert the frame.
    bool convert(const AVFrame& frame, int width, int height, uint8_t* pixels, int pitch);

    SwsContext* m_sws = nullptr;
};

} // namespace Zelkoran::video
