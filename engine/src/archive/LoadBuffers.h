// The buffers block loads hand out: each is tracked until it comes back,
// and the largest small one returned is kept for a later load, so loading
// small blocks one after another costs no allocation.
#pragma once

#include "PointerSet.h"

#include <cstddef>

namespace Zelkoran::archive {

class LoadBuffers {
public:
    LoadBuffers() = default;
    ~LoadBuffers();
    LoadBuffers(const LoadBuffers&) = delete;
    LoadBuffers& operator=(const LoadBuffers&) = delete;

    // A buffer of at least size bytes (size >= 1), held until put back;
    // null when memory runs out.
    void* get(size_t size);
    // Takes back a buffer from get; false (nothing done) for any other.
    bool put(void* buffer);

private:
    PointerSet m_out;
    void* m_spare = nullptr;
    size_t m_spareSize = 0;
};

} // namespace Zelkoran::archive
