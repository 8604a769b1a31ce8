// Pixel-deviation matching without a search of every earlier tile: when at
// most D pixels of two tiles may differ, cut each tile into D + 1 groups of
// pixels (runs in raster order); a match leaves at least one group whole.
// Each unique tile is filed under a 32-bit key of every group, so a tile's
// candidates are the tiles filed under one of its own keys, and any match
// is among them (a key shared by chance only adds a candidate the full
// comparison turns down).
#pragma once

#include <SDL_surface.h>

#include <cstdint>
#include <vector>

namespace Zelkoran::scene {

class PixelGroupIndex {
public:
    // Groups for tiles of width x height pixels of which at most differing
    // may differ; none (unusable) when a group would hold fewer than
    // kMinGroupPixels pixels, where keys of so few pixels would file most
    // tiles together.
    PixelGroupIndex(int width, int height, int64_t differing);

    bool usable() const { return m_groups > 0; }
    int groups() const { return m_groups; }
    // The keys of the tile at x, y of f into keys (groups() of them);
    // buffer holds width x height pixels. It reads nothing add changes, so
    // other threads may make keys while one files tiles.
    void keysOf(SDL_Surface* f, int x, int y, uint32_t* buffer, uint32_t* keys) const;
    // Asks for the slots of keys ahead of their lookup: each key lands in
    // a slot of its own, most of them out of the caches.
    void prefetch(const uint32_t* keys) const;
    // Files unique tile position p under its keys.
    void add(const uint32_t* keys, uint32_t p);
    // Every position filed under one of keys, ascending, each once.
    void candidates(const uint32_t* keys, std::vector<uint32_t>& out) const;

    static constexpr int kMinGroupPixels = 4;

private:
    // Open addressing with linear probing, at most 3/4 full; a key may
    // appear many times, once per tile filed under it.
    struct Slot {
        uint32_t key = 0;
        uint32_t position = UINT32_MAX; // UINT32_MAX: empty
    };
    void grow();

    int m_width, m_height, m_groups = 0;
    std::vector<Slot> m_slots;
    size_t m_used = 0;
};

} // namespace Zelkoran::scene
