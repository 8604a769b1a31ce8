// The buffers an archive handed out and not yet got back: a flat table with
// linear probing, so adding and taking one costs no allocation and no
// division (a node set pays both on every load of a small block).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zelkoran::archive {

class PointerSet {
public:
    void insert(void* p)
    {
        if ((m_count + 1) * 2 > m_slots.size())
            grow();
        size_t i = home(p);
        while (m_slots[i])
            i = (i + 1) & mask();
        m_slots[i] = p;
        ++m_count;
    }
    // False when p is not held.
    bool erase(void* p)
    {
        if (!p || m_slots.empty())
            return false;
        size_t i = home(p);
        for (; m_slots[i] != p; i = (i + 1) & mask())
            if (!m_slots[i])
                return false;
        // Later entries of the run move back, so no probe ever stops early.
        for (size_t next = (i + 1) & mask(); m_slots[next]; next = (next + 1) & mask()) {
            const size_t want = home(m_slots[next]);
            if (((next - want) & mask()) >= ((next - i) & mask())) {
                m_slots[i] = m_slots[next];
                i = next;
            }
        }
        m_slots[i] = nullptr;
        --m_count;
        return true;
    }
    template <class F>
    void forEach(F f) const
    {
        for (void* p : m_slots)
            if (p)
                f(p);
    }

private:
    size_t mask() const { return m_slots.size() - 1; }
    size_t home(const void* p) const
    {
        // Fibonacci hashing: allocations are aligned, the low bits say little.
        return static_cast<size_t>((reinterpret_cast<uintptr_t>(p) * 0x9E3779B97F4A7C15ull) >> m_shift);
    }
    void grow()
    {
        std::vector<void*> old(m_slots.empty() ? 16 : m_slots.size() * 2, nullptr);
        old.swap(m_slots);
        m_shift = 64;
        for (size_t n = m_slots.size(); n > 1; n >>= 1)
            --m_shift;
        m_count = 0;
        for (void* p : old)
            if (p)
                insert(p);
    }

    std::vector<void*> m_slots;
    size_t m_count = 0;
    int m_shift = 64;
};

} // namespace Zelkoran::archive
