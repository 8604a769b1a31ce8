// Scenes: tile maps in the TMX form (Tiled's map format), with tile sets,
// tile layers, image layers, object groups and group layers, in the
// orthogonal, isometric, staggered and hexagonal orientations.
//
// Layers: the top-level layers sit in 1-based slots, drawn in slot order; a
// slot may be empty. A text carrying the engine's marker (written by
// saveToBuffer) puts each top-level layer in the slot of its id; any other
// map fills slots 1..n in document order. Saves write each top-level
// layer's id as its slot number, so a reload gives the same slots.
//
// References: tile sets (TSX), templates (TX) and images a scene names are
// found by plain name (a block of the scene's archive: "ZK7_XML" for TSX and
// TX, "ZK7_IMAGE" for images; then a file beside the archive), by
// "qel://archive.qel/block" URI (any archive, a relative archive path taken
// from the scene's archive's folder), or, for scenes read from a file, by
// file path relative to the referring file. The stored form is described
// in docs/scene-format.md.
//
// Objects, properties, wang sets and every element or attribute the engine
// does not use are kept as read and written back unchanged.
// setName refuses a name another open scene holds; loads do not check, as a
// caller may load a new scene while the old one of that name is still open.
// Main thread only.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Types.h>

#include <SDL_rect.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Zelkoran {

// The text by which saveToBuffer marks a scene of the engine's own making.
inline constexpr const char* kSceneMarker = "Zelkoran GDK Scene format";

enum eSceneLayerType : int {
    SLT_EMPTY = 0, // an empty slot
    SLT_TILE = 1,
    SLT_IMAGE = 2,
    SLT_OBJECT = 3, // an object group
    SLT_GROUP = 4,  // a group layer; its nested layers are not slots
};

enum eSceneLayerFeature : uint32_t {
    SLF_MARKED = 0x08, // set by the editor on every layer it builds; kept in memory only
    SLF_SHOWN = 0x20,  // the layer is drawn
};

// Builds game objects from a scene's objects. The editor passes none; the
// stand-in keeps objects as data and never calls one.
class SceneObjectFactory;

// The cells of a tile layer: a row-by-row grid of global tile ids (0 = no
// tile). Owned by its scene.
class SceneLayerTile {
public:
    virtual ~SceneLayerTile() = default;
    virtual int getColumns() const = 0;
    virtual int getRows() const = 0;
    // The columns cells of row (0-based), or null beyond the grid. The
    // pointer stays valid until the layer closes.
    virtual uint32_t* getRow(int row) = 0;
    virtual const uint32_t* getRow(int row) const = 0;
    // Size in pixels of one cell on screen: the scene's tile size. False
    // below 1, above 16384 or, while other layers fill slots, for another
    // size than the scene's (the old one stays).
    virtual bool setCellWidth(int px) = 0;
    virtual bool setCellHeight(int px) = 0;
    virtual int getCellWidth() const = 0;
    virtual int getCellHeight() const = 0;

protected:
    SceneLayerTile() = default;
};

// An object group's settings beyond its objects. Owned by its scene.
class SceneLayerObject {
public:
    virtual ~SceneLayerObject() = default;
    // Cell size in pixels of the grid that indexes the objects by place;
    // stored and saved. False below 1.
    virtual bool setSpatialGridCellSize(int px) = 0;
    // Extent in pixels the objects occupy; stored and saved. False when
    // either is below 0.
    virtual bool setSize(float w, float h) = 0;

protected:
    SceneLayerObject() = default;
};

class Scene {
public:
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    int getID() const;
    const char* getName() const;
    // Pixel size of the map: its size in tiles times its tile size, or for a
    // built scene the extent of its largest layer.
    int getWidth() const;
    int getHeight() const;
    // The map's tile size in pixels: the grid its tile layers share (0 x 0
    // for a new scene that no import or setTileSize has given one).
    int getTileWidth() const;
    int getTileHeight() const;
    // Sets the tile size. Once a layer fills a slot only the same size is
    // taken: the layers would move off their grid. Returns 0, or
    // RC_ERR_INVALID (a side below 1 or above 16384), RC_ERR_EXISTS (the
    // scene holds layers and the size differs).
    int setTileSize(int width, int height);

    // --- layers ---
    // Number of layer slots, empty ones included; reserved: pass 0.
    int getLayerCount(int reserved) const;
    // eSceneLayerType of the slot; SLT_EMPTY also for a slot beyond the count.
    int getLayerType(int slot) const;
    // True and the layer's name; false and "" for an empty or missing slot.
    bool getLayerName(int slot, String& name) const;
    // Returns 0, RC_ERR_NOT_FOUND (empty or missing slot), RC_ERR_INVALID (null).
    int setLayerName(int slot, const char* name);
    // eSceneLayerFeature bits of the slot; 0 for an empty or missing slot.
    uint32_t getLayerFeatures(int slot) const;
    // Switches bits on or off. Returns 0, or RC_ERR_NOT_FOUND (empty or
    // missing slot).
    int setLayerFeatures(int slot, uint32_t bits, bool on);
    // The layer's offset in pixels. Returns 0, or RC_ERR_NOT_FOUND (empty or
    // missing slot; x and y unchanged).
    int getLayerPosition(int slot, float& x, float& y) const;
    // Sets the layer's offset; only PH_ABSOLUTE positions are taken. changed
    // (may be null) tells whether the offset moved.
    // Returns 0, RC_ERR_NOT_FOUND (empty or missing slot), RC_ERR_INVALID
    // (another helper).
    int setLayerPosition(int slot, Position x, Position y, bool* changed = nullptr);
    // Closes the layer; its slot stays, empty, so other layers keep their
    // slots (empty slots at the end are dropped). False for an empty or
    // missing slot.
    bool closeLayer(int slot);
    // A new tile layer of type SLT_TILE with a grid of columns x rows empty
    // cells. slot: an empty slot, or getLayerCount(0) + 1 (below 1 means
    // that too). The layer is shown.
    // Returns the layer's slot (>= 1), or RC_ERR_EXISTS (the slot holds a
    // layer), RC_ERR_INVALID (another type, slot beyond count + 1, columns or
    // rows below 1, null name), RC_ERR_TOO_LARGE (the map's tile layers would
    // hold more than 2^26 cells together).
    int createLayer(const char* name, int type, int slot, int columns, int rows);
    // The tile layer in slot, or null (empty slot, another type).
    SceneLayerTile* accessLayerTile(int slot);
    // The object group in slot, or null (empty slot, another type).
    SceneLayerObject* accessLayerObject(int slot);
    // Builds a layer from an image file: tileW x tileH 0 x 0 gives one image
    // layer; otherwise the image is cut into tiles (the last row and column
    // filled up with transparent pixels) and de-duplicated as one frame of an
    // animation (FrameTiles.h, pixel mode): a tile with at most
    // (100 - matchPercent) % of its pixels different from an earlier one
    // shares the lowest such tile of the new tile set, a fully transparent
    // tile leaves its cell empty. Pixels of colorKey (0xRRGGBB, -1 = none)
    // are transparent. slot as in createLayer; the layer is named layerName
    // and shown.
    // Returns 0, or RC_ERR_NOT_FOUND (no such file), RC_ERR_CORRUPT (not an
    // image), RC_ERR_EXISTS (slot holds a layer), RC_ERR_INVALID (bad slot,
    // only one of tileW and tileH 0, matchPercent outside 1..100, a tile
    // size other than the scene's while layers fill slots; a scene without
    // layers takes the tile size),
    // RC_ERR_TOO_LARGE (too many tiles), RC_ERR_NO_MEMORY.
    int importLayerFromFile(int slot, const char* path, const char* layerName, int tileW, int tileH,
                            float matchPercent, int colorKey);
    // The same from image imageId, which stays the caller's (the scene takes
    // a copy of the pixels). RC_ERR_NOT_FOUND: no such image.
    int importLayerFromImage(int slot, int imageId, const char* layerName, int tileW, int tileH,
                             float matchPercent, int colorKey);

    // --- tile sets ---
    // Adds the tile set of Tile tileId, whose tiles take global ids from
    // firstGid on (below 1: the next free id). The scene takes the tile set
    // over: closing it or the scene closes it (TileMgr::close), the caller no
    // longer does; on failure the caller keeps it.
    // Returns the first global id (>= 1), or RC_ERR_NOT_FOUND (no such tile
    // set), RC_ERR_INVALID (no image or tile size), RC_ERR_EXISTS (firstGid
    // overlaps another tile set's ids).
    int createTileSet(int tileId, int firstGid);
    // Closes the tile set starting at firstGid; cells still holding its ids
    // draw nothing. Returns 0 or RC_ERR_NOT_FOUND.
    int closeTileSet(int firstGid);
    // Animates tile gid: frame i shows global id frames[i] for durationsMs[i]
    // milliseconds (values below 1 count as 1); replaces an earlier animation.
    // Returns 0, or RC_ERR_NOT_FOUND (gid in no tile set), RC_ERR_INVALID
    // (lists empty or of different lengths, a frame id in no tile set).
    int setTileAnimation(uint32_t gid, const Vector<uint32_t>& frames, const Vector<uint32_t>& durationsMs);

    // --- drawing ---
    // True and the screen rectangle the scene is drawn into; false when none
    // was set (the scene then fills the screen).
    bool getViewport(SDL_Rect& rect) const;
    // Scene pixel (0, 0) lands at the rectangle's top-left; drawing is clipped
    // to it. Returns 0, or RC_ERR_INVALID (width or height below 1).
    int setViewport(SDL_Rect rect);
    // Advances tile animations by elapsedMs; 0 = the time since the previous
    // update, measured by the engine. Returns 0.
    int update(int elapsedMs);
    // Draws the shown layers in slot order on screen (only 0 exists), inside
    // the viewport and the screen's clip rectangle; reserved: pass 0.
    // Returns 0, or RC_ERR_NOT_FOUND (the screen is not shown).
    int render(int screen, int reserved);

    // --- saving ---
    // The scene as TMX text in a new NUL-terminated buffer (size excludes
    // the NUL) that the caller releases with CMem::free. References are
    // written as they were read. Pictures that exist only in memory (from
    // importLayerFrom*) are stored as "ZK7_IMAGE" blocks of the open archive
    // at archivePath, named "#M_" + fileName without extension + "_" + n
    // with the lowest n from 0 whose name no image block has yet (nothing is
    // replaced), and referred to as "qel://<archive file name>/<block>".
    // engineFormat true adds the marker comment "Zelkoran GDK Scene format:
    // sceneName", by which SceneMgr knows the text as its own, and stores
    // each top-level layer's id as its slot (docs/scene-format.md).
    // Returns 0, or RC_ERR_INVALID (a null argument), RC_ERR_NOT_FOUND (a
    // picture only in memory and no open archive at archivePath), a code of
    // Archive::blockAdd (-72, -477) for such a picture, RC_ERR_NO_MEMORY.
    int saveToBuffer(char*& buffer, size_t& size, const char* sceneName, const char* fileName,
                     const char* archivePath, bool engineFormat) const;
    // Writes the scene as a TMX file at path (replacing a file only once the
    // new one is complete); name: reserved for the map's name (TMX has no
    // place for it); reserved: pass "". withDependencies also writes every
    // tile set as NAME.tsx, every picture as NAME.png and every object
    // template as NAME.tx next to path (NAME as Tool::fileNameFor gives it, one
    // over 200 bytes cut to fit with a digest of it, made unique with "_2",
    // "_3"...), and the map refers to them by file name
    // (files of those names are replaced); without it references stay as
    // they were read. Layers keep the ids they were read with.
    // Returns 0, or RC_ERR_IO, RC_ERR_INVALID (empty path), RC_ERR_NOT_FOUND
    // (pictures only in memory, which need withDependencies).
    int save(const char* path, const char* name, const char* reserved, bool withDependencies);
    // Copies what the scene read from files into archive archiveId: tile
    // sets as TSX and templates as TX ("ZK7_XML" blocks), images as
    // "ZK7_IMAGE" blocks, each under its file's name, or with "_2", "_3"...
    // before the extension when a block of that name and type exists already
    // (nothing of the archive is replaced; a block holding the very bytes
    // that would be written is used instead). The scene then refers to them by
    // "qel://ARCHIVE.qel/NAME" URIs, ARCHIVE.qel the archive's file name, so
    // that saveToBuffer for that archive writes a map that needs no file.
    // References that are "qel://" URIs already, and pixels only in memory,
    // stay as they are. Meant for a scene read with SceneMgr::loadFromFile.
    // Returns the number of blocks written (>= 0), or RC_ERR_NOT_FOUND (no
    // such archive), RC_ERR_NO_SLOT, RC_ERR_NO_MEMORY, or another code of
    // Archive::blockAdd; blocks written before a failure stay.
    int storeDependencies(int archiveId);

private:
    friend class SceneMgr;
    friend struct SceneAccess; // engine side: the map model
    struct Impl;
    explicit Scene(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

class SceneMgr {
public:
    SceneMgr();
    ~SceneMgr();

    // A new scene without layers or tile sets; flags are reserved (callers
    // pass 0). Returns the scene id (> 0), or RC_ERR_EXISTS (another open
    // scene has that non-empty name), RC_ERR_INVALID (name null).
    int create(const char* name, int flags);
    // The TMX text of the "ZK7_XML" block blockName in the archive FILE at
    // archivePath (opened for the call when it is not open); its references
    // resolve against that archive. factory: none is used (pass null).
    // Returns the scene id (> 0), or RC_ERR_NOT_FOUND (no such archive,
    // block, or referenced tile set or image), RC_ERR_KEY (-477), RC_ERR_CORRUPT
    // (not a TMX map), RC_ERR_IO.
    int load(const char* archivePath, const char* blockName, SceneObjectFactory* factory = nullptr);
    // A TMX file; the tile sets and images it names are read from disk
    // relative to its folder. Returns the scene id (> 0), or the codes of load.
    int loadFromFile(const char* path, SceneObjectFactory* factory = nullptr);
    // TMX text (copied). archivePath is the base for references: plain names
    // are blocks of that archive (then files in its folder), "qel://" URIs
    // are resolved (other archives too). "" takes plain names as files of
    // the current folder. Returns the scene id (> 0), or the codes of load,
    // RC_ERR_TOO_LARGE (a text over 256 MiB, a layer over 2^25 cells),
    // RC_ERR_INVALID (data null).
    int loadFromBuffer(const void* data, size_t size, const char* name, const char* archivePath,
                       SceneObjectFactory* factory = nullptr);
    // The open scene with that id, or null.
    Scene* get(int id);
    // Closes the scene with its layers and tile sets. Returns 0 or
    // RC_ERR_NOT_FOUND.
    int close(int id);
    // Returns 0, RC_ERR_NOT_FOUND, RC_ERR_EXISTS (another open scene has the
    // name), RC_ERR_INVALID (empty).
    int setName(int id, const char* name);
    // Why the last load failed, with the file and line where known ("" after
    // a load that succeeded). The same text goes to the log as an error.
    const char* getLastError() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace Zelkoran
