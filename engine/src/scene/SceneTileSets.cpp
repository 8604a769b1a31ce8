// Tile sets added to a scene from open Tile resources. The scene keeps a
// copy of the tile set's pixels, which exist only in memory until a save
// stores them as an image block, and closes the Tile it took over.
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tile.h>

#include "scene/SceneAccess.h"

#include <SDL.h>

#include <algorithm>

namespace Zelkoran {

int Scene::createTileSet(int tileId, int firstGid)
{
    TileMgr* tiles = Main::instance()->tileMgr();
    const Tile* tile = tiles->get(tileId);
    if (!tile)
        return RC_ERR_NOT_FOUND;
    const Image* image = Main::instance()->imageMgr()->get(tile->getImage());
    int tileW = 0, tileH = 0, across = 0, down = 0;
    tile->getOffset(tileW, tileH);
    tile->getTileCount(across, down);
    if (!image || !image->getSurface() || across < 1 || down < 1)
        return RC_ERR_INVALID;
    const uint64_t count = uint64_t(across) * uint64_t(down);
    auto& sets = m_impl->map.tileSets;
    uint64_t gid = 1;
    for (const auto& ts : sets)
        gid = std::max(gid, uint64_t(ts->firstGid) + ts->tileCount);
    if (firstGid >= 1) {
        for (const auto& ts : sets)
            if (uint64_t(firstGid) < uint64_t(ts->firstGid) + ts->tileCount && ts->firstGid < uint64_t(firstGid) + count)
                return RC_ERR_EXISTS;
        gid = uint64_t(firstGid);
    }
    if (gid + count > scene::kGidMask)
        return RC_ERR_INVALID;
    SDL_Surface* pixels = SDL_ConvertSurfaceFormat(image->getSurface(), SDL_PIXELFORMAT_ARGB8888, 0);
    if (!pixels)
        return RC_ERR_NO_MEMORY;
    auto ts = scene::memoryTileSet(tile->getName(), uint32_t(gid), tileW, tileH, across, uint32_t(count), pixels);
    auto at = std::upper_bound(sets.begin(), sets.end(), ts->firstGid,
                               [](uint32_t g, const auto& other) { return g < other->firstGid; });
    sets.insert(at, std::move(ts));
    tiles->close(tileId);
    return int(gid);
}

} // namespace Zelkoran
