// Engine side: the map model behind a Scene, for the readers, writers,
// tools and tests.
#pragma once

#include "scene/SceneCache.h"
#include "scene/SceneModel.h"

#include <Zelkoran/Scene.h>

namespace Zelkoran {

namespace scene {
struct LayerView {
    virtual ~LayerView() = default;
};
} // namespace scene

struct Scene::Impl {
    int id = 0;
    String name;
    scene::Map map;
    bool hasViewport = false;
    SDL_Rect viewport{0, 0, 0, 0};
    uint64_t timeMs = 0;     // animation clock
    uint64_t lastTickMs = 0; // engine ticks at the previous update(0)
    scene::SceneCache cache; // the last frame drawn
    // The layer views handed out by accessLayerTile / accessLayerObject; they
    // live as long as their layer.
    std::map<const scene::Layer*, std::unique_ptr<scene::LayerView>> views;
};

struct SceneAccess {
    static scene::Map& map(Scene& s) { return s.m_impl->map; }
    static const scene::Map& map(const Scene& s) { return s.m_impl->map; }
    static uint64_t& clock(Scene& s) { return s.m_impl->timeMs; }
};

} // namespace Zelkoran
