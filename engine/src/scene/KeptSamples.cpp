#include "scene/KeptSamples.h"

#include "scene/TileSampling.h"

#include <SDL.h>

#include <atomic>

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

// The two textures of pixels (see KeptPicture), none when one cannot be
// made; bytes set to what they hold.
KeptPicture split(SDL_Renderer* renderer, const SampledPart& part, const SDL_Surface* pixels, size_t& bytes)
{
    const int w = pixels->w, h = pixels->h;
    const std::vector<uint8_t> across = copyKinds(part.xs), down = copyKinds(part.ys);
    SDL_Surface* one = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Surface* stretched = SDL_CreateRGBSurfaceWithFormat(0, w, 2 * h, 32, SDL_PIXELFORMAT_ARGB8888);
    KeptPicture kept;
    bool anyOne = false, anyStretched = false;
    if (one && stretched) {
        SDL_FillRect(one, nullptr, 0);
        SDL_FillRect(stretched, nullptr, 0);
        for (int y = 0; y < h; ++y) {
            const uint32_t* from = rowOf(pixels, y);
            uint32_t *to = rowOf(one, y), *upper = rowOf(stretched, 2 * y), *lower = rowOf(stretched, 2 * y + 1);
            for (int x = 0; x < w; ++x) {
                const uint32_t alpha = from[x] >> 24;
                const bool blendsApart = alpha != 0 && (alpha != 255 || part.faded);
                // Copied unmirrored and stretched along either axis.
                if (blendsApart && (across[size_t(x)] | down[size_t(y)]) == 1)
                    upper[x] = lower[x] = from[x], anyStretched = true;
                else
                    to[x] = from[x], anyOne = true;
            }
        }
        kept.oneToOne = anyOne ? textureOf(renderer, one) : nullptr;
        kept.stretched = anyStretched ? textureOf(renderer, stretched) : nullptr;
    }
    SDL_FreeSurface(one);
    SDL_FreeSurface(stretched);
    if ((!anyOne && !anyStretched) || anyOne != bool(kept.oneToOne) || anyStretched != bool(kept.stretched)) {
        release(kept);
        return {};
    }
    bytes = (anyOne ? size_t(w) * size_t(h) * 4 : 0) + (anyStretched ? size_t(w) * size_t(h) * 8 : 0);
    return kept;
}

} // namespace

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
    const size_t most = size_t(pixels->w) * size_t(pixels->h) * 12;
    if (most > kLargest)
        return nullptr;
    while (s_held.fetch_add(most) + most > kBudget) {
        s_held -= most;
        if (m_kept.empty())
            return nullptr;
        release(m_kept.back().picture);
        s_held -= m_kept.back().bytes;
        m_kept.pop_back();
    }
    size_t bytes = 0;
    const KeptPicture picture = split(renderer, part, pixels, bytes);
    s_held -= most - bytes;
    if (!bytes)
        return nullptr;
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
