#include "video/FrameScaler.h"

#include "ffmpeg/FfmpegLibrary.h"

#include <Zelkoran/Result.h>

#include <SDL.h>

#include <new>

namespace Zelkoran::video {

namespace {

// SDL's ARGB8888 is a native-endian 32-bit value; FFmpeg names byte orders.
constexpr AVPixelFormat kArgb8888 = SDL_BYTEORDER == SDL_LIL_ENDIAN ? AV_PIX_FMT_BGRA : AV_PIX_FMT_ARGB;

} // namespace

FrameScaler::~FrameScaler()
{
    // Without FFmpeg loaded no context exists, and nothing may be called.
    if (m_sws)
        ffmpeg().sws_freeContext(m_sws);
}

bool FrameScaler::convert(const AVFrame& frame, int width, int height, uint8_t* pixels, int pitch)
{
    if (frame.width <= 0 || frame.height <= 0 || width <= 0 || height <= 0 || !pixels)
        return false;
    m_sws = ffmpeg().sws_getCachedContext(m_sws, frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), width,
                                 height, kArgb8888, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!m_sws)
        return false;
    uint8_t* planes[4] = {pixels, nullptr, nullptr, nullptr};
    const int pitches[4] = {pitch, 0, 0, 0};
    return ffmpeg().sws_scale(m_sws, frame.data, frame.linesize, 0, frame.height, planes, pitches) == height;
}

int FrameScaler::convertInto(const AVFrame& frame, int width, int height, Vector<uint8_t>& pixels)
{
    try {
        pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4 + kTailBytes);
    } catch (const std::bad_alloc&) {
        return RC_ERR_NO_MEMORY;
    }
    return convert(frame, width, height, pixels.data(), width * 4) ? RC_OK : RC_ERR_CORRUPT;
}

SDL_Surface* FrameScaler::toSurface(const AVFrame& frame)
{
    if (frame.width <= 0 || frame.height <= 0)
        return nullptr;
    const int pitch = frame.width * 4;
    void* pixels = SDL_malloc(static_cast<size_t>(pitch) * static_cast<size_t>(frame.height) + kTailBytes);
    if (!pixels)
        return nullptr;
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormatFrom(pixels, frame.width, frame.height, 32, pitch, SDL_PIXELFORMAT_ARGB8888);
    if (!surface) {
        SDL_free(pixels);
        return nullptr;
    }
    // The surface owns the pixels (with their slack): SDL_FreeSurface frees
    // them with SDL_free, as for pixels it allocated itself.
    surface->flags &= ~static_cast<Uint32>(SDL_PREALLOC);
    if (!convert(frame, frame.width, frame.height, static_cast<uint8_t*>(surface->pixels), surface->pitch)) {
        SDL_FreeSurface(surface);
        return nullptr;
    }
    return surface;
}

} // namespace Zelkoran::video
