#include "scene/SceneCache.h"

#include "gfx/WindowPixels.h"
#include "scene/SceneIO.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace Zelkoran::scene {

namespace {

// Beyond this many cells, digesting them each frame costs more than drawing
// the cells a clip shows.
constexpr size_t kMaxDigestCells = size_t(1) << 20;

// FNV-1a taken eight bytes at a time: each step is a bijection of the
// running value, so changing any one word always changes the result.
class Digest {
public:
    template <typename T> void add(const T& value) { bytes(&value, sizeof value); }
    void bytes(const void* data, size_t size)
    {
        const auto* p = static_cast<const unsigned char*>(data);
        for (; size > 0; p += std::min<size_t>(size, 8), size -= std::min<size_t>(size, 8)) {
            uint64_t word = 0;
            std::memcpy(&word, p, std::min<size_t>(size, 8));
            m_value = (m_value ^ word) * 0x100000001b3ull;
        }
    }
    void picture(const Picture* p) { add(p ? p->serial : uint64_t(0)); }
    uint64_t value() const { return m_value; }

private:
    uint64_t m_value = 0xcbf29ce484222325ull;
};

void addTileSet(Digest& d, const TileSet& ts, uint64_t timeMs)
{
    d.add(ts.firstGid), d.add(ts.tileWidth), d.add(ts.tileHeight), d.add(ts.spacing), d.add(ts.margin);
    d.add(ts.columns), d.add(ts.tileCount), d.add(ts.offsetX), d.add(ts.offsetY), d.add(ts.gridRenderSize);
    d.add(ts.alignX), d.add(ts.alignY);
    d.picture(ts.picture.get());
    for (const auto& [id, art] : ts.tiles) {
        d.add(id);
        d.picture(art.picture.get());
        d.add(art.rect);
        // Animated tiles count by the frame they show now.
        Picture* shown = nullptr;
        SDL_Rect rect{0, 0, 0, 0};
        if (!art.frames.empty() && ts.tileImage(id, timeMs, shown, rect))
            d.picture(shown), d.add(rect);
    }
}

void addLayer(Digest& d, const Layer& layer)
{
    d.add(layer.type), d.add(layer.offsetX), d.add(layer.offsetY), d.add(layer.opacity), d.add(layer.tint);
    d.add(layer.features), d.add(layer.columns), d.add(layer.rows), d.add(layer.originX), d.add(layer.originY);
    d.add(layer.cells.size());
    d.bytes(layer.cells.data(), layer.cells.size() * sizeof(uint32_t));
    d.picture(layer.picture.get());
    d.add(layer.repeatX), d.add(layer.repeatY);
    d.add(layer.tileObjects.size());
    for (const TileObject& o : layer.tileObjects) {
        d.add(o.tileSet), d.add(o.gid), d.add(o.x), d.add(o.y), d.add(o.width), d.add(o.height);
        d.add(o.rotation), d.add(o.visible);
    }
    d.add(layer.children.size());
    for (const auto& child : layer.children)
        child ? addLayer(d, *child) : d.add(0);
}

// The map's opaque background, placed on whole pixels, hides all beneath
// it in the clip.
bool hidesClip(const Map& map, float x, float y, const SDL_Rect& clip)
{
    return map.hasBackground && map.background[3] == 255 && x <= float(clip.x) && y <= float(clip.y) &&
           x + float(map.pixelWidth()) >= float(clip.x + clip.w) &&
           y + float(map.pixelHeight()) >= float(clip.y + clip.h) && float(int(x)) == x && float(int(y)) == y;
}

size_t cellCount(const std::vector<std::unique_ptr<Layer>>& layers)
{
    size_t n = 0;
    for (const auto& layer : layers)
        if (layer)
            n += layer->cells.size() + cellCount(layer->children);
    return n;
}

} // namespace

uint64_t drawKey(const Map& map, uint64_t timeMs)
{
    Digest d;
    d.add(map.orientation), d.add(map.renderOrder), d.add(map.width), d.add(map.height);
    d.add(map.tileWidth), d.add(map.tileHeight), d.add(map.hexSideLength), d.add(map.staggerX);
    d.add(map.staggerEven), d.add(map.originX), d.add(map.originY), d.add(map.hasBackground), d.add(map.background);
    // Objects name their tile set by address, so each set is counted with it.
    for (const auto* sets : {&map.tileSets, &map.templateTileSets})
        for (const auto& ts : *sets)
            d.add(ts.get()), addTileSet(d, *ts, timeMs);
    d.add(map.slots.size());
    for (const auto& layer : map.slots)
        layer ? addLayer(d, *layer) : d.add(0);
    return d.value();
}

SceneCache::~SceneCache()
{
    if (m_texture)
        SDL_DestroyTexture(m_texture);
}

SDL_Texture* SceneCache::canvas(SDL_Renderer* renderer, const SDL_Rect& clip)
{
    const int w = clip.x + clip.w, h = clip.y + clip.h;
    if (m_texture && m_owner == renderer && w <= m_w && h <= m_h)
        return m_texture;
    if (m_texture)
        SDL_DestroyTexture(m_texture);
    m_texture = nullptr;
    m_owner = nullptr;
    m_texture = createWindowTexture(renderer, w, h);
    if (!m_texture)
        return nullptr;
    m_owner = renderer;
    m_w = w, m_h = h;
    m_clip = SDL_Rect{0, 0, 0, 0}; // drawn nothing yet
    return m_texture;
}

void SceneCache::draw(const Map& map, SDL_Renderer* renderer, float x, float y, uint64_t timeMs)
{
    SDL_Rect clip{0, 0, 0, 0};
    SDL_RenderGetClipRect(renderer, &clip);
    const bool exact = SDL_RenderIsClipEnabled(renderer) && drawsLikeItsWindow(renderer) &&
                       hidesClip(map, x, y, clip) && cellCount(map.slots) <= kMaxDigestCells;
    SDL_Texture* texture = exact ? canvas(renderer, clip) : nullptr;
    if (!texture) {
        drawMap(map, renderer, x, y, timeMs);
        return;
    }
    const uint64_t key = drawKey(map, timeMs);
    if (key != m_key || !SDL_RectEquals(&clip, &m_clip) || x != m_x || y != m_y) {
        if (SDL_SetRenderTarget(renderer, texture) != 0) {
            drawMap(map, renderer, x, y, timeMs);
            return;
        }
        SDL_RenderSetClipRect(renderer, &clip);
        drawMap(map, renderer, x, y, timeMs);
        SDL_SetRenderTarget(renderer, nullptr);
        SDL_RenderSetClipRect(renderer, &clip);
        m_key = key, m_clip = clip, m_x = x, m_y = y;
    }
    SDL_RenderCopy(renderer, texture, &clip, &clip);
}

} // namespace Zelkoran::scene
