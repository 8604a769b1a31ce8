// The buffers block loads hand out: each is tracked until it comes back,
// and the largest small one returned is kept for a later load, so loading
// small blocks one after another costs no allocation. Inline: this is on
// every load's path.
#pragma once

#include "PointerSet.h"

#include <Zelkoran/CMem.h>

#include <cstddef>

namespace Zelkoran::archive {

class LoadBuffers {
public:
    LoadBuffers() = default;
    ~LoadBuffers()
    {
        m_out.forEach([](void* p) { CMem::free(p); });
        CMem::free(m_spare);
    }
    LoadBuffers(const LoadBuffers&) = delete;
    LoadBuffers& operator=(const LoadBuffers&) = delete;

    // A buffer of at least size bytes (size >= 1), held until put back;
    // null when memory runs out.
    void* get(size_t size)
    {
        void* buffer = m_spare;
        size_t capacity = m_spareSize;
        if (buffer && capacity >= size) {
            m_spare = nullptr;
            m_spareSize = 0;
        } else if ((buffer = CMem::alloc(size, kMemModule))) {
            capacity = size;
        } else {
            return nullptr;
        }
        m_out.insert(buffer, capacity);
        return buffer;
    }
    // Takes back a buffer from get; false (nothing done) for any other.
    bool put(void* buffer)
    {
        const size_t capacity = m_out.take(buffer);
        if (capacity == 0)
            return false;
        if (capacity > kSpareLimit || capacity <= m_spareSize) {
            CMem::free(buffer);
        } else {
            CMem::free(m_spare);
            m_spare = buffer;
            m_spareSize = capacity;
        }
        return true;
    }

private:
    static constexpr int kMemModule = 1;
    // The kept buffer is held while the archive is open: small ones only.
    static constexpr size_t kSpareLimit = 256 * 1024;

    PointerSet m_out;
    void* m_spare = nullptr;
    size_t m_spareSize = 0;
};

} // namespace Zelkoran::archive
