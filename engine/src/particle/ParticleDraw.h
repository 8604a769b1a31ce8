// Draws emitters: one textured quad per particle, all of an emitter in one
// SDL_RenderGeometry call (two with glow).
#pragma once

#include "particle/ParticleEmitterCore.h"

#include <SDL_render.h>

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
    SDL_Texture* softDot(SDL_Renderer* renderer);
    void buildRamps(const Settings& s);
    void buildOrder(const Emitter& e);
    // Fills the quads; glow: the soft halo pass.
    void buildQuads(const Emitter& e, const Look& look, bool glow);
    int submit(SDL_Renderer* renderer, SDL_Texture* texture, SDL_BlendMode mode, int quads);

    SDL_Renderer* m_owner = nullptr;
    SDL_Texture* m_soft = nullptr;
    SDL_Color m_colors[256] = {};
    float m_scales[256] = {};
    Vector<SDL_Vertex> m_vertices;
    Vector<int> m_indices;
    Vector<int> m_order;
};

} // namespace Zelkoran::particle
