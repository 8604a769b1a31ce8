// Glow halos for the software renderer: each halo is added into one layer,
// and the layer goes onto the output in a single additive copy. Copied one
// by one, the renderer's blitter spends far more per halo than its pixels
// cost. The pixels are those the copies would give: an additive copy
// saturates each channel, and saturating sums of terms that are never
// negative do not depend on how they are grouped.
#pragma once

#include <Zelkoran/CMem.h>

#include <SDL_render.h>

#include <cstdint>

namespace Zelkoran::particle {

class GlowLayer {
public:
    GlowLayer() = default;
    ~GlowLayer();
    GlowLayer(const GlowLayer&) = delete;
    GlowLayer& operator=(const GlowLayer&) = delete;

    // One halo: a dot of side x side alpha values (row by row) whose top-left
    // pixel lands on x, y, tinted r, g, b at alpha mod a; `cut` outer rings
    // add nothing and are skipped.
    struct Halo {
        const uint8_t* alpha;
        int x, y, side, cut;
        uint8_t r, g, b, a;
    };

    // Starts a layer over the output rectangle `view` (in output pixels).
    void begin(const SDL_Rect& view);
    void add(const Halo& halo) { m_halos.push_back(halo); }
    // Sums the halos and adds the layer onto the renderer's output. 0, or
    // RC_ERR_GENERIC when SDL refused the texture or the copy.
    int flush(SDL_Renderer* renderer);
    // Frees the texture made for the current renderer.
    void release();

private:
    SDL_Renderer* m_owner = nullptr;
    SDL_Texture* m_texture = nullptr;
    int m_textureW = 0, m_textureH = 0;
    SDL_Rect m_view{}; // from begin; at flush narrowed to where the halos reach
    Vector<Halo> m_halos;
};

} // namespace Zelkoran::particle
