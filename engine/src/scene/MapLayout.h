// What differs between the map orientations Tiled draws: how big the map's
// picture is, where its pixel (0, 0) lies, which cells of a tile layer can
// reach the clip and where each one's tile is anchored, where a tile
// object's point lands and where it stands on its tile. One layout per
// orientation, chosen once for a map.
#pragma once

#include "scene/SceneModel.h"
#include "scene/TurnedTile.h"

#include <SDL_rect.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace Zelkoran::scene {

// The part of the screen a tile layer is drawn into: the clip (w 0 = none)
// and how far tiles reach beyond their cell (left, up, right, down pixels).
struct CellReach {
    SDL_Rect clip;
    int reach[4];
};

struct MapPoint {
    double x, y;
};

// Where a tile object stands: its point in the map's picture, which part
// of its tile sits on it across (0 left, 1 centre) and how Tiled moves its
// painter there.
struct ObjectPlace {
    double x, y;
    int alignX;
    TileMove move;
};

class MapLayout {
public:
    explicit MapLayout(const Map& map) : m_map(map) {}
    virtual ~MapLayout() = default;
    MapLayout(const MapLayout&) = delete;
    MapLayout& operator=(const MapLayout&) = delete;

    // The size of the map's picture in pixels.
    virtual SDL_Point pictureSize() const = 0;
    // Where the map's pixel (0, 0), from which image layers and objects are
    // placed, lies from the scene's: the scene begins at the map's cell
    // (originX, originY).
    virtual MapPoint mapZero() const = 0;
    // Calls draw, in Tiled's order, for each tile of layer (placed at ox,
    // oy) that can reach what shows, with its gid and its bottom-left in the
    // layer, counted from the scene's top-left cell.
    using CellDraw = std::function<void(uint32_t gid, double left, double bottom)>;
    virtual void eachCell(const Layer& layer, const CellReach& shown, double ox, double oy,
                          const CellDraw& draw) const = 0;
    // Where the tile object at the map's (x, y) stands.
    virtual ObjectPlace objectPlace(double x, double y) const { return {x, y, 0, TileMove::ToCorner}; }
    // How far right Tiled's renderer begins its picture of the map.
    virtual int64_t pictureCut() const { return 0; }

protected:
    const Map& m_map;
};

// The layout of map's orientation.
std::unique_ptr<MapLayout> layoutOf(const Map& map);

} // namespace Zelkoran::scene
