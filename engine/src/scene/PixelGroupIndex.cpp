#include "scene/PixelGroupIndex.h"

#include <xxhash.h>

#include <algorithm>
#include <cstring>

namespace Zelkoran::scene {

PixelGroupIndex::PixelGroupIndex(int width, int height, int64_t differing) : m_width(width), m_height(height)
{
    const int64_t area = int64_t(width) * height, groups = differing + 1;
    if (differing >= 0 && area >= groups * kMinGroupPixels)
        m_groups = int(groups);
}

void PixelGroupIndex::keysOf(SDL_Surface* f, int x, int y, uint32_t* buffer, uint32_t* keys) const
{
    const uint8_t* origin = static_cast<const uint8_t*>(f->pixels) + size_t(y) * size_t(f->pitch) + size_t(x) * 4;
    for (int ly = 0; ly < m_height; ++ly)
        std::memcpy(buffer + size_t(ly) * size_t(m_width), origin + size_t(ly) * size_t(f->pitch),
                    size_t(m_width) * 4);
    const int64_t area = int64_t(m_width) * m_height;
    for (int g = 0; g < m_groups; ++g) {
        const int64_t begin = area * g / m_groups, end = area * (g + 1) / m_groups;
        const uint64_t h = XXH3_64bits_withSeed(buffer + begin, size_t(end - begin) * 4, uint64_t(g));
        keys[g] = uint32_t(h ^ (h >> 32));
    }
}

void PixelGroupIndex::prefetch(const uint32_t* keys) const
{
    if (m_slots.empty())
        return;
    const size_t mask = m_slots.size() - 1;
    for (int g = 0; g < m_groups; ++g)
        __builtin_prefetch(&m_slots[keys[g] & mask]);
}

void PixelGroupIndex::add(const uint32_t* keys, uint32_t p)
{
    for (int g = 0; g < m_groups; ++g) {
        if ((m_used + 1) * 4 > m_slots.size() * 3)
            grow();
        const size_t mask = m_slots.size() - 1;
        size_t i = keys[g] & mask;
        while (m_slots[i].position != UINT32_MAX)
            i = (i + 1) & mask;
        m_slots[i] = {keys[g], p};
        ++m_used;
    }
}

void PixelGroupIndex::candidates(const uint32_t* keys, std::vector<uint32_t>& out) const
{
    out.clear();
    if (m_slots.empty())
        return;
    const size_t mask = m_slots.size() - 1;
    for (int g = 0; g < m_groups; ++g)
        for (size_t i = keys[g] & mask; m_slots[i].position != UINT32_MAX; i = (i + 1) & mask)
            if (m_slots[i].key == keys[g])
                out.push_back(m_slots[i].position);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
}

void PixelGroupIndex::grow()
{
    std::vector<Slot> old(std::max<size_t>(m_slots.size() * 2, 1024));
    old.swap(m_slots);
    const size_t mask = m_slots.size() - 1;
    for (const Slot& s : old)
        if (s.position != UINT32_MAX) {
            size_t i = s.key & mask;
            while (m_slots[i].position != UINT32_MAX)
                i = (i + 1) & mask;
            m_slots[i] = s;
        }
}

} // namespace Zelkoran::scene
