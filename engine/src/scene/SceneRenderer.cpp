#include "scene/SceneIO.h"

namespace Zelkoran::scene {

void drawMap(const Map&, SDL_Renderer*, float, float, uint64_t) {}

} // namespace Zelkoran::scene
