// Helpers shared by the legacy archive code of this folder: little-endian
// reads and writes, buffers in the editor's memory module, SDL file streams
// and the engine log. Not part of the editor's interface.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Log.h>
#include <Zelkoran/Main.h>

#include <SDL_endian.h>
#include <SDL_rwops.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace legacyfile {

// The editor's memory module.
constexpr int kEditorModule = 15;

inline Zelkoran::Log* engineLog() { return Zelkoran::Main::instance()->logMgr()->get(0); }

inline uint16_t readU16(const uint8_t* p)
{
    uint16_t v;
    memcpy(&v, p, sizeof v);
    return SDL_SwapLE16(v);
}

inline uint32_t readU32(const uint8_t* p)
{
    uint32_t v;
    memcpy(&v, p, sizeof v);
    return SDL_SwapLE32(v);
}

inline uint64_t readU64(const uint8_t* p)
{
    uint64_t v;
    memcpy(&v, p, sizeof v);
    return SDL_SwapLE64(v);
}

inline void writeU32(uint8_t* p, uint32_t value)
{
    const uint32_t v = SDL_SwapLE32(value);
    memcpy(p, &v, sizeof v);
}

struct CMemDelete {
    void operator()(uint8_t* p) const { Zelkoran::CMem::free(p); }
};
// Memory of the editor's module, released with it.
using Buffer = std::unique_ptr<uint8_t, CMemDelete>;

inline Buffer allocBuffer(size_t size)
{
    return Buffer(static_cast<uint8_t*>(Zelkoran::CMem::alloc(size, kEditorModule)));
}

struct StreamClose {
    void operator()(SDL_RWops* rw) const { SDL_RWclose(rw); }
};
using Stream = std::unique_ptr<SDL_RWops, StreamClose>;

inline bool readExact(SDL_RWops* rw, void* dst, size_t size)
{
    return SDL_RWread(rw, dst, 1, size) == size;
}

} // namespace legacyfile
