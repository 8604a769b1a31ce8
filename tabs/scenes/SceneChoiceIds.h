// The answers of the scene tab's choice boxes: what the Import button
// imports, and whether a map or tile set is imported, exported or deleted
// with what it references or alone.
#pragma once

enum eSceneChoice : int {
    SC_SCENE = 4,    // Import: a scene from a map, picture, video or Universal VTT file
    SC_TILE_SET = 8, // Import: a tile set or template
    SC_FULL = 4,     // with the tile sets and images it references
    SC_ALONE = 8,    // its XML alone
};
