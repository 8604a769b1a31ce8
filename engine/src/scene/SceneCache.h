// Keeps the last drawn picture of a scene so unchanged frames cost one copy.
#pragma once

#include "scene/SceneModel.h"

#include <SDL_rect.h>

#include <cstdint>

namespace Zelkoran::scene {

// Draws like drawMap. When the map's opaque background covers the clip, what
// lands inside the clip depends on the map alone, so the frame is drawn once
// into a texture and copied while nothing it was drawn from changes; any
// other case is drawn directly.
class SceneCache {
public:
    SceneCache() = default;
    SceneCache(const SceneCache&) = delete;
    SceneCache& operator=(const SceneCache&) = delete;
    ~SceneCache();

    void draw(const Map& map, SDL_Renderer* renderer, float x, float y, uint64_t timeMs);

private:
    // A texture of the screen's format reaching the clip's far corner, or null.
    SDL_Texture* canvas(SDL_Renderer* renderer, const SDL_Rect& clip);

    SDL_Texture* m_texture = nullptr;
    SDL_Renderer* m_owner = nullptr;
    int m_w = 0, m_h = 0;
    // What the texture holds: the map's digest, the clip and the map's place.
    uint64_t m_key = 0;
    SDL_Rect m_clip{0, 0, 0, 0};
    float m_x = 0, m_y = 0;
};

// A digest of everything drawMap's result depends on, animation frames at
// timeMs included.
uint64_t drawKey(const Map& map, uint64_t timeMs);

} // namespace Zelkoran::scene
