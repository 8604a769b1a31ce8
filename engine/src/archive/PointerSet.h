// The buffers an archive handed out and not yet got back, with their
// sizes: a flat table with linear probing, so adding and taking one costs
// no allocation and no division (a node map pays both on every load of a
// small block).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zelkoran::archive {

class PointerSet {
public:
    // size is at least 1.
    void insert(void* p, size_t size)
    {
        if ((m_count + 1) * 2 > m_slots.size())
            grow();
        size_t i = home(p);
        while (m_slots[i].pointer)
            i = (i + 1) & mask();
        m_slots[i] = {p, size};
        ++m_count;
    }
    // The size p was inserted with, now taken out; 0 when p is not held.
    size_t take(void* p)
    {
        if (!p || m_slots.empty())
            return 0;
        size_t i = home(p);
        for (; m_slots[i].pointer != p; i = (i + 1) & mask())
            if (!m_slots[i].pointer)
                return 0;
        const size_t size = m_slots[i].size;
        // Later entries of the run move back, so no probe ever stops early.
        for (size_t next = (i + 1) & mask(); m_slots[next].pointer; next = (next + 1) & mask()) {
            const size_t want = home(m_slots[next].pointer);
            if (((next - want) & mask()) >= ((next - i) & mask())) {
                m_slots[i] = m_slots[next];
                i = next;
            }
        }
        m_slots[i] = {};
        --m_count;
        return size;
    }
    template <class F>
    void forEach(F f) const
    {
        for (const Slot& s : m_slots)
            if (s.pointer)
                f(s.pointer);
    }

private:
    struct Slot {
        void* pointer = nullptr;
        size_t size = 0;
    };

    size_t mask() const { return m_slots.size() - 1; }
    size_t home(const void* p) const
    {
        // Fibonacci hashing: allocations are aligned, the low bits say little.
        return static_cast<size_t>((reinterpret_cast<uintptr_t>(p) * 0x9E3779B97F4A7C15ull) >> m_shift);
    }
    void grow()
    {
        std::vector<Slot> old(m_slots.empty() ? 16 : m_slots.size() * 2);
        old.swap(m_slots);
        m_shift = 64;
        for (size_t n = m_slots.size(); n > 1; n >>= 1)
            --m_shift;
        m_count = 0;
        for (const Slot& s : old)
            if (s.pointer)
                insert(s.pointer, s.size);
    }

    std::vector<Slot> m_slots;
    size_t m_count = 0;
    int m_shift = 64;
};

} // namespace Zelkoran::archive
