// The map model behind a Scene: what the readers fill, the renderer draws
// and the writers store. Every element is also kept as read (minus the
// parts the model regenerates: tile data, nested layers, a map's tile sets
// and layers), so what the engine does not use is written back unchanged.
#pragma once

#include "scene/KeptSamples.h"

#include <Zelkoran/CMem.h>
#include <Zelkoran/Scene.h>

#include <SDL_rect.h>

#include <pugixml.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

struct SDL_Surface;
struct SDL_Texture;
struct SDL_Renderer;

namespace Zelkoran::scene {

// The top bits of a global tile id: how the tile is flipped.
inline constexpr uint32_t kFlipH = 0x80000000u;
inline constexpr uint32_t kFlipV = 0x40000000u;
inline constexpr uint32_t kFlipD = 0x20000000u;      // anti-diagonal: x and y swapped
inline constexpr uint32_t kRotateHex = 0x10000000u;  // 120 degrees, hexagonal maps only (kept, not drawn)
inline constexpr uint32_t kGidMask = 0x0FFFFFFFu;

// Larger tile layers (cells) are refused, so a hostile size cannot exhaust memory.
inline constexpr uint64_t kMaxCells = uint64_t(1) << 25;
// A map's tile layers together hold at most this many cells (256 MiB of ids):
// many layers each within kMaxCells must not add up to gigabytes either.
inline constexpr uint64_t kMaxMapCells = uint64_t(1) << 26;
// More top-level layer slots are refused.
inline constexpr int kMaxSlots = 4096;
// Larger tiles are refused as hostile.
inline constexpr int kMaxTileSide = 16384;

enum class Orientation { Orthogonal, Isometric, Staggered, Hexagonal };
enum class RenderOrder { RightDown, RightUp, LeftDown, LeftUp };

// Decoded pixels shared by the tile sets, tiles and image layers naming them.
struct Picture {
    String source;                  // the reference as written; "" = exists only in memory
    bool embedded = false;          // read from the text's own <data>, and written back there
    // Read from a PNG palette with a clear or half-clear entry (used or not)
    // and no colour key: Tiled counts every part of it as holding clear
    // pixels, and it is written as such a palette again.
    bool clearPalette = false;
    SDL_Surface* surface = nullptr; // ARGB8888, owned
    // Unique to this picture for the process's life, so a drawing cache
    // cannot mistake a new picture at a freed one's address for it.
    const uint64_t serial;
    Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    ~Picture();
    // The texture of the pixels for renderer, made on first use: tinted as
    // Tiled tints (0xAARRGGBB; any tint but opaque white recolours, the
    // alpha only by being there), and transposed (x and y swapped) for
    // tiles flipped across their diagonal.
    SDL_Texture* texture(SDL_Renderer* renderer, uint32_t tint = 0xFFFFFFFF, bool transposed = false);
    // True when no pixel of the part r is even partly clear (found on
    // first use); never for a clear palette's.
    bool opaque(const SDL_Rect& r);
    // The picture of part (see SampledPart) for renderer, kept for the
    // draws that sample the same; null when it may not be kept.
    const KeptPicture* sampled(SDL_Renderer* renderer, const SampledPart& part);

private:
    // Drops the textures made for another renderer.
    void drawnBy(SDL_Renderer* renderer);

    std::map<uint64_t, SDL_Texture*> m_textures; // by tint, bit 32 set when transposed
    KeptSamples m_kept;
    SDL_Renderer* m_owner = nullptr;
    std::map<std::tuple<int, int, int, int>, bool> m_opaque; // opaque() by part
};
using PicturePtr = std::shared_ptr<Picture>;

// A picture whose pixels exist only in memory; takes surface over.
PicturePtr memoryPicture(SDL_Surface* surface);

struct Frame {
    uint32_t tileId = 0; // local id in the same tile set
    uint32_t durationMs = 1;
};

// What a tile set says about one tile beyond its place in the image.
struct TileArt {
    PicturePtr picture;       // image-collection tile sets: the tile's own image
    SDL_Rect rect{0, 0, 0, 0}; // the part of picture it uses
    std::vector<Frame> frames; // its animation, empty when none
    uint32_t totalMs = 0;
};

struct TileSet {
    uint32_t firstGid = 1;
    String source;              // external TSX reference as written; "" = embedded
    pugi::xml_document element; // the <tileset> element (an external one's TSX root) as read
    int tileWidth = 0;
    int tileHeight = 0;
    int spacing = 0;
    int margin = 0;
    int columns = 0;
    uint32_t tileCount = 0; // ids 0..tileCount-1 are valid
    // The ids the set itself names (its tilecount, its tiles); the picture
    // may hold more, which yield to a following set's ids.
    uint32_t namedCount = 0;
    int offsetX = 0;
    int offsetY = 0;
    bool gridRenderSize = false; // tilerendersize="grid": tiles scaled to the map's cell
    // objectalignment: where a tile object's point sits on its tile, per
    // axis 0 start, 1 middle, 2 end; -1 unspecified (the orientation decides).
    int alignX = -1, alignY = -1;
    PicturePtr picture;          // null for an image collection
    std::map<uint32_t, TileArt> tiles;

    bool contains(uint32_t gid) const { return gid >= firstGid && gid - firstGid < tileCount; }
    // The picture and source rectangle of local tile id after animation at
    // timeMs; false when the tile has no pixels. An animation frame may
    // show any tile the set holds, those its picture holds beyond the
    // declared count too; while one beyond the set shows, the tile has no
    // pixels and its cell shows what lies below (where Tiled draws its
    // missing-tile mark).
    bool tileImage(uint32_t local, uint64_t timeMs, Picture*& picture, SDL_Rect& rect) const;
    // The size local tile id is drawn at: its own picture's, whatever size
    // the frame its animation shows (Tiled stretches frames into it).
    SDL_Point tileSize(uint32_t local) const;
};

// A tile set of tileCount tiles, columns a row, cut from pixels that exist
// only in memory (surface taken over), with the <tileset> element a save
// writes.
std::unique_ptr<TileSet> memoryTileSet(const char* name, uint32_t firstGid, int tileWidth, int tileHeight, int columns,
                                       uint32_t tileCount, SDL_Surface* surface);

// An object of a group that draws: a tile object (shapes are data only).
struct TileObject {
    const TileSet* tileSet = nullptr;
    uint32_t gid = 0; // with flip bits, relative to tileSet's firstGid
    // Kept as read (Tiled places objects in double precision: 40.8 - 20.3
    // must round as it does there).
    double x = 0, y = 0, width = 0, height = 0, rotation = 0;
    bool visible = true;
};

struct Layer {
    int type = SLT_TILE;
    int id = 0; // as read, and written again (the slot is the layer's place in Map::slots)
    String name;
    // As read: the offsets of nested layers add up before a place is rounded.
    double offsetX = 0, offsetY = 0;
    float opacity = 1;
    // tintcolor (r, g, b, a): colours everything drawn as Tiled tints (see
    // Picture::texture and the renderer for its alpha); kept apart from
    // opacity, which is written back.
    uint8_t tint[4] = {255, 255, 255, 255};
    uint32_t features = SLF_SHOWN;
    pugi::xml_document element; // as read, without <data> and nested layers

    // SLT_TILE: the cell grid, row by row, origin = map cell of cells[0].
    int columns = 0, rows = 0;
    int originX = 0, originY = 0;
    std::vector<uint32_t> cells;
    String encoding, compression; // as read: "csv" / "base64" / "" (XML); "zlib" / "gzip" / "zstd" / ""
    bool chunked = false;         // read from <chunk>s (infinite maps); written the same way

    // SLT_IMAGE
    PicturePtr picture;
    bool repeatX = false, repeatY = false;

    // SLT_OBJECT
    std::vector<TileObject> tileObjects;

    // SLT_GROUP
    std::vector<std::unique_ptr<Layer>> children;

    bool shown() const { return (features & SLF_SHOWN) != 0; }
};

// A tile layer of columns x rows empty cells, stored as zlib base64.
std::unique_ptr<Layer> newTileLayer(const char* name, int columns, int rows);

// An object template (TX) the map's objects name, as read.
struct Template {
    pugi::xml_document element;       // the <template> element
    const TileSet* tileSet = nullptr; // the tile set its <tileset> names, if any
};

struct Map {
    pugi::xml_document element; // <map> as read, without tile sets and layers
    Orientation orientation = Orientation::Orthogonal;
    RenderOrder renderOrder = RenderOrder::RightDown;
    int width = 0, height = 0; // in cells (infinite maps: the bounds of their chunks)
    int tileWidth = 0, tileHeight = 0;
    int hexSideLength = 0;
    bool staggerX = false;    // staggeraxis="x"
    bool staggerEven = false; // staggerindex="even"
    bool infinite = false;
    int originX = 0, originY = 0; // infinite maps: the cell at scene pixel (0, 0)
    bool hasBackground = false;
    uint8_t background[4] = {0, 0, 0, 0}; // r, g, b, a
    std::vector<std::unique_ptr<TileSet>> tileSets; // by firstGid
    // Tile sets only templates name: drawn, never written into the map.
    std::vector<std::unique_ptr<TileSet>> templateTileSets;
    // The templates objects name, by the reference as written in the map.
    std::map<String, std::shared_ptr<Template>> templates;
    std::vector<std::unique_ptr<Layer>> slots; // index = slot - 1; null = empty slot

    const TileSet* tileSetFor(uint32_t gid) const;
    // The slot a new layer takes (0 and below: the one after the last), or
    // RC_ERR_INVALID (beyond the one after the last, or kMaxSlots),
    // RC_ERR_EXISTS (taken).
    int freeSlot(int slot) const;
    // A tile layer of cells more keeps the map within kMaxMapCells.
    bool roomForCells(uint64_t cells) const;
    // Pixel size of the whole map as its orientation lays it out.
    int pixelWidth() const;
    int pixelHeight() const;
    // No layer but except (may be null) fills a slot: the tile size may
    // change without moving anything already laid on the grid.
    bool gridFree(const Layer* except = nullptr) const;
};

} // namespace Zelkoran::scene
