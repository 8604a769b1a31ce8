#include "LoadBuffers.h"

#include <Zelkoran/CMem.h>

namespace Zelkoran::archive {

namespace {
constexpr int kMemModule = 1;
// A kept buffer is held while the archive is open: small ones only.
constexpr size_t kSpareLimit = 256 * 1024;
} // namespace

LoadBuffers::~LoadBuffers()
{
    m_out.forEach([](void* p) { CMem::free(p); });
    CMem::free(m_spare);
}

void* LoadBuffers::get(size_t size)
{
    void* buffer = nullptr;
    size_t capacity = size;
    if (m_spare && m_spareSize >= size) {
        buffer = m_spare;
        capacity = m_spareSize;
        m_spare = nullptr;
        m_spareSize = 0;
    } else if (!(buffer = CMem::alloc(size, kMemModule))) {
        return nullptr;
    }
    m_out.insert(buffer, capacity);
    return buffer;
}

bool LoadBuffers::put(void* buffer)
{
    const size_t capacity = m_out.take(buffer);
    if (capacity == 0)
        return false;
    if (capacity > kSpareLimit || capacity <= m_spareSize) {
        CMem::free(buffer);
        return true;
    }
    CMem::free(m_spare);
    m_spare = buffer;
    m_spareSize = capacity;
    return true;
}

} // namespace Zelkoran::archive
