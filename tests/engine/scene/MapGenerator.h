// Random valid Tiled maps, with the tile sets, templates and pictures they
// name, written into a folder: every feature the scene reader accepts,
// alone and together, in small maps that draw quickly. A seed always gives
// the same files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace scenetest {

// Features the generator can be told to leave out.
enum MapFeature : uint32_t {
    FractionalOffsets = 1u << 0,  // layer offsets with fractions
    OddIsometricCells = 1u << 1,  // isometric cells of an odd width or height
    RotatedAtFractions = 1u << 2, // turned tile objects at fractional places
    NegativeChunks = 1u << 3,     // infinite maps with chunks left of or above cell (0, 0)
    TileSetMargins = 1u << 4,     // a margin around a tile set's picture
    EmbeddedPictures = 1u << 5,   // pictures held in the TMX or TSX as base64 PNG
    ShortTileCounts = 1u << 6,    // a declared tile count below what the picture holds
    Tints = 1u << 7,              // layer tint colours
    DiagonalFlips = 1u << 8,      // tiles flipped across their diagonal
    ScaledObjects = 1u << 9,      // tile objects of another size than their tile
    FreeRotations = 1u << 10,     // tile objects turned other than by quarters
    InfiniteMaps = 1u << 11,      // maps of chunks
    ImageLayers = 1u << 12,       // image layers
    TileObjects = 1u << 13,       // object groups
    LayerOffsets = 1u << 14,      // layer offsets at all
    QuarterTurns = 1u << 15,      // tile objects turned by quarters
    FlippedObjects = 1u << 16,    // tile objects flipped
    OddStaggeredCells = 1u << 17, // staggered and hexagonal cells and sides of odd sizes
    CollectionAnimations = 1u << 18, // animations in tile sets of single pictures
    TintAlphas = 1u << 19,           // tint colours with an alpha of their own
    HexagonalDiagonalFlips = 1u << 20, // the diagonal flip bit on hexagonal maps
    HalfPixelTurns = 1u << 21,         // flipped and turned tile objects with edges on half pixels
    ClearPalettes = 1u << 22,          // pictures as PNG palettes with a clear entry, some of them all opaque
};

struct GeneratedMap {
    std::filesystem::path tmx;
    std::vector<int> timesMs; // the animation times to draw it at (0 first)
};

GeneratedMap generateMap(uint32_t seed, const std::filesystem::path& folder, uint32_t leaveOut = 0);

} // namespace scenetest
