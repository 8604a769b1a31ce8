#include "scene/SceneModel.h"

#include "scene/MapLayout.h"

#include <Zelkoran/Result.h>

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <utility>

namespace Zelkoran::scene {

namespace {
std::atomic<uint64_t> s_pictures{0};
}

Picture::Picture() : serial(s_pictures.fetch_add(1) + 1) {}

Picture::~Picture()
{
    for (const auto& [key, texture] : m_textures)
        SDL_DestroyTexture(texture);
    if (surface)
        SDL_FreeSurface(surface);
}

namespace {

// An ARGB8888 pixel tinted as Tiled tints: a pixel of alpha a takes tint x
// (colour x a + white x (1 - a)), so the clear part of a half-clear pixel
// takes the tint's colour too.
uint32_t tinted(uint32_t p, uint32_t tint)
{
    if (tint == 0xFFFFFFFF)
        return p;
    const uint32_t t[3] = {tint >> 16 & 255, tint >> 8 & 255, tint & 255};
    const uint32_t a = p >> 24;
    uint32_t c[3] = {p >> 16 & 255, p >> 8 & 255, p & 255};
    for (int i = 0; i < 3; ++i)
        c[i] = (t[i] * (c[i] * a + 255 * (255 - a)) + 255 * 255 / 2) / (255 * 255);
    return a << 24 | c[0] << 16 | c[1] << 8 | c[2];
}

uint32_t pixelAt(const SDL_Surface* argb, int x, int y)
{
    return reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) +
                                             size_t(y) * size_t(argb->pitch))[x];
}

// Pixels w x h, the one at (x, y) being at(x, y) of argb tinted, with x
// and y swapped when transposed.
template <typename At>
SDL_Surface* tintedCopy(const SDL_Surface* argb, int w, int h, uint32_t tint, bool transposed, At at)
{
    SDL_Surface* out = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!out)
        return nullptr;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(out->pixels) + size_t(y) * size_t(out->pitch));
        for (int x = 0; x < w; ++x) {
            const auto [sx, sy] = at(x, y);
            row[x] = tinted(transposed ? pixelAt(argb, sy, sx) : pixelAt(argb, sx, sy), tint);
        }
    }
    return out;
}

// A copy of the ARGB8888 pixels, x and y swapped when transposed, tinted.
SDL_Surface* variant(SDL_Surface* argb, uint32_t tint, bool transposed)
{
    const int w = transposed ? argb->h : argb->w, h = transposed ? argb->w : argb->h;
    return tintedCopy(argb, w, h, tint, transposed, [](int x, int y) { return std::pair(x, y); });
}

} // namespace

SDL_Texture* Picture::texture(SDL_Renderer* renderer, uint32_t tint, bool transposed)
{
    if (!surface || !renderer)
        return nullptr;
    drawnBy(renderer);
    const uint64_t key = tint | (transposed ? uint64_t(1) << 32 : 0);
    if (auto it = m_textures.find(key); it != m_textures.end())
        return it->second;
    SDL_Surface* pixels = key == 0xFFFFFFFF ? surface : variant(surface, tint, transposed);
    SDL_Texture* made = pixels ? SDL_CreateTextureFromSurface(renderer, pixels) : nullptr;
    if (pixels != surface)
        SDL_FreeSurface(pixels);
    if (!made)
        return nullptr;
    SDL_SetTextureBlendMode(made, SDL_BLENDMODE_BLEND);
    m_textures.emplace(key, made);
    return made;
}

const KeptPicture* Picture::sampled(SDL_Renderer* renderer, const SampledPart& part)
{
    const SDL_Point size = part.size();
    if (!surface || !renderer || size.x < 1 || size.y < 1)
        return nullptr;
    drawnBy(renderer);
    if (const KeptPicture* kept = m_kept.find(part))
        return kept;
    if (size_t(size.x) * size_t(size.y) * 12 > KeptSamples::kLargest)
        return nullptr;
    SDL_Surface* pixels = nullptr;
    if (part.runs.empty()) {
        pixels = tintedCopy(surface, size.x, size.y, part.tint, part.transposed, [&](int x, int y) {
            return std::pair(part.from.x + part.xs[size_t(x)], part.from.y + part.ys[size_t(y)]);
        });
    } else if ((pixels = SDL_CreateRGBSurfaceWithFormat(0, size.x, size.y, 32, SDL_PIXELFORMAT_ARGB8888))) {
        SDL_FillRect(pixels, nullptr, 0);
        for (const TurnedRun& r : part.runs) {
            const uint32_t p = tinted(pixelAt(surface, part.from.x + r.u, part.from.y + r.v), part.tint);
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels->pixels) +
                                                    size_t(r.y) * size_t(pixels->pitch));
            std::fill(row + r.x, row + r.x + r.length, p);
        }
    }
    const KeptPicture* made = pixels ? m_kept.keep(renderer, part, pixels) : nullptr;
    SDL_FreeSurface(pixels);
    return made;
}

void Picture::drawnBy(SDL_Renderer* renderer)
{
    if (m_owner == renderer)
        return;
    for (const auto& [key, texture] : m_textures)
        SDL_DestroyTexture(texture);
    m_textures.clear();
    m_kept.clear();
    m_owner = renderer;
}

bool Picture::opaque(const SDL_Rect& r)
{
    if (clearPalette)
        return false;
    const auto key = std::tuple(r.x, r.y, r.w, r.h);
    if (auto it = m_opaque.find(key); it != m_opaque.end())
        return it->second;
    SDL_Rect part = r;
    const SDL_Rect all{0, 0, surface ? surface->w : 0, surface ? surface->h : 0};
    bool opaque = SDL_IntersectRect(&all, &r, &part);
    for (int y = part.y; y < part.y + part.h && opaque; ++y)
        for (int x = part.x; x < part.x + part.w && opaque; ++x)
            opaque = pixelAt(surface, x, y) >> 24 == 255;
    m_opaque.emplace(key, opaque);
    return opaque;
}

PicturePtr memoryPicture(SDL_Surface* surface)
{
    auto p = std::make_shared<Picture>();
    p->surface = surface;
    return p;
}

std::unique_ptr<TileSet> memoryTileSet(const char* name, uint32_t firstGid, int tileWidth, int tileHeight, int columns,
                                       uint32_t tileCount, SDL_Surface* surface)
{
    auto ts = std::make_unique<TileSet>();
    ts->firstGid = firstGid;
    ts->tileWidth = tileWidth, ts->tileHeight = tileHeight, ts->columns = columns;
    ts->tileCount = ts->namedCount = tileCount;
    ts->picture = memoryPicture(surface);
    pugi::xml_node e = ts->element.append_child("tileset");
    e.append_attribute("name").set_value(name);
    e.append_attribute("tilewidth").set_value(tileWidth);
    e.append_attribute("tileheight").set_value(tileHeight);
    e.append_attribute("tilecount").set_value(tileCount);
    e.append_attribute("columns").set_value(columns);
    e.append_child("image");
    return ts;
}

bool TileSet::tileImage(uint32_t local, uint64_t timeMs, Picture*& pic, SDL_Rect& rect) const
{
    auto it = tiles.find(local);
    if (it != tiles.end() && !it->second.frames.empty() && it->second.totalMs > 0) {
        // A frame still shows at the very end of its time (as in Tiled):
        // time t falls in frame k when the frames before it end below t.
        uint64_t t = timeMs == 0 ? 0 : (timeMs - 1) % it->second.totalMs + 1;
        for (const Frame& f : it->second.frames) {
            if (t <= f.durationMs) {
                local = f.tileId;
                break;
            }
            t -= f.durationMs;
        }
        it = tiles.find(local);
    }
    if (it != tiles.end() && it->second.picture) {
        pic = it->second.picture.get();
        rect = it->second.rect;
        return pic->surface != nullptr;
    }
    if (!picture || !picture->surface || columns < 1 || local >= tileCount)
        return false;
    pic = picture.get();
    rect = SDL_Rect{margin + int(local % uint32_t(columns)) * (tileWidth + spacing),
                    margin + int(local / uint32_t(columns)) * (tileHeight + spacing), tileWidth, tileHeight};
    return true;
}

SDL_Point TileSet::tileSize(uint32_t local) const
{
    if (auto it = tiles.find(local); it != tiles.end() && it->second.picture)
        return {it->second.rect.w, it->second.rect.h};
    return {tileWidth, tileHeight};
}

const TileSet* Map::tileSetFor(uint32_t gid) const
{
    gid &= kGidMask;
    // Tile sets are kept by firstGid: the last one starting at or below gid.
    auto it = std::upper_bound(tileSets.begin(), tileSets.end(), gid,
                               [](uint32_t g, const std::unique_ptr<TileSet>& t) { return g < t->firstGid; });
    if (it == tileSets.begin())
        return nullptr;
    const TileSet* t = std::prev(it)->get();
    return t->contains(gid) ? t : nullptr;
}

std::unique_ptr<Layer> newTileLayer(const char* name, int columns, int rows)
{
    auto layer = std::make_unique<Layer>();
    layer->type = SLT_TILE;
    layer->name = name;
    layer->columns = columns, layer->rows = rows;
    layer->cells.assign(size_t(columns) * size_t(rows), 0);
    layer->encoding = "base64", layer->compression = "zlib";
    layer->element.append_child("layer");
    return layer;
}

int Map::freeSlot(int slot) const
{
    const int count = int(slots.size());
    if (slot < 1)
        slot = count + 1;
    if (slot > count + 1 || slot > kMaxSlots)
        return RC_ERR_INVALID;
    return slot <= count && slots[size_t(slot) - 1] ? RC_ERR_EXISTS : slot;
}

bool Map::roomForCells(uint64_t cells) const
{
    uint64_t used = 0;
    const auto count = [&used](const Layer& layer, auto&& self) -> void {
        used += layer.cells.size();
        for (const auto& child : layer.children)
            self(*child, self);
    };
    for (const auto& layer : slots)
        if (layer)
            count(*layer, count);
    return used <= kMaxMapCells && cells <= kMaxMapCells - used;
}

int Map::pixelWidth() const { return layoutOf(*this)->pictureSize().x; }

int Map::pixelHeight() const { return layoutOf(*this)->pictureSize().y; }

bool Map::gridFree(const Layer* except) const
{
    return std::all_of(slots.begin(), slots.end(), [&](const auto& l) { return !l || l.get() == except; });
}

} // namespace Zelkoran::scene
