#include "video/VideoBlock.h"

#include "audio/AudioTrackBlock.h"

#include <Zelkoran/Result.h>

#include <SDL_endian.h>

#include <cstring>

namespace Zelkoran::video {

namespace {

constexpr char kMagic[8] = {'Z', 'K', '7', 'V', 'I', 'D', 'E', 'O'};
constexpr uint16_t kVersion = 1;
constexpr size_t kHeaderSize = 24;
constexpr size_t kVersionAt = 8, kHeaderSizeAt = 10, kTagAt = 12, kSourceSizeAt = 16;

template <class T>
void put(uint8_t* at, T v)
{
    if constexpr (sizeof(T) == 2)
        v = SDL_SwapLE16(v);
    else if constexpr (sizeof(T) == 4)
        v = SDL_SwapLE32(v);
    else
        v = SDL_SwapLE64(v);
    std::memcpy(at, &v, sizeof(v));
}

template <class T>
T get(const uint8_t* at)
{
    T v;
    std::memcpy(&v, at, sizeof(v));
    if constexpr (sizeof(T) == 2)
        return SDL_SwapLE16(v);
    else if constexpr (sizeof(T) == 4)
        return SDL_SwapLE32(v);
    else
        return SDL_SwapLE64(v);
}

} // namespace

Vector<uint8_t> encodeVideoBlock(eAudioTrackTag tag, const uint8_t* source, size_t sourceSize)
{
    Vector<uint8_t> out;
    if (sourceSize > out.max_size() - kHeaderSize)
        return out;
    out.resize(kHeaderSize + sourceSize);
    std::memcpy(out.data(), kMagic, sizeof(kMagic));
    put<uint16_t>(&out[kVersionAt], kVersion);
    put<uint16_t>(&out[kHeaderSizeAt], static_cast<uint16_t>(kHeaderSize));
    put<uint32_t>(&out[kTagAt], static_cast<uint32_t>(tag));
    put<uint64_t>(&out[kSourceSizeAt], sourceSize);
    if (sourceSize)
        std::memcpy(&out[kHeaderSize], source, sourceSize);
    return out;
}

int decodeVideoBlock(const uint8_t* data, size_t size, VideoBlock& out)
{
    if (!data || size <= kHeaderSize || std::memcmp(data, kMagic, sizeof(kMagic)) != 0 ||
        get<uint16_t>(data + kVersionAt) != kVersion || get<uint16_t>(data + kHeaderSizeAt) != kHeaderSize)
        return RC_ERR_CORRUPT;
    const uint32_t tag = get<uint32_t>(data + kTagAt);
    if (!audio::isAudioTrackTag(static_cast<int>(tag)) || get<uint64_t>(data + kSourceSizeAt) != size - kHeaderSize)
        return RC_ERR_CORRUPT;
    out.tag = static_cast<eAudioTrackTag>(tag);
    out.source = data + kHeaderSize;
    out.sourceSize = size - kHeaderSize;
    return RC_OK;
}

} // namespace Zelkoran::video
