// Little-endian fields of the resource blocks.
#pragma once

#include <SDL_endian.h>

#include <cstdint>
#include <cstring>

namespace Zelkoran::resource {

inline uint32_t getU32(const uint8_t* at)
{
    uint32_t v;
    std::memcpy(&v, at, sizeof(v));
    return SDL_SwapLE32(v);
}
inline int32_t getI32(const uint8_t* at) { return static_cast<int32_t>(getU32(at)); }
inline uint16_t getU16(const uint8_t* at)
{
    uint16_t v;
    std::memcpy(&v, at, sizeof(v));
    return SDL_SwapLE16(v);
}
inline void putU32(uint8_t* at, uint32_t v)
{
    v = SDL_SwapLE32(v);
    std::memcpy(at, &v, sizeof(v));
}
inline void putI32(uint8_t* at, int32_t v) { putU32(at, static_cast<uint32_t>(v)); }
inline void putU16(uint8_t* at, uint16_t v)
{
    v = SDL_SwapLE16(v);
    std::memcpy(at, &v, sizeof(v));
}

} // namespace Zelkoran::resource
