// Draws emitters: one textured quad per particle, all of an emitter in one
// SDL_RenderGeometry call (two with glow). The software renderer fills
// triangles several times slower than it blits, so there quads that are not
// turned go out as one copy (or fill) each instead.
#pragma once

#include "particle/GlowLayer.h"
#include "particle/ParticleEmitterCore.h"

#include <SDL_render.h>

#include <array>
#include <cstdint>

namespace Zelkoran::particle {

class Drawer {
public:
    Drawer() = default;
    ~Drawer();
    Drawer(const Drawer&) = delete;
    Drawer& operator=(const Drawer&) = delete;

    // Draws e's live particles; the renderer's clip applies. 0, or
    // RC_ERR_GENERIC when SDL refused the geometry.
    int draw(SDL_Renderer* renderer, const Emitter& e);
    // Frees the textures made for the current renderer.
    void release();

private:
    // What one particle quad shows.
    struct Look {
        SDL_Texture* texture = nullptr;
        float w = 1, h = 1;                 // base size in pixels
        float u0 = 0, v0 = 0, u1 = 1, v1 = 1; // texture area (one sprite frame)
        int frames = 1;                      // sprite frames along u
        float frameU = 0;                    // u width of one sprite frame
    };
    bool lookOf(SDL_Renderer* renderer, const Emitter& e, Look& look);
    // The soft dot's alpha at side x side pixels, row by row, and by alpha
    // mod how many of its outer rings draw nothing.
    struct DotShape {
        Vector<uint8_t> alpha;
        std::array<uint8_t, 256> rims{};
    };
    const DotShape& dotShape(int side);
    // The soft dot: size 0 the smooth master for scaled drawing, else one
    // made at size x size pixels, so a copy needs no scaling; premultiplied:
    // white times alpha, for multiply blending.
    SDL_Texture* softDot(SDL_Renderer* renderer, int size = 0, bool premultiplied = false);
    // Samples the colour and scale keys into m_colors and m_scales, each
    // only when its keys differ from those it was last sampled from.
    void buildRamps(const Settings& s);
    void buildOrder(const Emitter& e);
    // Fills the quads of the particles that reach the output; glow: the
    // soft halo pass. The number of quads.
    int buildQuads(const Emitter& e, const Look& look, bool glow);
    // axisAligned: every quad is an upright rectangle.
    int submit(SDL_Renderer* renderer, SDL_Texture* texture, SDL_BlendMode mode, int quads, bool axisAligned);
    // soft: the texture is the soft dot, drawn from its copy of the quad's size.
    int submitCopies(SDL_Renderer* renderer, SDL_Texture* texture, SDL_BlendMode mode, int quads, bool soft);
    // The glow halos on the software renderer with a plain view: summed in
    // one layer (GlowLayer.h).
    int submitGlow(SDL_Renderer* renderer, int quads);
    bool software(SDL_Renderer* renderer);
    // Whether the copies of the quads give the same pixels in any order.
    bool anyOrder(SDL_Texture* texture, SDL_BlendMode mode, bool soft, int quads) const;
    // The quads by bands of output rows, top first, each band in drawing order.
    const int* byBand(int quads);

    SDL_Renderer* m_owner = nullptr;
    SDL_Renderer* m_probed = nullptr; // the renderer m_software describes
    bool m_software = false;
    Vector<SDL_Texture*> m_soft; // by size, [0] the master; then the premultiplied ones
    Vector<DotShape> m_shapes; // by side
    bool m_plainView = false; // no viewport offset, no scale: copies land at truncated positions
    SDL_FRect m_view{};      // the renderer's output within its clip
    SDL_Color m_colors[256] = {};
    float m_scales[256] = {};
    Vector<ParticleColorKey> m_colorKeys; // the keys m_colors holds
    Vector<ParticleScaleKey> m_scaleKeys; // the keys m_scales holds
    Vector<SDL_Vertex> m_vertices;
    Vector<int> m_indices;
    Vector<int> m_order;
    Vector<int> m_bandStart;
    Vector<int> m_banded;
    GlowLayer m_glow;
};

} // namespace Zelkoran::particle
