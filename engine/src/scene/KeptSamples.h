// Tiles drawn stretched, mirrored or turned, kept as pictures of exactly
// the pixels they show on screen: sampled once, then copied whole, where
// drawing them as they are sampled takes a copy for every run of a tile
// pixel (thousands for one such tile). What all of them keep together is
// bounded.
#pragma once

#include "scene/TurnedTile.h"

#include <SDL_rect.h>

#include <cstddef>
#include <cstdint>
#include <list>
#include <vector>

struct SDL_Renderer;
struct SDL_Surface;
struct SDL_Texture;

namespace Zelkoran::scene {

// What a kept picture shows of the part `from` of a picture's pixels,
// tinted and transposed as a picture's texture is: at (i, j), pixel (xs[i],
// ys[j]); or, where xs and ys are empty, each of runs (placed from the kept
// picture's corner), clear elsewhere. faded: drawn at less than full alpha.
struct SampledPart {
    uint32_t tint = 0;
    bool transposed = false;
    bool faded = false;
    SDL_Rect from{0, 0, 0, 0};
    std::vector<int> xs, ys;
    std::vector<TurnedRun> runs;

    bool operator==(const SampledPart& o) const;
    // The kept picture's size.
    SDL_Point size() const;
};

// A kept part as two textures, each clear where the other shows. SDL's
// software renderer blends a pixel it copies stretched a little apart from
// one it copies as it is (or mirrored), unless the pixel is wholly clear,
// or wholly opaque and drawn at full alpha: those a draw by runs would
// stretch are kept in stretched, each row twice, copied squeezed to half
// its height; the others in oneToOne, copied as they are.
struct KeptPicture {
    SDL_Texture* oneToOne = nullptr;
    SDL_Texture* stretched = nullptr;
};

// One picture's kept samples for one renderer, the least recently used let
// go first when the bound across all pictures is reached.
class KeptSamples {
public:
    // Bytes all kept pictures together may hold, and one alone.
    static constexpr size_t kBudget = size_t(64) << 20;
    static constexpr size_t kLargest = size_t(12) << 20;

    KeptSamples() = default;
    KeptSamples(const KeptSamples&) = delete;
    KeptSamples& operator=(const KeptSamples&) = delete;
    ~KeptSamples() { clear(); }

    // The kept picture showing part, or null.
    const KeptPicture* find(const SampledPart& part);
    // Keeps the picture of pixels (ARGB8888, of part's size, which show
    // part) for renderer; null when it may not be kept: too large, or no
    // room left after letting this picture's own go.
    const KeptPicture* keep(SDL_Renderer* renderer, const SampledPart& part, const SDL_Surface* pixels);
    void clear();

private:
    struct Kept {
        SampledPart part;
        KeptPicture picture;
        size_t bytes;
    };
    std::list<Kept> m_kept; // the most recently used first
};

} // namespace Zelkoran::scene
