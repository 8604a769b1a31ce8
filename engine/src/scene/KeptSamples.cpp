#include "scene/KeptSamples.h"

#include "scene/TileSampling.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace Zelkoran::scene {

namespace {

// Bytes held by every picture's kept samples (pictures may be drawn on
// several threads, each with its own renderer).
std::atomic<size_t> s_held{0};

// For each of samples, how a draw by runs copies it: bit 0 stretched (one
// tile pixel over several screen pixels), bit 1 mirrored.
std::vector<uint8_t> copyKinds(const std::vector<int>& samples)
{
    std::vector<uint8_t> kinds(samples.size());
    for (const SampleRun& run : sampleRuns(samples, 0))
        for (int i = run.screen; i < run.screen + run.length; ++i)
            kinds[size_t(i)] = uint8_t((run.tiles != run.length ? 1 : 0) | (run.backwards ? 2 : 0));
    return kinds;
}

// For each pixel of part's picture (row by row), whether a draw by runs
// copies it stretched and unmirrored.
std::vector<bool> stretchedPixels(const SampledPart& part, int w, int h)
{
    std::vector<bool> stretched(size_t(w) * size_t(h));
    if (!part.runs.empty()) {
        for (const TurnedRun& r : part.runs)
            for (int x = r.x; x < r.x + r.length; ++x)
                stretched[size_t(r.y) * size_t(w) + size_t(x)] = r.length > 1;
        return stretched;
    }
    const std::vector<uint8_t> across = copyKinds(part.xs), down = copyKinds(part.ys);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            stretched[size_t(y) * size_t(w) + size_t(x)] = (across[size_t(x)] | down[size_t(y)]) == 1;
    return stretched;
}

uint32_t* rowOf(const SDL_Surface* s, int y)
{
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + size_t(y) * size_t(s->pitch));
}

void release(const KeptPicture& kept)
{
    if (kept.oneToOne)
        SDL_DestroyTexture(kept.oneToOne);
    if (kept.stretched)
        SDL_DestroyTexture(kept.stretched);
}

SDL_Texture* textureOf(SDL_Renderer* renderer, SDL_Surface* pixels)
{
    SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, pixels);
    if (texture)
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
    return texture;
}

// The pixels of part's two textures (see KeptPicture), null where the
// texture would show nothing.
struct Split {
    SDL_Surface* oneToOne = nullptr;
    SDL_Surface* stretched = nullptr;

    size_t bytes() const
    {
        const auto of = [](const SDL_Surface* s) { return s ? size_t(s->w) * size_t(s->h) * 4 : 0; };
        return of(oneToOne) + of(stretched);
    }
    void drop()
    {
        SDL_FreeSurface(oneToOne);
        SDL_FreeSurface(stretched);
        oneToOne = stretched = nullptr;
    }
};

Split split(const SampledPart& part, const SDL_Surface* pixels)
{
    const int w = pixels->w, h = pixels->h;
    const std::vector<bool> stretchedAt = stretchedPixels(part, w, h);
    Split out{SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888),
              SDL_CreateRGBSurfaceWithFormat(0, w, 2 * h, 32, SDL_PIXELFORMAT_ARGB8888)};
    if (!out.oneToOne || !out.stretched) {
        out.drop();
        return out;
    }
    SDL_FillRect(out.oneToOne, nullptr, 0);
    SDL_FillRect(out.stretched, nullptr, 0);
    bool anyOne = false, anyStretched = false;
    for (int y = 0; y < h; ++y) {
        const uint32_t* from = rowOf(pixels, y);
        uint32_t *to = rowOf(out.oneToOne, y), *upper = rowOf(out.stretched, 2 * y),
                 *lower = rowOf(out.stretched, 2 * y + 1);
        for (int x = 0; x < w; ++x) {
            const uint32_t alpha = from[x] >> 24;
            const bool blendsApart = alpha != 0 && (alpha != 255 || part.faded);
            if (blendsApart && stretchedAt[size_t(y) * size_t(w) + size_t(x)])
                upper[x] = lower[x] = from[x], anyStretched = true;
            else
                to[x] = from[x], anyOne = true;
        }
    }
    if (!anyOne)
        SDL_FreeSurface(out.oneToOne), out.oneToOne = nullptr;
    if (!anyStretched)
        SDL_FreeSurface(out.stretched), out.stretched = nullptr;
    return out;
}

} // namespace

bool SampledPart::operator==(const SampledPart& o) const
{
    const auto sameRuns = [&] {
        return runs.size() == o.runs.size() &&
               (runs.empty() || !std::memcmp(runs.data(), o.runs.data(), runs.size() * sizeof(TurnedRun)));
    };
    return tint == o.tint && transposed == o.transposed && faded == o.faded && SDL_RectEquals(&from, &o.from) &&
           xs == o.xs && ys == o.ys && sameRuns();
}

SDL_Point SampledPart::size() const
{
    if (runs.empty())
        return {int(xs.size()), int(ys.size())};
    SDL_Point size{0, 0};
    for (const TurnedRun& r : runs)
        size.x = std::max(size.x, r.x + r.length), size.y = std::max(size.y, r.y + 1);
    return size;
}

const KeptPicture* KeptSamples::find(const SampledPart& part)
{
    for (auto it = m_kept.begin(); it != m_kept.end(); ++it)
        if (it->part == part) {
            m_kept.splice(m_kept.begin(), m_kept, it);
            return &m_kept.front().picture;
        }
    return nullptr;
}

const KeptPicture* KeptSamples::keep(SDL_Renderer* renderer, const SampledPart& part, const SDL_Surface* pixels)
{
    // At most: one to one and stretched at twice its height.
    if (size_t(pixels->w) * size_t(pixels->h) * 12 > kLargest)
        return nullptr;
    Split parts = split(part, pixels);
    const size_t bytes = parts.bytes();
    while (bytes && s_held.fetch_add(bytes) + bytes > kBudget) {
        s_held -= bytes;
        if (m_kept.empty()) {
            parts.drop();
            return nullptr;
        }
        release(m_kept.back().picture);
        s_held -= m_kept.back().bytes;
        m_kept.pop_back();
    }
    if (!bytes)
        return nullptr;
    const KeptPicture picture{parts.oneToOne ? textureOf(renderer, parts.oneToOne) : nullptr,
                              parts.stretched ? textureOf(renderer, parts.stretched) : nullptr};
    const bool made = bool(picture.oneToOne) == bool(parts.oneToOne) && bool(picture.stretched) == bool(parts.stretched);
    parts.drop();
    if (!made) {
        release(picture);
        s_held -= bytes;
        return nullptr;
    }
    m_kept.push_front({part, picture, bytes});
    return &m_kept.front().picture;
}

void KeptSamples::clear()
{
    for (const Kept& k : m_kept) {
        release(k.picture);
        s_held -= k.bytes;
    }
    m_kept.clear();
}

} // namespace Zelkoran::scene
