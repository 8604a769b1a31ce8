#include "import/scene/GIFFrameGuard.h"

#include <SDL_rwops.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kFrameIntroducer = 0x2C;
constexpr size_t kDescriptorBytes = 9;

GIFFrameGuard* guardOf(SDL_RWops* rw) { return static_cast<GIFFrameGuard*>(rw->hidden.unknown.data1); }

} // namespace

SDL_RWops* GIFFrameGuard::open()
{
    SDL_RWops* rw = SDL_AllocRW();
    if (!rw)
        return nullptr;
    m_pos = 0;
    m_lastReadAt = SIZE_MAX;
    m_lastReadSize = 0;
    m_refused = false;
    rw->type = SDL_RWOPS_UNKNOWN;
    rw->hidden.unknown.data1 = this;
    rw->size = [](SDL_RWops* self) { return Sint64(guardOf(self)->m_bytes.size()); };
    rw->seek = [](SDL_RWops* self, Sint64 offset, int whence) -> Sint64 {
        GIFFrameGuard& g = *guardOf(self);
        const Sint64 base = whence == RW_SEEK_SET ? 0 : whence == RW_SEEK_CUR ? Sint64(g.m_pos) : Sint64(g.m_bytes.size());
        const Sint64 to = base + offset;
        if (to < 0 || to > Sint64(g.m_bytes.size()))
            return SDL_SetError("seek outside the GIF");
        g.m_pos = size_t(to);
        return to;
    };
    rw->read = [](SDL_RWops* self, void* out, size_t size, size_t count) -> size_t {
        return size == 0 ? 0 : guardOf(self)->read(out, size * count) / size;
    };
    rw->write = [](SDL_RWops*, const void*, size_t, size_t) -> size_t { return 0; };
    rw->close = [](SDL_RWops* self) {
        SDL_FreeRW(self);
        return 0;
    };
    return rw;
}

bool GIFFrameGuard::checkedFrameAt(size_t at) const
{
    return std::binary_search(m_frameStarts.begin(), m_frameStarts.end(), at);
}

size_t GIFFrameGuard::read(void* out, size_t count)
{
    const bool descriptor = count == kDescriptorBytes && m_lastReadSize == 1 && m_lastReadAt + 1 == m_pos &&
                            m_bytes[m_lastReadAt] == kFrameIntroducer && !checkedFrameAt(m_lastReadAt);
    m_refused = m_refused || descriptor;
    if (m_refused)
        return 0;
    const size_t n = std::min(count, m_bytes.size() - m_pos);
    std::memcpy(out, m_bytes.data() + m_pos, n);
    m_lastReadAt = m_pos;
    m_lastReadSize = n;
    m_pos += n;
    return n;
}
