#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Timer.h>

#include "core/FileReplace.h"
#include "core/PathText.h"
#include "scene/SceneAccess.h"
#include "scene/SceneIO.h"

#include <SDL.h>

#include <algorithm>
#include <charconv>
#include <string>
#include <cmath>
#include <cstring>

namespace Zelkoran {

using scene::Layer;

namespace {

Layer* layerAt(scene::Map& map, int slot)
{
    return slot >= 1 && slot <= static_cast<int>(map.slots.size()) ? map.slots[size_t(slot) - 1].get() : nullptr;
}

// The layer element's attribute, replaced or appended.
void setAttribute(Layer& layer, const char* name, const char* value)
{
    pugi::xml_node e = layer.element.document_element();
    pugi::xml_attribute a = e.attribute(name);
    (a ? a : e.append_attribute(name)).set_value(value);
}

// Empty slots at the end carry nothing; drop them so the count stays honest.
// The shortest text that reads back as the same float: 128, not 128.000000.
std::string shortest(float v)
{
    char text[32];
    return std::string(text, size_t(std::to_chars(text, text + sizeof text, v).ptr - text));
}

void trimSlots(scene::Map& map)
{
    while (!map.slots.empty() && !map.slots.back())
        map.slots.pop_back();
}

// Grid cell for SceneLayerTile, with the cell size the scene draws it at.
class TileGrid final : public SceneLayerTile, public scene::LayerView {
public:
    explicit TileGrid(scene::Map& map, Layer& layer) : m_map(map), m_layer(layer) {}
    int getColumns() const override { return m_layer.columns; }
    int getRows() const override { return m_layer.rows; }
    uint32_t* getRow(int row) override
    {
        return row >= 0 && row < m_layer.rows ? m_layer.cells.data() + size_t(row) * size_t(m_layer.columns)
                                              : nullptr;
    }
    const uint32_t* getRow(int row) const override
    {
        return row >= 0 && row < m_layer.rows ? m_layer.cells.data() + size_t(row) * size_t(m_layer.columns)
                                              : nullptr;
    }
    // The cell size is the map's tile size, which other layers are laid on.
    bool setCellWidth(int px) override { return resize(m_map.tileWidth, px); }
    bool setCellHeight(int px) override { return resize(m_map.tileHeight, px); }
    int getCellWidth() const override { return m_map.tileWidth; }
    int getCellHeight() const override { return m_map.tileHeight; }

private:
    bool resize(int& side, int px)
    {
        if (px < 1 || px > scene::kMaxTileSide || (px != side && !m_map.gridFree(&m_layer)))
            return false;
        side = px;
        return true;
    }

    scene::Map& m_map;
    Layer& m_layer;
};

class ObjectGroup final : public SceneLayerObject, public scene::LayerView {
public:
    explicit ObjectGroup(Layer& layer) : m_layer(layer) {}
    bool setSpatialGridCellSize(int px) override
    {
        if (px < 1)
            return false;
        setAttribute(m_layer, "zk7gridcell", std::to_string(px).c_str());
        return true;
    }
    bool setSize(float w, float h) override
    {
        if (w < 0 || h < 0)
            return false;
        setAttribute(m_layer, "width", shortest(w).c_str());
        setAttribute(m_layer, "height", shortest(h).c_str());
        return true;
    }

private:
    Layer& m_layer;
};

} // namespace

Scene::Scene(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
Scene::~Scene() = default;

int Scene::getID() const { return m_impl->id; }
const char* Scene::getName() const { return m_impl->name.c_str(); }
int Scene::getWidth() const { return m_impl->map.pixelWidth(); }
int Scene::getHeight() const { return m_impl->map.pixelHeight(); }

int Scene::getTileWidth() const { return m_impl->map.tileWidth; }
int Scene::getTileHeight() const { return m_impl->map.tileHeight; }

int Scene::setTileSize(int width, int height)
{
    scene::Map& map = m_impl->map;
    if (width < 1 || height < 1 || width > scene::kMaxTileSide || height > scene::kMaxTileSide)
        return RC_ERR_INVALID;
    if ((width != map.tileWidth || height != map.tileHeight) && !map.gridFree())
        return RC_ERR_EXISTS;
    map.tileWidth = width, map.tileHeight = height;
    return RC_OK;
}

int Scene::getLayerCount(int) const { return static_cast<int>(m_impl->map.slots.size()); }

int Scene::getLayerType(int slot) const
{
    const Layer* l = layerAt(m_impl->map, slot);
    return l ? l->type : SLT_EMPTY;
}

bool Scene::getLayerName(int slot, String& name) const
{
    const Layer* l = layerAt(m_impl->map, slot);
    name = l ? l->name : String();
    return l != nullptr;
}

int Scene::setLayerName(int slot, const char* name)
{
    if (!name)
        return RC_ERR_INVALID;
    Layer* l = layerAt(m_impl->map, slot);
    if (!l)
        return RC_ERR_NOT_FOUND;
    l->name = name;
    return RC_OK;
}

uint32_t Scene::getLayerFeatures(int slot) const
{
    const Layer* l = layerAt(m_impl->map, slot);
    return l ? l->features : 0;
}

int Scene::setLayerFeatures(int slot, uint32_t bits, bool on)
{
    Layer* l = layerAt(m_impl->map, slot);
    if (!l)
        return RC_ERR_NOT_FOUND;
    l->features = on ? (l->features | bits) : (l->features & ~bits);
    return RC_OK;
}

int Scene::getLayerPosition(int slot, float& x, float& y) const
{
    const Layer* l = layerAt(m_impl->map, slot);
    if (!l)
        return RC_ERR_NOT_FOUND;
    x = float(l->offsetX);
    y = float(l->offsetY);
    return RC_OK;
}

int Scene::setLayerPosition(int slot, Position x, Position y, bool* changed)
{
    if (changed)
        *changed = false;
    Layer* l = layerAt(m_impl->map, slot);
    if (!l)
        return RC_ERR_NOT_FOUND;
    if (x.helper != PH_ABSOLUTE || y.helper != PH_ABSOLUTE || !std::isfinite(x.offset) || !std::isfinite(y.offset))
        return RC_ERR_INVALID;
    // An offset read more precisely than a float stays as read when it is
    // set again to the value it reports.
    const bool movedX = float(l->offsetX) != x.offset, movedY = float(l->offsetY) != y.offset;
    if (changed)
        *changed = movedX || movedY;
    if (movedX)
        l->offsetX = x.offset;
    if (movedY)
        l->offsetY = y.offset;
    return RC_OK;
}

bool Scene::closeLayer(int slot)
{
    scene::Map& map = m_impl->map;
    if (!layerAt(map, slot))
        return false;
    m_impl->views.erase(map.slots[size_t(slot) - 1].get());
    map.slots[size_t(slot) - 1].reset();
    trimSlots(map);
    return true;
}

int Scene::createLayer(const char* name, int type, int slot, int columns, int rows)
{
    scene::Map& map = m_impl->map;
    if (!name || type != SLT_TILE || columns < 1 || rows < 1 || uint64_t(columns) * uint64_t(rows) > scene::kMaxCells)
        return RC_ERR_INVALID;
    if (!map.roomForCells(uint64_t(columns) * uint64_t(rows)))
        return RC_ERR_TOO_LARGE;
    if ((slot = map.freeSlot(slot)) < 1)
        return slot;
    map.slots.resize(std::max(map.slots.size(), size_t(slot)));
    map.slots[size_t(slot) - 1] = scene::newTileLayer(name, columns, rows);
    map.width = std::max(map.width, columns);
    map.height = std::max(map.height, rows);
    return slot;
}

SceneLayerTile* Scene::accessLayerTile(int slot)
{
    Layer* l = layerAt(m_impl->map, slot);
    if (!l || l->type != SLT_TILE)
        return nullptr;
    auto& view = m_impl->views[l];
    if (!view)
        view = std::make_unique<TileGrid>(m_impl->map, *l);
    return dynamic_cast<SceneLayerTile*>(view.get());
}

SceneLayerObject* Scene::accessLayerObject(int slot)
{
    Layer* l = layerAt(m_impl->map, slot);
    if (!l || l->type != SLT_OBJECT)
        return nullptr;
    auto& view = m_impl->views[l];
    if (!view)
        view = std::make_unique<ObjectGroup>(*l);
    return dynamic_cast<SceneLayerObject*>(view.get());
}

bool Scene::getViewport(SDL_Rect& rect) const
{
    if (!m_impl->hasViewport)
        return false;
    rect = m_impl->viewport;
    return true;
}

int Scene::setViewport(SDL_Rect rect)
{
    if (rect.w < 1 || rect.h < 1)
        return RC_ERR_INVALID;
    m_impl->viewport = rect;
    m_impl->hasViewport = true;
    return RC_OK;
}

int Scene::update(int elapsedMs)
{
    const uint64_t now = Main::instance()->timer()->getTicks();
    if (elapsedMs > 0)
        m_impl->timeMs += uint64_t(elapsedMs);
    else if (m_impl->lastTickMs != 0 && now > m_impl->lastTickMs)
        m_impl->timeMs += now - m_impl->lastTickMs;
    m_impl->lastTickMs = now;
    return RC_OK;
}

int Scene::render(int screen, int)
{
    Screen* s = Main::instance()->configMgr()->get(screen);
    if (!s || !s->isShown() || !s->getRenderer())
        return RC_ERR_NOT_FOUND;
    SDL_Rect area{0, 0, s->getWidth(), s->getHeight()};
    if (m_impl->hasViewport)
        area = m_impl->viewport;
    SDL_Rect clip;
    if (s->getClipRect(clip) && !SDL_IntersectRect(&area, &clip, &area))
        return RC_OK;
    SDL_Renderer* renderer = s->getRenderer();
    SDL_RenderSetClipRect(renderer, &area);
    const float x = m_impl->hasViewport ? float(m_impl->viewport.x) : 0.0f;
    const float y = m_impl->hasViewport ? float(m_impl->viewport.y) : 0.0f;
    m_impl->cache.draw(m_impl->map, renderer, x, y, m_impl->timeMs);
    s->restoreClip();
    return RC_OK;
}

int Scene::saveToBuffer(char*& buffer, size_t& size, const char* sceneName, const char* fileName,
                        const char* archivePath, bool engineFormat) const
{
    buffer = nullptr;
    size = 0;
    if (!sceneName || !fileName || !archivePath)
        return RC_ERR_INVALID;
    scene::WriteOptions options;
    options.engineFormat = engineFormat;
    options.sceneName = sceneName;
    options.storeName = fileName;
    options.archivePath = archivePath;
    String text;
    if (int rc = scene::writeMap(m_impl->map, options, text); rc != RC_OK)
        return rc;
    buffer = static_cast<char*>(CMem::alloc(text.size() + 1, CMem::kModuleContainers));
    if (!buffer)
        return RC_ERR_NO_MEMORY;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    size = text.size();
    return RC_OK;
}

int Scene::save(const char* path, const char* name, const char*, bool withDependencies)
{
    if (!path || !*path)
        return RC_ERR_INVALID;
    String absolute;
    if (!PathText::absolute(PathText::toPath(path), absolute))
        return RC_ERR_INVALID;
    const std::filesystem::path target(absolute.c_str());
    scene::WriteOptions options;
    options.sceneName = name && *name ? name : m_impl->name.c_str();
    options.storeName = PathText::toString(target.filename());
    if (withDependencies)
        options.exportFolder = PathText::toString(target.parent_path());
    String text;
    if (int rc = scene::writeMap(m_impl->map, options, text); rc != RC_OK)
        return rc;
    return writeFileReplacing(absolute.c_str(), reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

} // namespace Zelkoran
