// Layers made from pictures: one image layer, or a tile layer whose cells
// use a new tile set of the picture's distinct tiles packed into an atlas.
// The pixels exist only in memory until a save stores them.
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>

#include "scene/SceneAccess.h"
#include "scene/SceneSources.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <unordered_map>

namespace Zelkoran {

using scene::Layer;
using scene::Picture;
using scene::PicturePtr;
using scene::TileSet;

namespace {

using Pixels = std::vector<uint32_t>;

// The w x h tile at (x, y) of an ARGB8888 surface; pixels beyond the
// surface are transparent.
Pixels cutTile(SDL_Surface* s, int x, int y, int w, int h)
{
    Pixels out(size_t(w) * size_t(h), 0);
    for (int row = 0; row < h && y + row < s->h; ++row) {
        const auto* src = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) +
                                                            size_t(y + row) * size_t(s->pitch));
        const int n = std::min(w, s->w - x);
        if (n > 0)
            std::memcpy(out.data() + size_t(row) * size_t(w), src + x, size_t(n) * 4);
    }
    return out;
}

// Share of equal pixels reaches percent.
bool matches(const Pixels& a, const Pixels& b, float percent)
{
    const size_t need = size_t(std::ceil(double(a.size()) * percent / 100.0));
    size_t same = 0, left = a.size();
    for (size_t i = 0; i < a.size(); ++i, --left) {
        same += a[i] == b[i];
        if (same + left - 1 < need)
            return false;
    }
    return same >= need;
}

PicturePtr memoryPicture(SDL_Surface* surface)
{
    auto p = std::make_shared<Picture>();
    p->surface = surface;
    return p;
}

// The slot a new layer takes (0 and below: the next one), or a code.
int slotFor(const scene::Map& map, int slot)
{
    const int count = int(map.slots.size());
    if (slot < 1)
        slot = count + 1;
    if (slot > count + 1 || slot > scene::kMaxSlots)
        return RC_ERR_INVALID;
    return slot <= count && map.slots[size_t(slot) - 1] ? RC_ERR_EXISTS : slot;
}

// Builds the layer from surface (taken over in every case).
int importSurface(scene::Map& map, int slot, SDL_Surface* surface, const char* name, int tileW, int tileH,
                         float matchPercent, int colorKey)
{
    std::unique_ptr<SDL_Surface, void (*)(SDL_Surface*)> owned(surface, SDL_FreeSurface);
    if (!name || (tileW == 0) != (tileH == 0) || tileW < 0 || tileH < 0 ||
        (tileW > 0 && !(matchPercent >= 1.0f && matchPercent <= 100.0f)))
        return RC_ERR_INVALID;
    if ((slot = slotFor(map, slot)) < 1)
        return slot;
    if (colorKey >= 0)
        scene::applyColorKey(surface, uint32_t(colorKey) & 0xFFFFFFu);
    auto layer = std::make_unique<Layer>();
    layer->name = name;
    if (tileW == 0) {
        layer->type = SLT_IMAGE;
        layer->element.append_child("imagelayer").append_child("image");
        layer->picture = memoryPicture(owned.release());
        if (map.tileWidth < 1)
            map.tileWidth = layer->picture->surface->w, map.tileHeight = layer->picture->surface->h;
        map.width = std::max(map.width, 1);
        map.height = std::max(map.height, 1);
    } else {
        const int cols = (surface->w + tileW - 1) / tileW, rows = (surface->h + tileH - 1) / tileH;
        if (uint64_t(cols) * uint64_t(rows) > scene::kMaxCells)
            return RC_ERR_INVALID;
        // Distinct tiles: exact copies found by hash, near ones by scan.
        std::vector<Pixels> unique;
        std::unordered_multimap<size_t, uint32_t> byHash;
        std::vector<uint32_t> cellTile(size_t(cols) * size_t(rows));
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < cols; ++x) {
                Pixels tile = cutTile(surface, x * tileW, y * tileH, tileW, tileH);
                const size_t hash = std::hash<std::string_view>()(
                    std::string_view(reinterpret_cast<const char*>(tile.data()), tile.size() * 4));
                uint32_t found = UINT32_MAX;
                for (auto [it, end] = byHash.equal_range(hash); it != end && found == UINT32_MAX; ++it)
                    if (unique[it->second] == tile)
                        found = it->second;
                for (uint32_t i = 0; found == UINT32_MAX && matchPercent < 100.0f && i < unique.size(); ++i)
                    if (matches(tile, unique[i], matchPercent))
                        found = i;
                if (found == UINT32_MAX) {
                    found = uint32_t(unique.size());
                    byHash.emplace(hash, found);
                    unique.push_back(std::move(tile));
                }
                cellTile[size_t(y) * size_t(cols) + size_t(x)] = found;
            }
        const int atlasCols = int(std::ceil(std::sqrt(double(unique.size()))));
        const int atlasRows = int((unique.size() + size_t(atlasCols) - 1) / size_t(atlasCols));
        SDL_Surface* atlas = SDL_CreateRGBSurfaceWithFormat(0, atlasCols * tileW, atlasRows * tileH, 32,
                                                            SDL_PIXELFORMAT_ARGB8888);
        if (!atlas)
            return RC_ERR_NO_MEMORY;
        SDL_FillRect(atlas, nullptr, 0);
        for (size_t i = 0; i < unique.size(); ++i)
            for (int row = 0; row < tileH; ++row)
                std::memcpy(static_cast<uint8_t*>(atlas->pixels) +
                                size_t(int(i) / atlasCols * tileH + row) * size_t(atlas->pitch) +
                                size_t(int(i) % atlasCols * tileW) * 4,
                            unique[i].data() + size_t(row) * size_t(tileW), size_t(tileW) * 4);
        auto ts = std::make_unique<TileSet>();
        ts->firstGid = map.tileSets.empty() ? 1 : map.tileSets.back()->firstGid + map.tileSets.back()->tileCount;
        if (uint64_t(ts->firstGid) + unique.size() > scene::kGidMask) {
            SDL_FreeSurface(atlas);
            return RC_ERR_INVALID;
        }
        ts->tileWidth = tileW, ts->tileHeight = tileH, ts->columns = atlasCols;
        ts->tileCount = uint32_t(unique.size());
        ts->picture = memoryPicture(atlas);
        pugi::xml_node e = ts->element.append_child("tileset");
        e.append_attribute("name").set_value(name);
        e.append_attribute("tilewidth").set_value(tileW);
        e.append_attribute("tileheight").set_value(tileH);
        e.append_attribute("tilecount").set_value(ts->tileCount);
        e.append_attribute("columns").set_value(atlasCols);
        e.append_child("image");
        layer->type = SLT_TILE;
        layer->columns = cols, layer->rows = rows;
        layer->encoding = "base64", layer->compression = "zlib";
        layer->cells.resize(cellTile.size());
        for (size_t i = 0; i < cellTile.size(); ++i)
            layer->cells[i] = ts->firstGid + cellTile[i];
        layer->element.append_child("layer");
        map.tileSets.push_back(std::move(ts));
        if (map.tileWidth < 1)
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
    SDL_Surface* raw = IMG_Load(path);
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
