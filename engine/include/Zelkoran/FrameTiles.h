// Frame tiles: cuts equally sized ARGB8888 frames into one grid of tiles,
// de-duplicates the tile images of every frame and cell (exactly or within a
// tolerance), and tells per cell whether it shows one tile or a sequence
// that changes over the frames. The first unique tile found gets id 1; when
// several earlier tiles match a new one, the lowest id wins, whatever the
// number of threads. Used by the scene layer imports and by the editor's
// conversion of GIFs and videos into animated tile layers.
//
// Threads: callable from any one thread; the analysis runs teams of up to
// OpenMP's default size inside (whose idle threads sleep), one thread
// inside an OpenMP team.
#pragma once

#include <SDL_surface.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace Zelkoran {

// Raw tiles (frames x cells) above this are refused: the per-cell sequences
// alone take 4 bytes per raw tile.
inline constexpr int64_t kMaxFrameTiles = int64_t(1) << 26;

// Atlases wider or taller than this are refused: image blocks and
// textures hold no larger side.
inline constexpr int64_t kMaxFrameTileAtlasSide = 16384;

// Per-tile statistics that let most tolerant comparisons end without
// reading pixels. Every unique tile keeps one, so they are packed: the
// sub-block figures are 16 bits, shifted right by the settings' countShift
// and sumShift where they could exceed that (sub-blocks over 257 pixels).
struct FrameTileCandidate {
    uint32_t opaqueCount = 0;
    uint8_t avgR = 0, avgG = 0, avgB = 0; // means of the opaque pixels (alpha != 0)
    uint16_t blockCount[16] = {};         // opaque pixels per 4 x 4 sub-block
    uint16_t blockSumR[16] = {}, blockSumG[16] = {}, blockSumB[16] = {};

    bool transparent() const { return opaqueCount == 0; }
};

// How tiles are compared, derived from a tile size, a match percentage and
// a mode (0 pixel deviation, any other value average colour error).
struct FrameTileSettings {
    int tileWidth = 0, tileHeight = 0;
    float match = 100.0f; // clamped into 1..100
    bool averageMode = true;
    int averageError = 0;       // (100 - match) x 3: allowed colour error per pixel
    int maxDifferentPixels = 0; // (1 - match / 100) x area
    int step = 1;               // width of a colour bucket: averageError + 1
    int qMax = 255;             // highest bucket index of a channel
    int countShift = 0, sumShift = 0; // right shifts that fit sub-block figures into 16 bits

    static FrameTileSettings make(int tileWidth, int tileHeight, float matchPercent, int matchMode);
    int64_t area() const { return int64_t(tileWidth) * tileHeight; }
    // Tiles match only when identical (in average mode: colours under alpha
    // 0 ignored), so a hash finds the one match.
    bool exact() const { return averageMode ? averageError == 0 : maxDifferentPixels == 0; }
};

struct FrameTileCounters {
    int64_t prefilterRejected = 0;
    int64_t fullCompares = 0;
    int64_t parallelSearches = 0;
};

// Where a unique tile's pixels are: its frame and top-left pixel.
struct FrameTileSource {
    int32_t frame = 0, x = 0, y = 0;
};

// One distinct changing cell sequence and the animated tile that plays it.
struct FrameAnimationOwner {
    int32_t tileId = 0;             // unique tiles + owners before it + 1
    std::vector<uint32_t> sequence; // tile id per frame, 0 = empty
};

struct FrameTileAnalysis {
    int cols = 0, rows = 0, frames = 0;
    std::vector<FrameTileSource> unique; // tile id = position + 1
    std::vector<uint32_t> cellIds;       // per cell: 0, a unique tile id or an owner's tileId
    std::vector<FrameAnimationOwner> owners;
    int64_t animatedCells = 0;
    FrameTileCounters counters;
    double prepareMs = 0.0, dedupeMs = 0.0, animationsMs = 0.0;

    int64_t cells() const { return int64_t(cols) * rows; }
    int64_t rawTiles() const { return cells() * frames; }
    int64_t finalTiles() const { return int64_t(unique.size()) + int64_t(owners.size()); }
    // The tile an animation shows while its cell is empty: a clear one after
    // the final tiles, or 0 when every animation shows a tile in every frame.
    int64_t clearTileId() const
    {
        for (const FrameAnimationOwner& owner : owners)
            if (std::find(owner.sequence.begin(), owner.sequence.end(), 0u) != owner.sequence.end())
                return finalTiles() + 1;
        return 0;
    }
};

// The cheap prefilter: true when a and b may match. In average mode it
// compares opaque counts, average colours and sub-block sums against the
// allowed error; in pixel mode it checks transparency only.
bool canFrameTileCandidatesMatch(const FrameTileCandidate& a, const FrameTileCandidate& b,
                                 const FrameTileSettings& settings);

// The tolerant full comparison of two width x height tiles of ARGB8888
// surfaces: alpha bytes equal, and the summed colour error of the opaque
// pixels at most tolerance x width x height. True below 1 x 1.
bool compareFrameTilesAverageColor(SDL_Surface* a, int ax, int ay, SDL_Surface* b, int bx, int by, int width,
                                   int height, int tolerance);

// Told, on the calling thread, the share done (0..1) of a long analysis or
// atlas build: at its start and then at least every 4096 tiles (tolerant
// matching: every tile) or atlas band of about 16 million pixels. Returning
// false stops the work with RC_CANCELLED.
using FrameTileProgress = std::function<bool(double done)>;

// Analyses frames (ARGB8888, all of the first one's size, a whole number of
// tiles). Returns 0, or RC_ERR_INVALID (no frame, sizes differ, not whole
// tiles, no cell), RC_ERR_TOO_LARGE (more than kMaxFrameTiles raw tiles),
// RC_ERR_NO_MEMORY, RC_CANCELLED (out then holds no tiles).
int analyzeFrameTiles(const std::vector<SDL_Surface*>& frames, const FrameTileSettings& settings,
                      FrameTileAnalysis& out, const FrameTileProgress& progress = {});

// Atlas grid for count tiles: ceil(sqrt(count)) columns, rows to fit.
void frameTileAtlasGrid(int64_t count, int& columns, int& rows);

// The atlas of an analysis: unique tiles in slots 0..U-1, then each owner's
// still image (its first non-empty tile), then the clear tile when there is
// one; tile id t in slot t - 1, row by row. Copies pixels as they are (no blending). Returns 0 and a new surface
// the caller owns, or RC_ERR_TOO_LARGE (a side over kMaxFrameTileAtlasSide),
// RC_ERR_NO_MEMORY (no surface), RC_ERR_INVALID (a tile source outside the
// frames), RC_CANCELLED; no surface is returned on failure.
int buildFrameTileAtlas(const std::vector<SDL_Surface*>& frames, const FrameTileAnalysis& analysis,
                        const FrameTileSettings& settings, SDL_Surface*& atlas,
                        const FrameTileProgress& progress = {});

// Frees an atlas no longer wanted; the next buildFrameTileAtlas may take
// its pixels (one atlas's at most are kept), which spares the system
// clearing fresh pages for it. Any surface may be given; null is ignored.
void releaseFrameTileAtlas(SDL_Surface* atlas);

} // namespace Zelkoran
