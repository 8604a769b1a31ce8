#include "image/PngCodec.h"

#include <Zelkoran/Result.h>

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace Zelkoran::image {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t kIhdrEnd = 8 + 8 + 13; // signature, chunk length and type, IHDR data

uint32_t bigEndian32(const uint8_t* at)
{
    uint32_t v;
    std::memcpy(&v, at, sizeof(v));
    return SDL_SwapBE32(v);
}

// A write-only SDL stream appending to a byte vector (SDL2 has no growing
// memory stream). The position is the vector's end; seeks are refused.
struct VectorSink {
    Vector<uint8_t>* out;
    bool failed = false;
};

size_t sinkWrite(SDL_RWops* rw, const void* data, size_t size, size_t count)
{
    auto* sink = static_cast<VectorSink*>(rw->hidden.unknown.data1);
    if (sink->failed || size == 0 || count > SIZE_MAX / size)
        return 0;
    const auto* bytes = static_cast<const uint8_t*>(data);
    try {
        sink->out->insert(sink->out->end(), bytes, bytes + size * count);
    } catch (const std::bad_alloc&) {
        sink->failed = true;
        return 0;
    }
    return count;
}

Sint64 sinkSize(SDL_RWops* rw)
{
    return static_cast<Sint64>(static_cast<VectorSink*>(rw->hidden.unknown.data1)->out->size());
}

Sint64 sinkSeek(SDL_RWops* rw, Sint64 offset, int whence)
{
    // Only "where am I" is answered; libpng never moves back.
    return offset == 0 && (whence == RW_SEEK_CUR || whence == RW_SEEK_END) ? sinkSize(rw) : -1;
}

size_t sinkRead(SDL_RWops*, void*, size_t, size_t) { return 0; }

int sinkClose(SDL_RWops* rw)
{
    SDL_FreeRW(rw);
    return 0;
}

} // namespace

bool readPngHeader(const uint8_t* data, size_t size, PngHeader& out)
{
    if (!data || size < kIhdrEnd || std::memcmp(data, kSignature, sizeof(kSignature)) != 0 ||
        bigEndian32(data + 8) != 13 || std::memcmp(data + 12, "IHDR", 4) != 0)
        return false;
    out.width = bigEndian32(data + 16);
    out.height = bigEndian32(data + 20);
    out.bitDepth = data[24];
    out.colourType = data[25];
    return true;
}

int encodePng(SDL_Surface* argb, Vector<uint8_t>& out)
{
    if (!argb || argb->format->format != SDL_PIXELFORMAT_ARGB8888)
        return RC_ERR_INVALID;
    // A view of the same pixels without the colour key: converting a keyed
    // surface would turn the keyed pixels transparent.
    SDL_Surface* view = SDL_CreateRGBSurfaceWithFormatFrom(argb->pixels, argb->w, argb->h, 32, argb->pitch,
                                                           SDL_PIXELFORMAT_ARGB8888);
    if (!view)
        return RC_ERR_NO_MEMORY;
    out.clear();
    VectorSink sink{&out};
    SDL_RWops* rw = SDL_AllocRW();
    int rc = RC_ERR_NO_MEMORY;
    if (rw) {
        rw->type = SDL_RWOPS_UNKNOWN;
        rw->size = sinkSize;
        rw->seek = sinkSeek;
        rw->read = sinkRead;
        rw->write = sinkWrite;
        rw->close = sinkClose;
        rw->hidden.unknown.data1 = &sink;
        rc = IMG_SavePNG_RW(view, rw, 0) == 0 && !sink.failed ? RC_OK : RC_ERR_NO_MEMORY;
        SDL_RWclose(rw);
    }
    SDL_FreeSurface(view);
    return rc;
}

SDL_Surface* decodePng(const uint8_t* data, size_t size)
{
    if (!data || size == 0 || size > INT_MAX)
        return nullptr;
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
    SDL_Surface* decoded = rw ? IMG_LoadTyped_RW(rw, 1, "PNG") : nullptr;
    if (!decoded)
        return nullptr;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(decoded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(decoded);
    return argb;
}

} // namespace Zelkoran::image
