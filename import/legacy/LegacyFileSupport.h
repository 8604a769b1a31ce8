// Helpers shared by the legacy archive code of this folder: little-endian
// fields, buffers in the editor's memory module, SDL file streams
// and the engine log. Not part of the editor's interface.
#pragma once

#include "engine/src/core/ByteOrder.h"

#include <Zelkoran/CMem.h>
#include <Zelkoran/Log.h>
#include <Zelkoran/Main.h>

#include <SDL_rwops.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace legacyfile {

// The editor's memory module.
constexpr int kEditorModule = 15;

inline Zelkoran::Log* engineLog() { return Zelkoran::Main::instance()->logMgr()->get(0); }

// Little-endian fields, read and written as the engine's stored formats do.
using Zelkoran::bytes::getU16;
using Zelkoran::bytes::getU32;
using Zelkoran::bytes::getU64;
using Zelkoran::bytes::putU32;

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
