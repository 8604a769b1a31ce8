// TMX, TSX and TX text to the map model. The first fatal fault ends the read
// and names its place (file, line); elements and attributes the model does
// not use are kept in the element copies.
#include "scene/SceneIO.h"
#include "scene/SceneSources.h"
#include "scene/TileData.h"

#include <Zelkoran/Result.h>

#include <SDL_surface.h>

#include "image/PngCodec.h"
#include "xml/XMLText.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <set>
#include <string_view>
#include <tuple>

namespace Zelkoran::scene {

namespace {

// Chains of tile set sources and nesting of group layers stop here.
constexpr int kMaxSourceDepth = 8;
constexpr int kMaxGroupDepth = 64;
// Tile counts beyond this are refused as hostile.
constexpr uint32_t kMaxTileCount = 1u << 24;
// Tile offsets beyond this many pixels are refused: the renderer adds them
// to pixel positions in int.
constexpr long long kMaxTileOffset = 1 << 24;

String num(long long v) { return String(std::to_string(v).c_str()); }

bool isLayerElement(std::string_view name)
{
    return name == "layer" || name == "imagelayer" || name == "objectgroup" || name == "group";
}

// Copies e's name, attributes and the children skip() does not name into
// the empty document out.
template <class Skip>
void copyElement(pugi::xml_node e, pugi::xml_document& out, Skip skip)
{
    pugi::xml_node copy = out.append_child(e.name());
    for (pugi::xml_attribute a : e.attributes())
        copy.append_attribute(a.name()).set_value(a.value());
    for (pugi::xml_node c : e.children())
        if (!(c.type() == pugi::node_element && skip(std::string_view(c.name()))))
            copy.append_copy(c);
}

int parseColor(const char* text, uint8_t rgba[4])
{
    std::string_view t(text);
    if (!t.empty() && t[0] == '#')
        t.remove_prefix(1);
    if (t.size() != 6 && t.size() != 8)
        return RC_ERR_CORRUPT;
    uint32_t v = 0;
    for (char c : t) {
        const int d = std::isdigit(uint8_t(c)) ? c - '0' : (std::tolower(uint8_t(c)) - 'a' + 10);
        if (d < 0 || d > 15)
            return RC_ERR_CORRUPT;
        v = v << 4 | uint32_t(d);
    }
    // #AARRGGBB or #RRGGBB
    rgba[3] = t.size() == 8 ? uint8_t(v >> 24) : 255;
    rgba[0] = uint8_t(v >> 16);
    rgba[1] = uint8_t(v >> 8);
    rgba[2] = uint8_t(v);
    return RC_OK;
}

// The first element that gives an attribute twice: pugixml keeps every
// copy, where XML allows one.
class RepeatedAttribute : public pugi::xml_tree_walker {
public:
    bool for_each(pugi::xml_node& node) override
    {
        m_names.clear();
        for (pugi::xml_attribute a : node.attributes())
            m_names.emplace_back(a.name());
        std::sort(m_names.begin(), m_names.end());
        const auto twice = std::adjacent_find(m_names.begin(), m_names.end());
        if (twice == m_names.end())
            return true;
        at = node;
        name = String(twice->data(), twice->size());
        return false;
    }

    pugi::xml_node at;
    String name;

private:
    std::vector<std::string_view> m_names;
};

// One text being read: its document, origin and name for messages.
struct Text {
    pugi::xml_document doc;
    Origin origin;
    String name;
    String identity;
    String raw; // the bytes, for line numbers
};

class Reader {
public:
    Reader(Map& map, String& error) : m_map(map), m_error(error) {}

    int readMap(const void* data, size_t size, const Origin& origin);

private:
    int fail(int rc, const Text& t, pugi::xml_node at, const String& why)
    {
        ptrdiff_t offset = at ? at.offset_debug() : -1;
        if (offset > ptrdiff_t(t.raw.size()))
            offset = -1;
        m_error = place(t, offset) + why;
        return rc;
    }
    // "name, line n: " of a text (the map itself has no name of its own).
    static String place(const Text& t, ptrdiff_t offset)
    {
        String where = t.name;
        if (offset >= 0)
            where += (where.empty() ? "line " : ", line ") +
                     num(1 + std::count(t.raw.begin(), t.raw.begin() + offset, '\n'));
        return where.empty() ? where : where + ": ";
    }
    int parse(Text& t, const void* data, size_t size);
    int refuseRepeatedAttributes(Text& t);
    int readTileSet(Text& t, pugi::xml_node e, TileSet& ts, int depth);
    int readTileSetBody(Text& t, pugi::xml_node e, TileSet& ts);
    // The picture an <image> holds in its <data> or names by its source,
    // with its colour key applied.
    int readImage(Text& t, pugi::xml_node image, PicturePtr& out);
    int readLayer(Text& t, pugi::xml_node e, Layer& layer, int depth);
    int readTileLayer(Text& t, pugi::xml_node e, Layer& layer);
    int readObjects(Text& t, pugi::xml_node e, Layer& layer);
    int readTemplate(Text& t, pugi::xml_node object, pugi::xml_node& base, const TileSet*& tileSet);
    int checkGid(Text& t, pugi::xml_node at, uint32_t gid);
    // Counts a tile layer's cells into the map's total before they are allocated.
    int claimCells(Text& t, pugi::xml_node layer, uint64_t cells);

    Map& m_map;
    String& m_error;
    SceneSources m_sources;
    std::map<String, const TileSet*> m_tileSetsByIdentity;
    std::map<String, std::unique_ptr<Text>> m_templates;
    std::map<const void*, const TileSet*> m_templateTileSet;
    std::map<const void*, uint32_t> m_templateFirstGid;
    std::map<String, std::shared_ptr<Template>> m_templateByIdentity;
    std::set<String> m_chain; // the external tile set texts being read, to stop cycles
    uint64_t m_cells = 0;     // of the tile layers read so far
};

int Reader::parse(Text& t, const void* data, size_t size)
{
    if (size > xml::kMaxTextBytes)
        return fail(RC_ERR_TOO_LARGE, t, {}, "the text is too large");
    t.raw.assign(static_cast<const char*>(data), size);
    // Comments are kept: a user's notes in a map come back when it is written.
    const pugi::xml_parse_result r =
        t.doc.load_buffer(data, size, pugi::parse_default | pugi::parse_comments, pugi::encoding_auto);
    if (!r) {
        m_error = place(t, std::clamp<ptrdiff_t>(r.offset, 0, ptrdiff_t(size))) + r.description();
        return RC_ERR_CORRUPT;
    }
    return refuseRepeatedAttributes(t);
}

int Reader::refuseRepeatedAttributes(Text& t)
{
    RepeatedAttribute found;
    t.doc.traverse(found);
    return found.at ? fail(RC_ERR_CORRUPT, t, found.at, "the attribute \"" + found.name + "\" is given twice")
                    : RC_OK;
}

int Reader::readTileSet(Text& t, pugi::xml_node e, TileSet& ts, int depth)
{
    const char* source = e.attribute("source").value();
    if (!*source)
        return readTileSetBody(t, e, ts);
    if (depth >= kMaxSourceDepth)
        return fail(RC_ERR_CORRUPT, t, e, String("tile set sources refer to each other in a cycle: ") + source);
    auto ext = std::make_unique<Text>();
    String text;
    int rc = m_sources.readText(t.origin, source, text, ext->origin, ext->identity);
    if (rc != RC_OK)
        return fail(rc == RC_ERR_INVALID ? RC_ERR_NOT_FOUND : rc, t, e,
                    m_sources.unreadable("tile set", source, rc));
    if (m_chain.count(ext->identity))
        return fail(RC_ERR_CORRUPT, t, e, String("tile set sources refer to each other in a cycle: ") + source);
    ext->name = source;
    // Tiled's other tile set form (JSON) is not read: say so, not "no document element".
    if (const size_t first = text.find_first_not_of(" \t\r\n"); first < text.size() && text[first] == '{')
        return fail(RC_ERR_CORRUPT, t, e, String("the tile set \"") + source +
                                              "\" is a JSON tile set; JSON tile sets are not read, only TSX");
    if ((rc = parse(*ext, text.data(), text.size())) != RC_OK)
        return rc;
    pugi::xml_node root = ext->doc.document_element();
    if (std::string_view(root.name()) != "tileset")
        return fail(RC_ERR_CORRUPT, *ext, root, "not a tile set");
    m_chain.insert(ext->identity);
    if (depth == 0)
        ts.source = source;
    rc = readTileSet(*ext, root, ts, depth + 1);
    m_chain.erase(ext->identity);
    if (rc == RC_OK && depth == 0)
        m_tileSetsByIdentity[ext->identity] = &ts;
    return rc;
}

int Reader::readTileSetBody(Text& t, pugi::xml_node e, TileSet& ts)
{
    ts.element.reset();
    copyElement(e, ts.element, [](std::string_view) { return false; });
    ts.element.document_element().remove_attribute("firstgid");
    ts.tileWidth = e.attribute("tilewidth").as_int();
    ts.tileHeight = e.attribute("tileheight").as_int();
    ts.spacing = e.attribute("spacing").as_int();
    ts.margin = e.attribute("margin").as_int();
    ts.columns = e.attribute("columns").as_int();
    const long long declaredCount = e.attribute("tilecount").as_llong();
    ts.gridRenderSize = std::string_view(e.attribute("tilerendersize").value()) == "grid";
    static constexpr std::pair<std::string_view, std::pair<int, int>> kAlignments[] = {
        {"topleft", {0, 0}},    {"top", {1, 0}},    {"topright", {2, 0}},    {"left", {0, 1}},  {"center", {1, 1}},
        {"right", {2, 1}},      {"bottomleft", {0, 2}}, {"bottom", {1, 2}}, {"bottomright", {2, 2}}};
    for (const auto& [name, xy] : kAlignments)
        if (name == e.attribute("objectalignment").value())
            std::tie(ts.alignX, ts.alignY) = xy;
    if (ts.tileWidth < 0 || ts.tileHeight < 0 || ts.tileWidth > kMaxTileSide || ts.tileHeight > kMaxTileSide ||
        ts.spacing < 0 || ts.margin < 0 || ts.spacing > kMaxTileSide || ts.margin > kMaxTileSide ||
        declaredCount < 0 || declaredCount > kMaxTileCount)
        return fail(RC_ERR_CORRUPT, t, e, "the tile set's sizes are out of range");
    if (pugi::xml_node off = e.child("tileoffset")) {
        const long long x = off.attribute("x").as_llong(), y = off.attribute("y").as_llong();
        if (std::llabs(x) > kMaxTileOffset || std::llabs(y) > kMaxTileOffset)
            return fail(RC_ERR_CORRUPT, t, off, "the tile set's offset is out of range");
        ts.offsetX = int(x);
        ts.offsetY = int(y);
    }
    uint32_t count = uint32_t(declaredCount), cut = 0;
    if (pugi::xml_node image = e.child("image")) {
        if (ts.tileWidth < 1 || ts.tileHeight < 1)
            return fail(RC_ERR_CORRUPT, t, e, "the tile set has no tile size");
        if (int rc = readImage(t, image, ts.picture); rc != RC_OK)
            return rc;
        // Cut by the image as it is, as Tiled does, whatever the set declares:
        // tiles from the margin on, as many as fit (no margin is kept at the
        // far side).
        const int w = ts.picture->surface->w - ts.margin + ts.spacing;
        const int h = ts.picture->surface->h - ts.margin + ts.spacing;
        const int across = std::max(0, w / (ts.tileWidth + ts.spacing));
        const int down = std::max(0, h / (ts.tileHeight + ts.spacing));
        ts.columns = across;
        cut = uint32_t(across) * uint32_t(down);
        if (!e.attribute("tilecount"))
            count = cut;
    }
    for (pugi::xml_node tile : e.children("tile")) {
        const long long id = tile.attribute("id").as_llong(-1);
        if (id < 0 || id >= kMaxTileCount)
            return fail(RC_ERR_CORRUPT, t, tile, "a tile id is out of range");
        TileArt art;
        if (pugi::xml_node image = tile.child("image")) {
            if (int rc = readImage(t, image, art.picture); rc != RC_OK)
                return rc;
            const int pw = art.picture->surface->w;
            const int ph = art.picture->surface->h;
            art.rect.x = std::clamp(tile.attribute("x").as_int(), 0, pw);
            art.rect.y = std::clamp(tile.attribute("y").as_int(), 0, ph);
            art.rect.w = std::clamp(tile.attribute("width").as_int(pw - art.rect.x), 0, pw - art.rect.x);
            art.rect.h = std::clamp(tile.attribute("height").as_int(ph - art.rect.y), 0, ph - art.rect.y);
        }
        if (pugi::xml_node anim = tile.child("animation")) {
            for (pugi::xml_node f : anim.children("frame")) {
                const long long frameId = f.attribute("tileid").as_llong(-1);
                if (frameId < 0 || frameId >= kMaxTileCount)
                    return fail(RC_ERR_CORRUPT, t, f, "an animation frame names no tile");
                Frame frame{uint32_t(frameId), uint32_t(std::clamp(f.attribute("duration").as_llong(1), 1LL,
                                                                     86400000LL))};
                art.frames.push_back(frame);
                art.totalMs += frame.durationMs;
            }
        }
        count = std::max(count, uint32_t(id) + 1);
        ts.tiles[uint32_t(id)] = std::move(art);
    }
    ts.namedCount = count;
    ts.tileCount = std::max(count, cut);
    // A frame beyond the set is kept as read, not refused: Tiled draws the
    // map (a released game animates a tile it never uses this way), and
    // TileSet::tileImage decides what such a frame shows.
    return RC_OK;
}

int Reader::readImage(Text& t, pugi::xml_node image, PicturePtr& out)
{
    uint8_t key[4];
    const char* trans = image.attribute("trans").value();
    const int rgb = *trans && parseColor(trans, key) == RC_OK ? (key[0] << 16 | key[1] << 8 | key[2]) : -1;
    if (pugi::xml_node data = image.child("data")) {
        // The bytes of an image file, in base64 (the only encoding Tiled writes there).
        Vector<uint8_t> bytes;
        SDL_Surface* pixels = nullptr;
        if (std::string_view(data.attribute("encoding").value()) != "base64" || *data.attribute("compression").value() ||
            !decodeBase64(data.text().get(), bytes) || !(pixels = decodePicture(bytes.data(), bytes.size())))
            return fail(RC_ERR_CORRUPT, t, image, "the image embedded in the text cannot be read");
        if (rgb >= 0)
            applyColorKey(pixels, uint32_t(rgb));
        out = memoryPicture(pixels);
        out->embedded = true;
        out->clearPalette = rgb < 0 && image::pngPaletteHasAlpha(bytes.data(), bytes.size());
        return RC_OK;
    }
    const char* source = image.attribute("source").value();
    if (int rc = m_sources.readPicture(t.origin, source, rgb, out); rc != RC_OK)
        return fail(rc == RC_ERR_INVALID ? RC_ERR_NOT_FOUND : rc, t, image, m_sources.unreadable("image", source, rc));
    return RC_OK;
}

int Reader::checkGid(Text& t, pugi::xml_node at, uint32_t gid)
{
    if ((gid & kGidMask) == 0 || m_map.tileSetFor(gid))
        return RC_OK;
    return fail(RC_ERR_CORRUPT, t, at, "tile id " + num(gid & kGidMask) + " lies in no tile set");
}

int Reader::claimCells(Text& t, pugi::xml_node layer, uint64_t cells)
{
    if (cells > kMaxMapCells - m_cells)
        return fail(RC_ERR_TOO_LARGE, t, layer,
                    "the map's tile layers hold more than " + num((long long)kMaxMapCells) + " cells together");
    m_cells += cells;
    return RC_OK;
}

int Reader::readTileLayer(Text& t, pugi::xml_node e, Layer& layer)
{
    pugi::xml_node data = e.child("data");
    layer.encoding = data.attribute("encoding").value();
    layer.compression = data.attribute("compression").value();
    const auto decode = [&](pugi::xml_node from, size_t count, std::vector<uint32_t>& out) {
        String why;
        if (layer.encoding.empty()) { // one <tile gid=""/> per cell, the oldest form
            out.clear();
            for (pugi::xml_node tile : from.children("tile")) {
                if (out.size() == count)
                    return fail(RC_ERR_CORRUPT, t, from, "tile data holds more ids than the layer has cells");
                out.push_back(tile.attribute("gid").as_uint());
            }
            out.resize(count, 0);
            return int(RC_OK);
        }
        if (int rc = decodeTileData(from.text().get(), layer.encoding, layer.compression, count, out, why);
            rc != RC_OK)
            return fail(rc, t, from, why);
        return int(RC_OK);
    };
    // Infinite maps hold their cells in chunks (none: an empty layer); others
    // in one grid.
    if (!m_map.infinite) {
        const long long w = e.attribute("width").as_llong(), h = e.attribute("height").as_llong();
        if (w < 0 || h < 0 || w > (long long)kMaxCells || h > (long long)kMaxCells ||
            uint64_t(w) * uint64_t(h) > kMaxCells)
            return fail(RC_ERR_TOO_LARGE, t, e, "the layer's size is out of range");
        if (int rc = claimCells(t, e, uint64_t(w) * uint64_t(h)); rc != RC_OK)
            return rc;
        layer.columns = int(w);
        layer.rows = int(h);
        if (data) {
            if (int rc = decode(data, size_t(w * h), layer.cells); rc != RC_OK)
                return rc;
        } else {
            layer.cells.assign(size_t(w * h), 0);
        }
    } else if (layer.chunked = true; data.child("chunk")) {
        // The layer covers the bounds of its chunks.
        long long x0 = LLONG_MAX, y0 = LLONG_MAX, x1 = LLONG_MIN, y1 = LLONG_MIN;
        for (pugi::xml_node c : data.children("chunk")) {
            const long long cx = c.attribute("x").as_llong(), cy = c.attribute("y").as_llong();
            const long long cw = c.attribute("width").as_llong(), ch = c.attribute("height").as_llong();
            if (cw < 1 || ch < 1 || cw > 4096 || ch > 4096 || std::llabs(cx) > (1 << 24) || std::llabs(cy) > (1 << 24))
                return fail(RC_ERR_CORRUPT, t, c, "a chunk's place or size is out of range");
            x0 = std::min(x0, cx), y0 = std::min(y0, cy), x1 = std::max(x1, cx + cw), y1 = std::max(y1, cy + ch);
        }
        if (uint64_t(x1 - x0) * uint64_t(y1 - y0) > kMaxCells)
            return fail(RC_ERR_TOO_LARGE, t, e, "the layer's chunks span too many cells");
        if (int rc = claimCells(t, e, uint64_t(x1 - x0) * uint64_t(y1 - y0)); rc != RC_OK)
            return rc;
        layer.originX = int(x0), layer.originY = int(y0);
        layer.columns = int(x1 - x0), layer.rows = int(y1 - y0);
        layer.cells.assign(size_t(layer.columns) * size_t(layer.rows), 0);
        std::vector<uint32_t> chunk;
        for (pugi::xml_node c : data.children("chunk")) {
            const int cx = c.attribute("x").as_int(), cy = c.attribute("y").as_int();
            const int cw = c.attribute("width").as_int(), ch = c.attribute("height").as_int();
            if (int rc = decode(c, size_t(cw) * size_t(ch), chunk); rc != RC_OK)
                return rc;
            for (int y = 0; y < ch; ++y)
                std::copy_n(chunk.begin() + ptrdiff_t(y) * cw, cw,
                            layer.cells.begin() + ptrdiff_t(cy - layer.originY + y) * layer.columns +
                                (cx - layer.originX));
        }
    }
    for (uint32_t gid : layer.cells)
        if (int rc = checkGid(t, data, gid); rc != RC_OK)
            return rc;
    return RC_OK;
}

int Reader::readTemplate(Text& t, pugi::xml_node object, pugi::xml_node& base, const TileSet*& tileSet)
{
    const char* source = object.attribute("template").value();
    auto ext = std::make_unique<Text>();
    String text;
    if (int rc = m_sources.readText(t.origin, source, text, ext->origin, ext->identity); rc != RC_OK)
        return fail(rc == RC_ERR_INVALID ? RC_ERR_NOT_FOUND : rc, t, object,
                    m_sources.unreadable("template", source, rc));
    if (auto it = m_templates.find(ext->identity); it != m_templates.end()) {
        base = it->second->doc.document_element().child("object");
        tileSet = m_templateTileSet[base.internal_object()];
        m_map.templates.emplace(source, m_templateByIdentity[ext->identity]);
        return RC_OK;
    }
    ext->name = source;
    if (int rc = parse(*ext, text.data(), text.size()); rc != RC_OK)
        return rc;
    pugi::xml_node root = ext->doc.document_element();
    base = root.child("object");
    if (std::string_view(root.name()) != "template" || !base)
        return fail(RC_ERR_CORRUPT, *ext, root, "not an object template");
    tileSet = nullptr;
    if (pugi::xml_node tsNode = root.child("tileset"); tsNode && base.attribute("gid")) {
        // The template's tile set is the map's when both name the same text.
        String tsText, tsIdentity;
        Origin tsOrigin;
        const char* tsSource = tsNode.attribute("source").value();
        if (*tsSource && m_sources.readText(ext->origin, tsSource, tsText, tsOrigin, tsIdentity) == RC_OK &&
            m_tileSetsByIdentity.count(tsIdentity)) {
            tileSet = m_tileSetsByIdentity[tsIdentity];
        } else {
            auto ts = std::make_unique<TileSet>();
            if (int rc = readTileSet(*ext, tsNode, *ts, 0); rc != RC_OK)
                return rc;
            tileSet = ts.get();
            m_map.templateTileSets.push_back(std::move(ts));
        }
        const uint32_t firstGid = std::max(1u, tsNode.attribute("firstgid").as_uint(1));
        m_templateFirstGid[base.internal_object()] = firstGid;
    }
    m_templateTileSet[base.internal_object()] = tileSet;
    auto kept = std::make_shared<Template>();
    kept->element.append_copy(root);
    kept->tileSet = tileSet;
    m_map.templates.emplace(source, kept);
    m_templateByIdentity.emplace(ext->identity, std::move(kept));
    m_templates.emplace(ext->identity, std::move(ext));
    return RC_OK;
}

int Reader::readObjects(Text& t, pugi::xml_node e, Layer& layer)
{
    for (pugi::xml_node o : e.children("object")) {
        pugi::xml_node base;
        const TileSet* templateSet = nullptr;
        if (o.attribute("template"))
            if (int rc = readTemplate(t, o, base, templateSet); rc != RC_OK)
                return rc;
        const auto attr = [&](const char* name) { return o.attribute(name) ? o.attribute(name) : base.attribute(name); };
        const uint32_t gid = attr("gid").as_uint();
        if (!(gid & kGidMask))
            continue;
        TileObject obj;
        if (o.attribute("gid") || !base) {
            if (int rc = checkGid(t, o, gid); rc != RC_OK)
                return rc;
            obj.tileSet = m_map.tileSetFor(gid);
            obj.gid = (gid & ~kGidMask) | ((gid & kGidMask) - obj.tileSet->firstGid);
        } else {
            const uint32_t firstGid = m_templateFirstGid[base.internal_object()];
            if (!templateSet || (gid & kGidMask) < firstGid || !templateSet->contains((gid & kGidMask) - firstGid +
                                                                                        templateSet->firstGid))
                return fail(RC_ERR_CORRUPT, t, o, "the template's tile lies in no tile set");
            obj.tileSet = templateSet;
            obj.gid = (gid & ~kGidMask) | ((gid & kGidMask) - firstGid);
        }
        obj.x = attr("x").as_double();
        obj.y = attr("y").as_double();
        obj.width = attr("width").as_double();
        obj.height = attr("height").as_double();
        obj.rotation = attr("rotation").as_double();
        obj.visible = attr("visible").as_int(1) != 0;
        if (!std::isfinite(obj.x) || !std::isfinite(obj.y) || !std::isfinite(obj.width) ||
            !std::isfinite(obj.height) || !std::isfinite(obj.rotation))
            return fail(RC_ERR_CORRUPT, t, o, "an object's place or size is not a number");
        layer.tileObjects.push_back(obj);
    }
    // Tiled's default order draws objects top to bottom by their y.
    if (std::string_view(e.attribute("draworder").value()) != "index")
        std::stable_sort(layer.tileObjects.begin(), layer.tileObjects.end(),
                         [](const TileObject& a, const TileObject& b) { return a.y < b.y; });
    return RC_OK;
}

int Reader::readLayer(Text& t, pugi::xml_node e, Layer& layer, int depth)
{
    const std::string_view kind = e.name();
    layer.type = kind == "layer"         ? int(SLT_TILE)
                 : kind == "imagelayer"  ? int(SLT_IMAGE)
                 : kind == "objectgroup" ? int(SLT_OBJECT)
                                         : int(SLT_GROUP);
    layer.id = e.attribute("id").as_int();
    layer.name = e.attribute("name").value();
    layer.offsetX = e.attribute("offsetx").as_double();
    layer.offsetY = e.attribute("offsety").as_double();
    // Tiled places an image layer without an offsetx by its x and y, as
    // maps of old did, whatever offsety says.
    if (layer.type == SLT_IMAGE && !e.attribute("offsetx"))
        layer.offsetX = e.attribute("x").as_double(), layer.offsetY = e.attribute("y").as_double();
    layer.opacity = std::clamp(e.attribute("opacity").as_float(1.0f), 0.0f, 1.0f);
    if (!std::isfinite(layer.offsetX) || !std::isfinite(layer.offsetY) || !std::isfinite(layer.opacity))
        return fail(RC_ERR_CORRUPT, t, e, "the layer's offset or opacity is not a number");
    layer.features = e.attribute("visible").as_int(1) ? uint32_t(SLF_SHOWN) : 0u;
    if (const char* tint = e.attribute("tintcolor").value(); *tint)
        parseColor(tint, layer.tint);
    copyElement(e, layer.element, [&](std::string_view c) {
        return (layer.type == SLT_TILE && c == "data") || (layer.type == SLT_GROUP && isLayerElement(c));
    });
    switch (layer.type) {
    case SLT_TILE: return readTileLayer(t, e, layer);
    case SLT_IMAGE:
        layer.repeatX = e.attribute("repeatx").as_int() != 0;
        layer.repeatY = e.attribute("repeaty").as_int() != 0;
        if (pugi::xml_node image = e.child("image"); image && (*image.attribute("source").value() || image.child("data")))
            return readImage(t, image, layer.picture);
        return RC_OK;
    case SLT_OBJECT: return readObjects(t, e, layer);
    default:
        if (depth >= kMaxGroupDepth)
            return fail(RC_ERR_CORRUPT, t, e, "group layers are nested too deeply");
        for (pugi::xml_node c : e.children()) {
            if (c.type() != pugi::node_element || !isLayerElement(c.name()))
                continue;
            auto child = std::make_unique<Layer>();
            if (int rc = readLayer(t, c, *child, depth + 1); rc != RC_OK)
                return rc;
            layer.children.push_back(std::move(child));
        }
        return RC_OK;
    }
}

int Reader::readMap(const void* data, size_t size, const Origin& origin)
{
    Text t;
    t.origin = origin;
    if (int rc = parse(t, data, size); rc != RC_OK)
        return rc;
    pugi::xml_node root = t.doc.document_element();
    if (std::string_view(root.name()) != "map")
        return fail(RC_ERR_CORRUPT, t, root, "not a TMX map");
    const std::string_view orientation = root.attribute("orientation").value();
    if (orientation == "orthogonal" || orientation.empty())
        m_map.orientation = Orientation::Orthogonal;
    else if (orientation == "isometric")
        m_map.orientation = Orientation::Isometric;
    else if (orientation == "staggered")
        m_map.orientation = Orientation::Staggered;
    else if (orientation == "hexagonal")
        m_map.orientation = Orientation::Hexagonal;
    else
        return fail(RC_ERR_CORRUPT, t, root, "unknown orientation \"" + String(orientation) + "\"");
    const std::string_view order = root.attribute("renderorder").value();
    m_map.renderOrder = order == "right-up"  ? RenderOrder::RightUp
                        : order == "left-down" ? RenderOrder::LeftDown
                        : order == "left-up"   ? RenderOrder::LeftUp
                                               : RenderOrder::RightDown;
    const long long w = root.attribute("width").as_llong(), h = root.attribute("height").as_llong();
    m_map.tileWidth = root.attribute("tilewidth").as_int();
    m_map.tileHeight = root.attribute("tileheight").as_int();
    m_map.hexSideLength = root.attribute("hexsidelength").as_int();
    if (w < 0 || h < 0 || w > (long long)kMaxCells || h > (long long)kMaxCells ||
        uint64_t(w) * uint64_t(h) > kMaxCells)
        return fail(RC_ERR_TOO_LARGE, t, root, "the map's size is out of range");
    if (m_map.tileWidth < 1 || m_map.tileHeight < 1 || m_map.tileWidth > kMaxTileSide ||
        m_map.tileHeight > kMaxTileSide || m_map.hexSideLength < 0 || m_map.hexSideLength > kMaxTileSide)
        return fail(RC_ERR_CORRUPT, t, root, "the map's tile size is out of range");
    m_map.width = int(w);
    m_map.height = int(h);
    m_map.staggerX = std::string_view(root.attribute("staggeraxis").value()) == "x";
    m_map.staggerEven = std::string_view(root.attribute("staggerindex").value()) == "even";
    m_map.infinite = root.attribute("infinite").as_int() != 0;
    if (const char* bg = root.attribute("backgroundcolor").value(); *bg)
        m_map.hasBackground = parseColor(bg, m_map.background) == RC_OK;
    copyElement(root, m_map.element, [](std::string_view c) { return c == "tileset" || isLayerElement(c); });
    // Comments beside the root, but for the marker, which the writer makes anew.
    pugi::xml_node kept = m_map.element.document_element();
    for (pugi::xml_node c : t.doc.children()) {
        if (c == root)
            kept = {};
        else if (c.type() == pugi::node_comment && std::string_view(c.value()).find(kSceneMarker) == std::string_view::npos)
            kept ? m_map.element.insert_copy_before(c, kept) : m_map.element.append_copy(c);
    }

    for (pugi::xml_node e : root.children("tileset")) {
        auto ts = std::make_unique<TileSet>();
        const long long first = e.attribute("firstgid").as_llong();
        if (first < 1 || first > kGidMask)
            return fail(RC_ERR_CORRUPT, t, e, "the tile set's first id is out of range");
        ts->firstGid = uint32_t(first);
        if (int rc = readTileSet(t, e, *ts, 0); rc != RC_OK)
            return rc;
        if (!m_map.tileSets.empty()) {
            // Tiles the picture holds beyond those its set names yield to the
            // next set's ids, as in Tiled.
            TileSet& before = *m_map.tileSets.back();
            if (ts->firstGid < before.firstGid + before.namedCount)
                return fail(RC_ERR_CORRUPT, t, e, "the tile set's ids overlap another's");
            before.tileCount = std::min(before.tileCount, ts->firstGid - before.firstGid);
        }
        if (uint64_t(ts->firstGid) + ts->tileCount > uint64_t(kGidMask) + 1)
            return fail(RC_ERR_CORRUPT, t, e, "the tile set's ids are out of range");
        m_map.tileSets.push_back(std::move(ts));
    }

    // The engine's own texts keep each top-level layer in its slot: the one
    // kSlotAttribute names, else the slot of its id. Layers appended to such
    // a text (an import adding object groups) may follow in any order; the
    // slots need only be distinct.
    static constexpr std::string_view marker = kSceneMarker;
    const auto slotOf = [](pugi::xml_node e) {
        pugi::xml_attribute slot = e.attribute(kSlotAttribute);
        return (slot ? slot : e.attribute("id")).as_int();
    };
    bool bySlot = std::string_view(t.raw).find(marker) != std::string_view::npos;
    std::vector<bool> taken;
    for (pugi::xml_node e : root.children()) {
        if (!bySlot || e.type() != pugi::node_element || !isLayerElement(e.name()))
            continue;
        const int slot = slotOf(e);
        bySlot = slot >= 1 && slot <= kMaxSlots;
        if (bySlot && size_t(slot) > taken.size())
            taken.resize(size_t(slot));
        bySlot = bySlot && !taken[size_t(slot) - 1];
        if (bySlot)
            taken[size_t(slot) - 1] = true;
    }
    for (pugi::xml_node e : root.children()) {
        if (e.type() != pugi::node_element || !isLayerElement(e.name()))
            continue;
        auto layer = std::make_unique<Layer>();
        if (int rc = readLayer(t, e, *layer, 0); rc != RC_OK)
            return rc;
        // The slot is the model's place for the layer, written anew.
        layer->element.document_element().remove_attribute(kSlotAttribute);
        const size_t slot = bySlot ? size_t(slotOf(e)) : m_map.slots.size() + 1;
        if (slot > size_t(kMaxSlots))
            return fail(RC_ERR_TOO_LARGE, t, e, "the map has too many layers");
        m_map.slots.resize(std::max(m_map.slots.size(), slot));
        m_map.slots[slot - 1] = std::move(layer);
    }
    if (m_map.infinite) {
        // The scene's pixel (0, 0) is the top-left cell of all chunks.
        int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
        const auto bounds = [&](const Layer& l, auto&& self) -> void {
            if (l.type == SLT_TILE && l.chunked && !l.cells.empty())
                x0 = std::min(x0, l.originX), y0 = std::min(y0, l.originY), x1 = std::max(x1, l.originX + l.columns),
                y1 = std::max(y1, l.originY + l.rows);
            for (const auto& c : l.children)
                self(*c, self);
        };
        for (const auto& l : m_map.slots)
            if (l)
                bounds(*l, bounds);
        if (x0 <= x1 && y0 <= y1) {
            m_map.originX = x0, m_map.originY = y0;
            m_map.width = x1 - x0, m_map.height = y1 - y0;
        }
    }
    return RC_OK;
}

} // namespace

int readMap(const void* data, size_t size, const Origin& origin, Map& out, String& error)
{
    if (!data)
        return RC_ERR_INVALID;
    try {
        Reader reader(out, error);
        return reader.readMap(data, size, origin);
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return RC_ERR_NO_MEMORY;
    }
}

} // namespace Zelkoran::scene
