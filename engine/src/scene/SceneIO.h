// Reading, writing and drawing the map model.
#pragma once

#include "scene/SceneModel.h"

#include <cstddef>

namespace Zelkoran::scene {

// Where a text came from; the references in it resolve against this.
// archivePath set: plain names are blocks of that archive (then files
// beside it); otherwise they are files relative to folder.
struct Origin {
    String archivePath;
    String folder;
    String block; // the text's block in archivePath, when it was read from one
};

// In the engine's text: the 1-based slot of a top-level layer whose id is
// another number (a layer without it fills the slot of its id).
inline constexpr const char* kSlotAttribute = "zk-slot";

// Reads TMX text into out. 0, or RC_ERR_CORRUPT (malformed or hostile map;
// error says what and where), RC_ERR_NOT_FOUND (a tile set, template or
// image cannot be found), RC_ERR_TOO_LARGE, RC_ERR_KEY, RC_ERR_NO_MEMORY.
int readMap(const void* data, size_t size, const Origin& origin, Map& out, String& error);

// How writeMap names what the map refers to.
struct WriteOptions {
    bool engineFormat = false;  // the marker comment, layer slots (kSlotAttribute)
    String sceneName;           // engineFormat: kept in the marker comment
    String archivePath;         // images only in memory become "ZK7_IMAGE" blocks of it
    String storeName;           // the name the text will be stored under (block names derive from it)
    // Export: tile sets become TSX files and images PNG files in this folder,
    // referred to by file name; "" keeps the references as read.
    String exportFolder;
};

// The map as TMX text. 0, or RC_ERR_NO_MEMORY, RC_ERR_IO (an export file
// or image block could not be written), RC_ERR_NOT_FOUND (no archive for an
// in-memory image).
int writeMap(const Map& map, const WriteOptions& options, String& text);

// stem + tail, stem cut back to whole UTF-8 characters so that the name
// fits a block.
String fitBlockName(String stem, const String& tail);

// Draws the shown layers with scene pixel (0, 0) at (x, y); the renderer's
// clip rectangle limits it.
void drawMap(const Map& map, SDL_Renderer* renderer, float x, float y, uint64_t timeMs);

} // namespace Zelkoran::scene
