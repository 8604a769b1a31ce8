// Layers made from pictures: one image layer, or a tile layer whose cells
// use a new tile set of the picture's distinct tiles packed into an atlas.
// The pixels exist only in memory until a save stores them.
#include <Zelkoran/FrameTiles.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>

#include "image/PictureDecode.h"
#include "scene/SceneAccess.h"
#include "scene/SceneSources.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>

namespace Zelkoran {

using scene::Layer;
using scene::TileSet;

namespace {

// The surface grown with transparent pixels to cols x rows whole tiles (the
// surface itself when it already is), or null when out of memory.
SDL_Surface* wholeTiles(SDL_Surface* s, int cols, int rows, int tileW, int tileH)
{
    if (s->w == cols * tileW && s->h == rows * tileH)
        return s;
    SDL_Surface* out = SDL_CreateRGBSurfaceWithFormat(0, cols * tileW, rows * tileH, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!out)
        return nullptr;
    SDL_FillRect(out, nullptr, 0);
    for (int y = 0; y < s->h; ++y)
        std::memcpy(static_cast<uint8_t*>(out->pixels) + size_t(y) * size_t(out->pitch),
                    static_cast<const uint8_t*>(s->pixels) + size_t(y) * size_t(s->pitch), size_t(s->w) * 4);
    return out;
}

// Builds the layer from surface (taken over in every case).
int importSurface(scene::Map& map, int slot, SDL_Surface* surface, const char* name, int tileW, int tileH,
                  float matchPercent, int colorKey)
{
    std::unique_ptr<SDL_Surface, void (*)(SDL_Surface*)> owned(surface, SDL_FreeSurface);
    if (!name || (tileW == 0) != (tileH == 0) || tileW < 0 || tileH < 0 ||
        (tileW > 0 && !(matchPercent >= 1.0f && matchPercent <= 100.0f)))
        return RC_ERR_INVALID;
    if ((slot = map.freeSlot(slot)) < 1)
        return slot;
    // Tile layers share the map's grid: once layers lie on it, it stays.
    const bool gridFree = map.gridFree();
    if (tileW > 0 && !gridFree && (tileW != map.tileWidth || tileH != map.tileHeight))
        return RC_ERR_INVALID;
    if (colorKey >= 0)
        scene::applyColorKey(surface, uint32_t(colorKey) & 0xFFFFFFu);
    std::unique_ptr<Layer> layer;
    if (tileW == 0) {
        layer = std::make_unique<Layer>();
        layer->type = SLT_IMAGE;
        layer->name = name;
        layer->element.append_child("imagelayer").append_child("image");
        layer->picture = scene::memoryPicture(owned.release());
        if (map.tileWidth < 1)
            map.tileWidth = layer->picture->surface->w, map.tileHeight = layer->picture->surface->h;
        map.width = std::max(map.width, 1);
        map.height = std::max(map.height, 1);
    } else {
        const int cols = (surface->w + tileW - 1) / tileW, rows = (surface->h + tileH - 1) / tileH;
        if (uint64_t(cols) * uint64_t(rows) > scene::kMaxCells)
            return RC_ERR_INVALID;
        if (!map.roomForCells(uint64_t(cols) * uint64_t(rows)))
            return RC_ERR_TOO_LARGE;
        // Distinct tiles as in a one-frame animation: tiles with at most
        // (100 - matchPercent) % of their pixels different share the lowest
        // such id; fully transparent cells stay empty.
        SDL_Surface* whole = wholeTiles(surface, cols, rows, tileW, tileH);
        if (!whole)
            return RC_ERR_NO_MEMORY;
        std::unique_ptr<SDL_Surface, void (*)(SDL_Surface*)> padded(whole == surface ? nullptr : whole,
                                                                     SDL_FreeSurface);
        const std::vector<SDL_Surface*> frames{whole};
        const FrameTileSettings settings = FrameTileSettings::make(tileW, tileH, matchPercent, 0);
        FrameTileAnalysis analysis;
        if (int rc = analyzeFrameTiles(frames, settings, analysis); rc != RC_OK)
            return rc;
        SDL_Surface* atlas = nullptr;
        if (!analysis.unique.empty())
            if (int rc = buildFrameTileAtlas(frames, analysis, settings, atlas); rc != RC_OK)
                return rc;
        // A picture with no opaque pixel gets empty cells and no tile set.
        const uint32_t firstGid = map.tileSets.empty() ? 1 : map.tileSets.back()->firstGid + map.tileSets.back()->tileCount;
        if (atlas) {
            // The set holds every tile its atlas does (the last row's spare
            // ones are empty), as any reader cuts it.
            const uint32_t slots = uint32_t(atlas->w / tileW) * uint32_t(atlas->h / tileH);
            if (uint64_t(firstGid) + slots > scene::kGidMask) {
                SDL_FreeSurface(atlas);
                return RC_ERR_INVALID;
            }
            map.tileSets.push_back(scene::memoryTileSet(name, firstGid, tileW, tileH, atlas->w / tileW, slots, atlas));
        }
        layer = scene::newTileLayer(name, cols, rows);
        for (size_t i = 0; i < analysis.cellIds.size(); ++i)
            layer->cells[i] = analysis.cellIds[i] ? firstGid + analysis.cellIds[i] - 1 : 0;
        if (gridFree)
            map.tileWidth = tileW, map.tileHeight = tileH;
        map.width = std::max(map.width, cols);
        map.height = std::max(map.height, rows);
    }
    map.slots.resize(std::max(map.slots.size(), size_t(slot)));
    map.slots[size_t(slot) - 1] = std::move(layer);
    return RC_OK;
}

} // namespace

int Scene::importLayerFromFile(int slot, const char* path, const char* layerName, int tileW, int tileH,
                               float matchPercent, int colorKey)
{
    if (!path)
        return RC_ERR_INVALID;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return RC_ERR_NOT_FOUND;
    const char* dot = std::strrchr(path, '.');
    SDL_Surface* raw = image::decodePicture(SDL_RWFromFile(path, "rb"), dot ? dot + 1 : nullptr);
    SDL_Surface* argb = raw ? SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_ARGB8888, 0) : nullptr;
    SDL_FreeSurface(raw);
    if (!argb)
        return RC_ERR_CORRUPT;
    return importSurface(m_impl->map, slot, argb, layerName, tileW, tileH, matchPercent, colorKey);
}

int Scene::importLayerFromImage(int slot, int imageId, const char* layerName, int tileW, int tileH,
                                float matchPercent, int colorKey)
{
    Image* image = Main::instance()->imageMgr()->get(imageId);
    if (!image || !image->getSurface())
        return RC_ERR_NOT_FOUND;
    SDL_Surface* copy = SDL_ConvertSurfaceFormat(image->getSurface(), SDL_PIXELFORMAT_ARGB8888, 0);
    if (!copy)
        return RC_ERR_NO_MEMORY;
    return importSurface(m_impl->map, slot, copy, layerName, tileW, tileH, matchPercent, colorKey);
}

int Scene::closeTileSet(int firstGid)
{
    auto& sets = m_impl->map.tileSets;
    auto it = std::find_if(sets.begin(), sets.end(), [&](const auto& t) { return int(t->firstGid) == firstGid; });
    if (it == sets.end())
        return RC_ERR_NOT_FOUND;
    // Tile objects drawn from it forget it; their cells draw nothing.
    const TileSet* gone = it->get();
    const auto forget = [&](Layer& l, auto&& self) -> void {
        for (auto& o : l.tileObjects)
            if (o.tileSet == gone)
                o.tileSet = nullptr;
        for (auto& c : l.children)
            self(*c, self);
    };
    for (auto& l : m_impl->map.slots)
        if (l)
            forget(*l, forget);
    sets.erase(it);
    return RC_OK;
}

int Scene::setTileAnimation(uint32_t gid, const Vector<uint32_t>& frames, const Vector<uint32_t>& durationsMs)
{
    const TileSet* found = m_impl->map.tileSetFor(gid);
    if (!found)
        return RC_ERR_NOT_FOUND;
    if (frames.empty() || frames.size() != durationsMs.size())
        return RC_ERR_INVALID;
    auto& ts = const_cast<TileSet&>(*found);
    scene::TileArt& art = ts.tiles[(gid & scene::kGidMask) - ts.firstGid];
    std::vector<scene::Frame> list;
    uint32_t total = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (m_impl->map.tileSetFor(frames[i]) != found)
            return RC_ERR_INVALID;
        list.push_back({(frames[i] & scene::kGidMask) - ts.firstGid, std::max(1u, durationsMs[i])});
        total += list.back().durationMs;
    }
    art.frames = std::move(list);
    art.totalMs = total;
    // The tile set's text carries the animation too, so saves keep it.
    pugi::xml_node e = ts.element.document_element();
    const uint32_t local = (gid & scene::kGidMask) - ts.firstGid;
    pugi::xml_node tile = e.find_child_by_attribute("tile", "id", std::to_string(local).c_str());
    if (!tile) {
        tile = e.append_child("tile");
        tile.append_attribute("id").set_value(local);
    }
    tile.remove_child("animation");
    pugi::xml_node anim = tile.append_child("animation");
    for (const scene::Frame& f : art.frames) {
        pugi::xml_node frame = anim.append_child("frame");
        frame.append_attribute("tileid").set_value(f.tileId);
        frame.append_attribute("duration").set_value(f.durationMs);
    }
    return RC_OK;
}

} // namespace Zelkoran
