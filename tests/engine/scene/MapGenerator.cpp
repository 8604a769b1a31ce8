#include "engine/scene/MapGenerator.h"

#include <SDL.h>
#include <SDL_image.h>
#include <openssl/evp.h>
#include <pugixml.hpp>

#include "image/PngCodec.h"
#include "scene/TileData.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <string_view>

namespace scenetest {

namespace fs = std::filesystem;

namespace {

// The colour a transparent-colour attribute names; no tile colour uses it.
constexpr uint32_t kKey = 0xFF00FF;

class Dice {
public:
    explicit Dice(uint32_t seed) : m_gen(seed) {}
    int below(int n) { return n < 1 ? 0 : int(m_gen() % uint32_t(n)); }
    int in(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool percent(int p) { return below(100) < p; }
    template <class T>
    const T& of(const std::vector<T>& v) { return v[size_t(below(int(v.size())))]; }

private:
    std::mt19937 m_gen;
};

struct TileSetPlan {
    uint32_t firstGid = 1;
    uint32_t drawable = 0;            // local ids 0..drawable-1 have pixels
    std::vector<uint32_t> ids;        // the ids a map may name
    std::string source;               // external: the TSX file name
    std::map<uint32_t, std::pair<int, int>> sizes; // of each id's picture
    int alignX = -1, alignY = -1;     // objects' anchor in half sides; -1: the map's
    int offsetX = 0, offsetY = 0;     // the set's tile offset
    // Ids whose animation shows pictures of other sizes, stretched into theirs.
    std::set<uint32_t> stretched;
};

class Generator {
public:
    Generator(uint32_t seed, const fs::path& folder, uint32_t leaveOut)
        : m_dice(seed), m_paletteDice(seed ^ 0x9E3779B9u), m_animationDice(seed ^ 0x7F4A7C15u), m_folder(folder),
          m_leaveOut(leaveOut)
    {
    }
    GeneratedMap make();

private:
    bool allowed(MapFeature f) const { return !(m_leaveOut & f); }
    bool diagonalsAllowed() const
    {
        return allowed(DiagonalFlips) && (m_orientation != "hexagonal" || allowed(HexagonalDiagonalFlips));
    }
    std::string name(const char* stem, const char* ext) { return stem + std::to_string(m_files++) + ext; }
    SDL_Surface* tilePicture(int across, int down, int tw, int th, int margin, int spacing, int extraW, int extraH,
                             bool keyed);
    void writePicture(SDL_Surface* s, pugi::xml_node image, bool keyed);
    void addTileSet(pugi::xml_node map);
    void tileSetBody(pugi::xml_node ts, TileSetPlan& plan);
    uint32_t randomGid(bool flips);
    bool showsOtherSizes(uint32_t gid) const; // its animation shows pictures of other sizes
    bool stretched(uint32_t gid) const;
    std::string offset();
    void commonLayer(pugi::xml_node layer);
    void addLayer(pugi::xml_node parent, int depth);
    void tileLayer(pugi::xml_node layer);
    void chooseEncoding(pugi::xml_node data);
    void writeData(pugi::xml_node data, const std::vector<uint32_t>& cells, int width);
    void imageLayer(pugi::xml_node layer);
    void objectGroup(pugi::xml_node layer);
    std::string templateFor(uint32_t gid, double w, double h);
    bool wholeEdges(uint32_t gid, double x, double y, double w, double h) const;
    bool edgesAre(uint32_t gid, double x, double y, double w, double h,
                  const std::function<bool(double, double, double, double, double, double)>& test) const;

    Dice m_dice;
    // Which pictures are palettes, and collections' animations: thrown
    // apart, so that allowing them leaves every seed's map as it was but
    // for these.
    Dice m_paletteDice;
    Dice m_animationDice;
    fs::path m_folder;
    uint32_t m_leaveOut;
    int m_files = 0;
    int m_layers = 0;
    int m_objects = 0;
    // The map.
    std::string m_orientation;
    int m_tw = 0, m_th = 0, m_w = 0, m_h = 0;
    bool m_infinite = false;
    int m_chunk = 16, m_chunkX0 = 0, m_chunkY0 = 0, m_chunksX = 1, m_chunksY = 1;
    bool m_framed = false; // the layer fixing the infinite map's frame is written
    std::vector<TileSetPlan> m_sets;
    bool m_animated = false;
};

SDL_Surface* Generator::tilePicture(int across, int down, int tw, int th, int margin, int spacing, int extraW,
                                    int extraH, bool keyed)
{
    const int w = 2 * margin + across * tw + (across - 1) * spacing + extraW;
    const int h = 2 * margin + down * th + (down - 1) * spacing + extraH;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    auto* px = static_cast<uint32_t*>(s->pixels);
    const int stride = s->pitch / 4;
    // Margins, spacing and leftovers in a loud colour: a tile cut a pixel off shows it.
    for (int i = 0; i < stride * h; ++i)
        px[i] = 0xFF40FF40u;
    const int salt = m_dice.below(1 << 16);
    for (int ty = 0; ty < down; ++ty)
        for (int tx = 0; tx < across; ++tx) {
            // A colour of its own per tile, a dark top-left quarter and a
            // light diagonal (so every flip shows), some clear and some
            // half-clear pixels.
            const uint32_t k = uint32_t(salt + ty * across + tx) * 2654435761u;
            const uint32_t r = 0x20 + (k >> 8) % 4 * 0x40, g = 0x20 + (k >> 12) % 4 * 0x40,
                           b = 0x20 + (k >> 16) % 4 * 0x40;
            for (int y = 0; y < th; ++y)
                for (int x = 0; x < tw; ++x) {
                    uint32_t c = 0xFF000000u | r << 16 | g << 8 | b;
                    if (x < tw / 2 && y < th / 2)
                        c = 0xFF000000u | (r / 4) << 16 | (g / 4) << 8 | (b / 4);
                    if (x == y)
                        c = 0xFFF0F0F0u;
                    if ((x * 7 + y * 3 + tx) % 13 == 5)
                        c = (c & 0x00FFFFFFu) | 0x80000000u;
                    if ((x * 5 + y * 11 + ty) % 17 == 3)
                        c = keyed ? 0xFF000000u | kKey : 0;
                    px[(margin + ty * (th + spacing) + y) * stride + margin + tx * (tw + spacing) + x] = c;
                }
        }
    return s;
}

void Generator::writePicture(SDL_Surface* s, pugi::xml_node image, bool keyed)
{
    const std::string file = name("pic", ".png");
    Zelkoran::Vector<uint8_t> palette;
    if (!keyed && allowed(ClearPalettes) && m_paletteDice.percent(15)) {
        // Tiled counts every tile of such a picture as holding clear pixels.
        if (m_paletteDice.percent(50))
            for (int y = 0; y < s->h; ++y)
                for (int x = 0; x < s->w; ++x)
                    static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x] |= 0xFF000000u;
        if (Zelkoran::image::encodePalettePng(s, palette) != 0)
            palette.clear();
    }
    if (palette.empty())
        IMG_SavePNG(s, (m_folder / file).c_str());
    else
        std::ofstream(m_folder / file, std::ios::binary)
            .write(reinterpret_cast<const char*>(palette.data()), std::streamsize(palette.size()));
    image.append_attribute("width").set_value(s->w);
    image.append_attribute("height").set_value(s->h);
    if (keyed)
        image.append_attribute("trans").set_value("ff00ff");
    SDL_FreeSurface(s);
    // Tiled 1.8's renderer draws no tile set picture held in the text (the
    // engine does; kept to image layers and single tiles here).
    if (allowed(EmbeddedPictures) && m_dice.percent(15) && std::string_view(image.parent().name()) != "tileset") {
        std::ifstream in(m_folder / file, std::ios::binary);
        const std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string b64((png.size() + 2) / 3 * 4 + 1, '\0');
        b64.resize(size_t(EVP_EncodeBlock(reinterpret_cast<unsigned char*>(b64.data()),
                                          reinterpret_cast<const unsigned char*>(png.data()), int(png.size()))));
        image.prepend_attribute("format").set_value("png");
        pugi::xml_node data = image.append_child("data");
        data.append_attribute("encoding").set_value("base64");
        data.text().set(b64.c_str());
        fs::remove(m_folder / file);
        return;
    }
    image.prepend_attribute("source").set_value(file.c_str());
}

// A tile set's contents: either one picture cut into tiles or a collection
// of pictures, with offsets, alignment and animations.
void Generator::tileSetBody(pugi::xml_node ts, TileSetPlan& plan)
{
    const bool collection = m_dice.percent(25);
    ts.append_attribute("name").set_value(name("set", "").c_str());
    int tw = m_tw, th = m_th;
    if (m_dice.percent(30))
        tw = m_dice.in(4, 28), th = m_dice.in(4, 28);
    ts.append_attribute("tilewidth").set_value(tw);
    ts.append_attribute("tileheight").set_value(th);
    if (collection) {
        const int n = m_dice.in(1, 5);
        int maxW = 1, maxH = 1;
        std::vector<std::pair<uint32_t, SDL_Surface*>> tiles;
        uint32_t id = 0;
        for (int i = 0; i < n; ++i) {
            id += uint32_t(m_dice.percent(20) ? m_dice.in(2, 4) : 1) - (i == 0);
            const int w = m_dice.in(3, 30), h = m_dice.in(3, 30);
            maxW = std::max(maxW, w), maxH = std::max(maxH, h);
            tiles.emplace_back(id, tilePicture(1, 1, w, h, 0, 0, 0, 0, false));
            plan.ids.push_back(id);
            plan.sizes[id] = {w, h};
        }
        ts.attribute("tilewidth").set_value(maxW);
        ts.attribute("tileheight").set_value(maxH);
        ts.append_attribute("tilecount").set_value(n);
        ts.append_attribute("columns").set_value(0);
        pugi::xml_node grid = ts.append_child("grid");
        grid.append_attribute("orientation").set_value("orthogonal");
        grid.append_attribute("width").set_value(1);
        grid.append_attribute("height").set_value(1);
        plan.drawable = tiles.back().first + 1;
        for (auto& [tid, pic] : tiles) {
            pugi::xml_node tile = ts.append_child("tile");
            tile.append_attribute("id").set_value(tid);
            writePicture(pic, tile.append_child("image"), false);
        }
    } else {
        const int across = m_dice.in(1, 5), down = m_dice.in(1, 4);
        const int margin = allowed(TileSetMargins) && m_dice.percent(30) ? m_dice.in(1, 3) : 0;
        const int spacing = m_dice.percent(30) ? m_dice.in(1, 3) : 0;
        // Leftover pixels too few for another column or row.
        const int extraW = m_dice.percent(20) ? m_dice.below(tw + spacing) : 0;
        const int extraH = m_dice.percent(20) ? m_dice.below(th + spacing) : 0;
        const bool keyed = m_dice.percent(15);
        uint32_t count = uint32_t(across * down);
        if (allowed(ShortTileCounts) && count > 1 && m_dice.percent(15))
            count = uint32_t(m_dice.in(1, int(count) - 1));
        if (spacing)
            ts.append_attribute("spacing").set_value(spacing);
        if (margin)
            ts.append_attribute("margin").set_value(margin);
        ts.append_attribute("tilecount").set_value(count);
        ts.append_attribute("columns").set_value(across);
        writePicture(tilePicture(across, down, tw, th, margin, spacing, extraW, extraH, keyed),
                     ts.append_child("image"), keyed);
        // Tiled cuts every tile the picture holds, whatever the count says.
        plan.drawable = uint32_t(across * down);
        for (uint32_t i = 0; i < plan.drawable; ++i)
            plan.ids.push_back(i), plan.sizes[i] = {tw, th};
    }
    if (m_dice.percent(25)) {
        pugi::xml_node off = ts.insert_child_before("tileoffset", ts.first_child());
        plan.offsetX = m_dice.in(-6, 6);
        off.append_attribute("x").set_value(plan.offsetX);
        plan.offsetY = m_dice.in(-6, 6);
        off.append_attribute("y").set_value(plan.offsetY);
    }
    if (m_dice.percent(25)) {
        static const std::vector<const char*> aligns = {"unspecified", "topleft", "top",  "topright",   "left",
                                                        "center",      "right",   "bottomleft", "bottom", "bottomright"};
        const int align = m_dice.below(int(aligns.size()));
        ts.append_attribute("objectalignment").set_value(aligns[size_t(align)]);
        if (align > 0)
            plan.alignX = (align - 1) % 3, plan.alignY = (align - 1) / 3;
    }
    // Animations: a tile that shows others in turn.
    Dice& dice = collection ? m_animationDice : m_dice;
    const int animated = m_dice.percent(35) && (!collection || allowed(CollectionAnimations)) ? dice.in(1, 2) : 0;
    for (int a = 0; a < animated; ++a) {
        const uint32_t id = dice.of(plan.ids);
        pugi::xml_node tile = ts.find_child_by_attribute("tile", "id", std::to_string(id).c_str());
        if (!tile) {
            tile = ts.append_child("tile");
            tile.append_attribute("id").set_value(id);
        }
        if (tile.child("animation"))
            continue;
        pugi::xml_node anim = tile.append_child("animation");
        for (int f = dice.in(2, 4); f > 0; --f) {
            pugi::xml_node frame = anim.append_child("frame");
            uint32_t shown = dice.of(plan.ids);
            if (plan.sizes[shown] != plan.sizes[id])
                plan.stretched.insert(id);
            frame.append_attribute("tileid").set_value(shown);
            frame.append_attribute("duration").set_value(dice.in(1, 8) * 50);
        }
        m_animated = true;
    }
}

void Generator::addTileSet(pugi::xml_node map)
{
    TileSetPlan plan;
    plan.firstGid = m_sets.empty() ? uint32_t(m_dice.in(1, 3))
                                   : m_sets.back().firstGid + m_sets.back().ids.back() + 1 + uint32_t(m_dice.below(4));
    pugi::xml_node ts = map.append_child("tileset");
    ts.append_attribute("firstgid").set_value(plan.firstGid);
    if (m_dice.percent(40)) {
        plan.source = name("set", ".tsx");
        ts.append_attribute("source").set_value(plan.source.c_str());
        pugi::xml_document tsx;
        pugi::xml_node decl = tsx.append_child(pugi::node_declaration);
        decl.append_attribute("version").set_value("1.0");
        decl.append_attribute("encoding").set_value("UTF-8");
        pugi::xml_node root = tsx.append_child("tileset");
        root.append_attribute("version").set_value("1.8");
        tileSetBody(root, plan);
        tsx.save_file((m_folder / plan.source).c_str());
    } else {
        tileSetBody(ts, plan);
    }
    m_sets.push_back(plan);
}

// Tiles showing frames of other sizes are drawn scaled: Qt steps a mirrored
// one's pixels from where its picture begins, which Tiled's renderer widens
// by offsets (the engine's picture is the map's), and places a scaled
// object's edges on half pixels by its own arithmetic. Without scaled
// objects, such tiles are neither mirrored nor objects.
uint32_t Generator::randomGid(bool flips)
{
    const TileSetPlan& set = m_dice.of(m_sets);
    const uint32_t id = m_dice.of(set.ids);
    uint32_t gid = set.firstGid + id;
    if (flips && m_dice.percent(30)) {
        const uint32_t bits = uint32_t(m_dice.in(1, 7)) << 29;
        gid |= !set.stretched.count(id) || allowed(ScaledObjects) ? bits : 0u;
    }
    return diagonalsAllowed() ? gid : gid & ~0x20000000u;
}

bool Generator::showsOtherSizes(uint32_t gid) const
{
    const uint32_t g = gid & 0x0FFFFFFFu;
    for (const TileSetPlan& set : m_sets)
        if (g >= set.firstGid && g <= set.firstGid + set.ids.back())
            return set.stretched.count(g - set.firstGid);
    return false;
}

bool Generator::stretched(uint32_t gid) const { return showsOtherSizes(gid) && !allowed(ScaledObjects); }

std::string Generator::offset()
{
    if (allowed(FractionalOffsets) && m_dice.percent(50)) {
        // Fifths, thirds, elevenths and halves: no sum of the others ends
        // on a half.
        static const std::vector<const char*> fractions = {".2", ".4", ".6", ".8", ".333", ".667", ".545", ".5"};
        const int whole = m_dice.in(-25, 25);
        const char* fraction = m_dice.of(fractions);
        return (whole < 0 ? "-" : m_dice.percent(50) ? "-" : "") + std::to_string(std::abs(whole)) + fraction;
    }
    return std::to_string(m_dice.in(-25, 25));
}

// What every layer kind may carry: an offset, opacity, tint, being hidden.
void Generator::commonLayer(pugi::xml_node layer)
{
    layer.append_attribute("id").set_value(++m_layers);
    layer.append_attribute("name").set_value(("layer " + std::to_string(m_layers)).c_str());
    if (m_dice.percent(10))
        layer.append_attribute("visible").set_value(0);
    if (m_dice.percent(25)) {
        static const std::vector<const char*> opacities = {"0.5", "0.75", "0.3", "0.9", "0.62"};
        layer.append_attribute("opacity").set_value(m_dice.of(opacities));
    }
    if (m_dice.percent(20) && allowed(Tints)) {
        char tint[16];
        if (m_dice.percent(50) || !allowed(TintAlphas))
            std::snprintf(tint, sizeof(tint), "#%02x%02x%02x", m_dice.below(256), m_dice.below(256), m_dice.below(256));
        else
            std::snprintf(tint, sizeof(tint), "#%02x%02x%02x%02x", m_dice.in(64, 255), m_dice.below(256),
                          m_dice.below(256), m_dice.below(256));
        layer.append_attribute("tintcolor").set_value(tint);
    }
    if (m_dice.percent(40) && allowed(LayerOffsets)) {
        layer.append_attribute("offsetx").set_value(offset().c_str());
        layer.append_attribute("offsety").set_value(offset().c_str());
    }
}

void Generator::chooseEncoding(pugi::xml_node data)
{
    static const std::vector<std::pair<const char*, const char*>> encodings = {
        {"csv", ""}, {"base64", ""}, {"base64", "zlib"}, {"base64", "gzip"}, {"base64", "zstd"}, {"", ""}};
    const auto [encoding, compression] = m_dice.of(encodings);
    if (*encoding)
        data.append_attribute("encoding").set_value(encoding);
    if (*compression)
        data.append_attribute("compression").set_value(compression);
}

void Generator::writeData(pugi::xml_node data, const std::vector<uint32_t>& cells, int width)
{
    pugi::xml_node parent = data.name() == std::string("chunk") ? data.parent() : data;
    const std::string enc = parent.attribute("encoding").value(), comp = parent.attribute("compression").value();
    if (enc.empty()) {
        for (uint32_t gid : cells) {
            pugi::xml_node tile = data.append_child("tile");
            if (gid)
                tile.append_attribute("gid").set_value(gid);
        }
        return;
    }
    Zelkoran::String text;
    Zelkoran::scene::encodeTileData(cells.data(), cells.size(), size_t(width), enc, comp, text);
    data.text().set(text.c_str());
}

void Generator::tileLayer(pugi::xml_node layer)
{
    const int fill = m_dice.in(30, 100);
    // w x h cells.
    const auto cellsOf = [&](int w, int h) {
        std::vector<uint32_t> cells(size_t(w) * size_t(h));
        for (size_t i = 0; i < cells.size(); ++i) {
            uint32_t& c = cells[i];
            c = m_dice.percent(fill) ? randomGid(true) : 0;
        }
        return cells;
    };
    if (!m_infinite) {
        layer.append_attribute("width").set_value(m_w);
        layer.append_attribute("height").set_value(m_h);
        pugi::xml_node data = layer.append_child("data");
        chooseEncoding(data);
        writeData(data, cellsOf(m_w, m_h), m_w);
        return;
    }
    layer.append_attribute("width").set_value(m_chunksX * m_chunk);
    layer.append_attribute("height").set_value(m_chunksY * m_chunk);
    pugi::xml_node data = layer.append_child("data");
    chooseEncoding(data);
    // The first tile layer holds the corner cells of the chunks' span, so
    // both renderers frame the map alike.
    const bool framing = !m_framed;
    m_framed = true;
    for (int cy = 0; cy < m_chunksY; ++cy)
        for (int cx = 0; cx < m_chunksX; ++cx) {
            const bool corner = (cx == 0 && cy == 0) || (cx == m_chunksX - 1 && cy == m_chunksY - 1);
            if (!(framing && corner) && !m_dice.percent(60))
                continue;
            pugi::xml_node chunk = data.append_child("chunk");
            chunk.append_attribute("x").set_value((m_chunkX0 + cx) * m_chunk);
            chunk.append_attribute("y").set_value((m_chunkY0 + cy) * m_chunk);
            chunk.append_attribute("width").set_value(m_chunk);
            chunk.append_attribute("height").set_value(m_chunk);
            std::vector<uint32_t> cells = cellsOf(m_chunk, m_chunk);
            if (framing && cx == 0 && cy == 0)
                cells.front() = randomGid(false);
            if (framing && cx == m_chunksX - 1 && cy == m_chunksY - 1)
                cells.back() = randomGid(false);
            writeData(chunk, cells, m_chunk);
        }
}

void Generator::imageLayer(pugi::xml_node layer)
{
    if (m_dice.percent(40))
        layer.append_attribute("repeatx").set_value(1);
    if (m_dice.percent(40))
        layer.append_attribute("repeaty").set_value(1);
    const bool keyed = m_dice.percent(20);
    writePicture(tilePicture(1, 1, m_dice.in(3, 40), m_dice.in(3, 40), 0, 0, 0, 0, keyed), layer.append_child("image"),
                 keyed);
}

// Whether the tile object gid at (x, y), w x h (0: its tile's), has its
// point and every edge of its tile on whole pixels (layer offsets aside).
bool Generator::wholeEdges(uint32_t gid, double x, double y, double w, double h) const
{
    const auto whole = [](double v) { return v == std::floor(v); };
    return edgesAre(gid, x, y, w, h, [&](double px, double py, double left, double top, double right, double bottom) {
        return whole(px) && whole(py) && whole(left - px) && whole(top - py) && whole(right - px) &&
               whole(bottom - py);
    });
}

// test(point x, point y, left, top, right, bottom edge) for the tile object
// gid at (x, y), w x h (0: its tile's), false for a gid of no set.
bool Generator::edgesAre(uint32_t gid, double x, double y, double w, double h,
                         const std::function<bool(double, double, double, double, double, double)>& test) const
{
    const uint32_t g = gid & 0x0FFFFFFFu;
    for (const TileSetPlan& set : m_sets) {
        const auto size = set.sizes.find(g - set.firstGid);
        if (g < set.firstGid || size == set.sizes.end())
            continue;
        const bool iso = m_orientation == "isometric";
        int ax = iso ? 1 : 0, ay = 2;
        if (set.alignX >= 0)
            ax = set.alignX, ay = set.alignY;
        const double tw = size->second.first, th = size->second.second;
        const double ow = w > 0 ? w : tw, oh = h > 0 ? h : th;
        const double px = iso ? (x - y) * m_tw / (2.0 * m_th) : x, py = iso ? (x + y) / 2 : y;
        // The set's offset scales with the tile.
        const double left = px - ax * ow / 2 + set.offsetX * ow / tw, top = py - ay * oh / 2 + set.offsetY * oh / th;
        return test(px, py, left, top, left + ow, top + oh);
    }
    return false;
}

// A template holding a tile object of an external tile set.
std::string Generator::templateFor(uint32_t gid, double w, double h)
{
    for (const TileSetPlan& set : m_sets)
        if (!set.source.empty() && (gid & 0x0FFFFFFFu) >= set.firstGid &&
            (gid & 0x0FFFFFFFu) <= set.firstGid + set.ids.back()) {
            const std::string file = name("object", ".tx");
            pugi::xml_document tx;
            pugi::xml_node root = tx.append_child("template");
            pugi::xml_node ts = root.append_child("tileset");
            // Ids of its own: the template's tile set starts wherever it likes.
            const uint32_t first = uint32_t(m_dice.in(1, 40));
            ts.append_attribute("firstgid").set_value(first);
            ts.append_attribute("source").set_value(set.source.c_str());
            pugi::xml_node o = root.append_child("object");
            o.append_attribute("gid").set_value((gid & ~0x0FFFFFFFu) | ((gid & 0x0FFFFFFFu) - set.firstGid + first));
            if (w > 0) {
                o.append_attribute("width").set_value(w);
                o.append_attribute("height").set_value(h);
            }
            tx.save_file((m_folder / file).c_str());
            return file;
        }
    return "";
}

void Generator::objectGroup(pugi::xml_node layer)
{
    if (m_dice.percent(40))
        layer.append_attribute("draworder").set_value(m_dice.percent(50) ? "index" : "topdown");
    // Object places span the map (isometric ones count cell heights on both axes).
    const bool iso = m_orientation == "isometric";
    const int spanX = (iso ? m_th : m_tw) * (m_infinite ? m_chunksX * m_chunk : m_w);
    const int spanY = m_th * (m_infinite ? m_chunksY * m_chunk : m_h);
    const int x0 = m_infinite ? m_chunkX0 * m_chunk * (iso ? m_th : m_tw) : 0;
    const int y0 = m_infinite ? m_chunkY0 * m_chunk * m_th : 0;
    const auto place = [&](int lo, int span, bool fractional) {
        const double v = lo + m_dice.below(span + 1) - 8;
        return fractional ? v + m_dice.below(8) / 8.0 : v;
    };
    for (int n = m_dice.in(1, 6); n > 0; --n) {
        pugi::xml_node o = layer.append_child("object");
        o.append_attribute("id").set_value(++m_objects);
        const bool fractional = m_dice.percent(50);
        double rotation = 0;
        if (m_dice.percent(35) && allowed(QuarterTurns))
            rotation = m_dice.percent(70) || !allowed(FreeRotations) ? 90.0 * m_dice.in(-3, 3)
                                                                      : m_dice.in(-180, 180) + m_dice.below(4) / 4.0;
        const bool frac = fractional && (rotation == 0 || allowed(RotatedAtFractions));
        uint32_t gid = randomGid(false) | (m_dice.percent(50) && allowed(FlippedObjects) ? uint32_t(m_dice.below(8)) << 29 : 0u);
        if (!diagonalsAllowed())
            gid &= ~0x20000000u;
        double ox = place(x0, spanX, frac), oy = place(y0, spanY, frac);
        double w = 0, h = 0; // 0: the tile's
        if (m_dice.percent(80) && allowed(ScaledObjects)) {
            w = m_dice.percent(50) ? m_dice.in(3, 32) : m_dice.in(12, 120) / 4.0;
            h = m_dice.percent(50) ? m_dice.in(3, 32) : m_dice.in(12, 120) / 4.0;
        }
        // Without half-pixel turns, an object with an edge off whole pixels
        // is neither flipped nor turned.
        if (!allowed(HalfPixelTurns) && !wholeEdges(gid, ox, oy, w, h))
            gid &= 0x0FFFFFFFu, rotation = 0;
        if (const int shape = m_dice.below(12); shape < 2) {
            // Shapes and text: kept as data, not drawn.
            o.append_attribute("x").set_value(ox);
            o.append_attribute("y").set_value(oy);
            o.append_attribute("width").set_value(m_dice.in(1, 20));
            o.append_attribute("height").set_value(m_dice.in(1, 20));
            if (shape == 1)
                o.append_child("text").text().set("hello");
            else
                o.append_child("ellipse");
            continue;
        }
        if (const std::string tx = m_dice.percent(15) ? templateFor(gid, w, h) : ""; !tx.empty()) {
            o.append_attribute("template").set_value(tx.c_str());
        } else {
            o.append_attribute("gid").set_value(gid);
            if (w > 0) {
                o.append_attribute("width").set_value(w);
                o.append_attribute("height").set_value(h);
            }
        }
        o.append_attribute("x").set_value(ox);
        o.append_attribute("y").set_value(oy);
        if (rotation != 0)
            o.append_attribute("rotation").set_value(rotation);
        if (m_dice.percent(8))
            o.append_attribute("visible").set_value(0);
        if (stretched(gid)) // drawn scaled (see randomGid)
            layer.remove_child(o);
    }
}

void Generator::addLayer(pugi::xml_node parent, int depth)
{
    int kind = m_dice.below(depth < 3 ? 8 : 7);
    if ((kind >= 3 && kind < 5 && !allowed(TileObjects)) || (kind >= 5 && kind < 7 && !allowed(ImageLayers)))
        kind = 0;
    pugi::xml_node layer = parent.append_child(kind < 3 ? "layer" : kind < 5 ? "objectgroup" : kind < 7 ? "imagelayer" : "group");
    commonLayer(layer);
    if (kind < 3)
        tileLayer(layer);
    else if (kind < 5)
        objectGroup(layer);
    else if (kind < 7)
        imageLayer(layer);
    else
        for (int n = m_dice.in(1, 3); n > 0; --n)
            addLayer(layer, depth + 1);
}

GeneratedMap Generator::make()
{
    static const std::vector<const char*> orientations = {"orthogonal", "isometric", "staggered", "hexagonal"};
    static const std::vector<const char*> orders = {"right-down", "right-up", "left-down", "left-up"};
    m_orientation = m_dice.of(orientations);
    m_tw = m_dice.in(5, 24);
    m_th = m_dice.in(5, 24);
    if (m_orientation == "isometric" && !allowed(OddIsometricCells))
        m_tw &= ~1, m_th &= ~1;
    if ((m_orientation == "staggered" || m_orientation == "hexagonal") && !allowed(OddStaggeredCells))
        m_tw &= ~1, m_th &= ~1;
    m_w = m_dice.in(1, 7);
    m_h = m_dice.in(1, 7);
    m_infinite = m_dice.percent(20) && allowed(InfiniteMaps);

    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version").set_value("1.0");
    decl.append_attribute("encoding").set_value("UTF-8");
    pugi::xml_node map = doc.append_child("map");
    map.append_attribute("version").set_value("1.8");
    map.append_attribute("orientation").set_value(m_orientation.c_str());
    map.append_attribute("renderorder").set_value(m_dice.of(orders));
    map.append_attribute("width").set_value(m_w);
    map.append_attribute("height").set_value(m_h);
    map.append_attribute("tilewidth").set_value(m_tw);
    map.append_attribute("tileheight").set_value(m_th);
    map.append_attribute("infinite").set_value(m_infinite ? 1 : 0);
    if (m_orientation == "staggered" || m_orientation == "hexagonal") {
        const bool x = m_dice.percent(50);
        int side = 0;
        if (m_orientation == "hexagonal")
            side = m_dice.in(0, std::max(0, (x ? m_tw : m_th) - 2)) & (allowed(OddStaggeredCells) ? ~0 : ~1),
            map.append_attribute("hexsidelength").set_value(side);
        map.append_attribute("staggeraxis").set_value(x ? "x" : "y");
        map.append_attribute("staggerindex").set_value(m_dice.percent(50) ? "odd" : "even");
    }
    if (m_dice.percent(20)) {
        char bg[16];
        std::snprintf(bg, sizeof(bg), "#%02x%02x%02x%02x", m_dice.in(40, 255), m_dice.below(256), m_dice.below(256),
                      m_dice.below(256));
        map.append_attribute("backgroundcolor").set_value(bg);
    }
    if (m_infinite) {
        // Chunks span whole blocks of 16 cells, aligned to 16: Tiled frames
        // an infinite map by such blocks, the engine by the chunks.
        static const std::vector<int> chunks = {4, 8, 16};
        m_chunk = m_dice.of(chunks);
        m_chunksX = m_dice.in(1, 2) * 16 / m_chunk, m_chunksY = m_dice.in(1, 2) * 16 / m_chunk;
        if (allowed(NegativeChunks))
            m_chunkX0 = m_dice.in(-2, 0) * 16 / m_chunk, m_chunkY0 = m_dice.in(-2, 0) * 16 / m_chunk;
        // Tiled's renderer frames an infinite isometric map from its top-left
        // block's (x0 + y0) and draws none of one whose chunks begin higher
        // above cell (0, 0) than they span.
        if (m_orientation == "isometric")
            m_chunkY0 = std::max(m_chunkY0, -m_chunksY);
    }
    for (int n = m_dice.in(1, 3); n > 0; --n)
        addTileSet(map);
    if (m_infinite) {
        // The framing tile layer first, then the rest.
        pugi::xml_node layer = map.append_child("layer");
        commonLayer(layer);
        tileLayer(layer);
    }
    for (int n = m_dice.in(1, 5); n > 0; --n)
        addLayer(map, 0);
    map.append_attribute("nextlayerid").set_value(m_layers + 1);
    map.append_attribute("nextobjectid").set_value(m_objects + 1);

    GeneratedMap out;
    out.tmx = m_folder / "map.tmx";
    doc.save_file(out.tmx.c_str(), "  ");
    out.timesMs = {0};
    if (m_animated)
        for (int n = 0; n < 3; ++n)
            out.timesMs.push_back(m_dice.percent(30) ? 50 * m_dice.in(1, 30) : m_dice.in(1, 3000));
    return out;
}

} // namespace

GeneratedMap generateMap(uint32_t seed, const fs::path& folder, uint32_t leaveOut)
{
    fs::create_directories(folder);
    return Generator(seed, folder, leaveOut).make();
}

} // namespace scenetest
