// The frame-sequence converter's engine side: it runs the frame tile
// analysis, then builds the atlas, tile set, tile layer and tile animations
// in the scene, logs its report and bench, and words the summary.
#include "import/scene/FrameSequenceLayer.h"
#include "import/scene/FrameImportResult.h"
#include "import/scene/ImportProgress.h"

#include <Zelkoran/FrameTiles.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Log.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tile.h>
#include <Zelkoran/Tool.h>

#include <SDL_surface.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

using namespace Zelkoran;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return double(std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count()) / 1000.0;
}

std::string fixed2(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// What the report and the summary say, gathered once.
struct ConversionFacts {
    std::string kind;
    int sourceWidth = 0, sourceHeight = 0, width = 0, height = 0;
    bool padded = false;
    std::string padWord;
    FrameTileSettings settings;
    const FrameTileAnalysis* analysis = nullptr;
    int frames = 0;
    double totalMs = 0, atlasMs = 0, layerMs = 0;

    const char* modeLabel() const { return settings.averageMode ? "Average color error" : "Pixel deviation"; }
    const char* dedupeLabel() const
    {
        return analysis->counters.parallelSearches > 0 ? "OpenMP two-phase optimized prefilter"
                                                       : "OpenMP two-phase, standard search fallback";
    }
    double percentOfRaw(int64_t n) const
    {
        return analysis->rawTiles() > 0 ? double(n) * 100.0 / double(analysis->rawTiles()) : 0.0;
    }
    const char* atlasVerdict() const
    {
        const double final = percentOfRaw(analysis->finalTiles());
        if (final >= 90.0)
            return "Atlas reuse: low. The final atlas is close to the raw tile count.";
        if (final >= 70.0)
            return "Atlas reuse: moderate. The final atlas is still large compared with the raw tile count.";
        return "Atlas reuse: good for the sampled frames.";
    }
    const char* coverageVerdict() const
    {
        if (analysis->animatedCells >= analysis->cells())
            return "Animation coverage: every map cell became animated. This is valid, but it can be heavier than "
                   "expected for maps where only local regions should move.";
        if (analysis->animatedCells * 100 / analysis->cells() >= 70)
            return "Animation coverage: most map cells became animated.";
        return "Animation coverage: only part of the map became animated.";
    }
};

void logReport(const ConversionFacts& f)
{
    Log* log = Main::instance()->logMgr()->get(0);
    if (!log)
        return;
    const FrameTileAnalysis& a = *f.analysis;
    const char* kind = f.kind.c_str();
    log->msg(4, "[Skarden] Imported %s layer:\n", kind);
    log->msg(4, "  Source resolution: %dx%d\n", f.sourceWidth, f.sourceHeight);
    if (f.padded) {
        log->msg(4, "  Padded resolution: %dx%d\n", f.width, f.height);
        log->msg(4, "  Padding: right %d px, bottom %d px, %s\n", f.width - f.sourceWidth, f.height - f.sourceHeight,
                 f.padWord.c_str());
    }
    log->msg(4, "  Tile size: %dx%d\n", f.settings.tileWidth, f.settings.tileHeight);
    log->msg(4, "  Match: %.2f%%\n", double(f.settings.match));
    log->msg(4, "  Match mode: %s\n", f.modeLabel());
    log->msg(4, "  Deduplicate mode: %s\n", f.dedupeLabel());
    if (f.settings.averageMode)
        log->msg(4, "  Average color error: %d\n", f.settings.averageError);
    else
        log->msg(4, "  Max different pixels: %d\n", f.settings.maxDifferentPixels);
    log->msg(4, "  Frames: %d\n", f.frames);
    log->msg(4, "  Raw tiles: %lld\n", static_cast<long long>(a.rawTiles()));
    log->msg(4, "  Unique tiles: %lld (%.2f%% of raw)\n", static_cast<long long>(a.unique.size()),
             f.percentOfRaw(int64_t(a.unique.size())));
    log->msg(4, "  Animated cells: %lld\n", static_cast<long long>(a.animatedCells));
    log->msg(4, "  Animated tile owners: %lld\n", static_cast<long long>(a.owners.size()));
    const double final = f.percentOfRaw(a.finalTiles());
    log->msg(4, "  Final atlas tiles: %lld (%.2f%% of raw, saved %.2f%%)\n", static_cast<long long>(a.finalTiles()),
             final, 100.0 - final);
    log->msg(4, "  %s\n", f.atlasVerdict());
    log->msg(4, "  %s\n", f.coverageVerdict());
    log->msg(4, "[Skarden] %s to map bench:\n", kind);
    log->msg(4, "  Total: %.3fms\n", f.totalMs);
    log->msg(4, "  Analyze tiles: %.3fms\n", a.prepareMs + a.dedupeMs);
    log->msg(4, "    Prepare candidates: %.3fms\n", a.prepareMs);
    log->msg(4, "    Deduplicate tiles: %.3fms\n", a.dedupeMs);
    log->msg(4, "      Prefilter rejected: %lld\n", static_cast<long long>(a.counters.prefilterRejected));
    log->msg(4, "      Full tile compares: %lld\n", static_cast<long long>(a.counters.fullCompares));
    log->msg(4, "      OpenMP searches: %lld\n", static_cast<long long>(a.counters.parallelSearches));
    log->msg(4, "    Build animations: %.3fms\n", a.animationsMs);
    log->msg(4, "  Build atlas: %.3fms\n", f.atlasMs);
    log->msg(4, "  Create Scene layer: %.3fms\n", f.layerMs);
}

std::string summary(const ConversionFacts& f)
{
    const FrameTileAnalysis& a = *f.analysis;
    const auto str = [](int64_t v) { return std::to_string(v); };
    std::string s = f.kind + " was converted to an animated tile layer.\n\n";
    s += "Source resolution: " + str(f.sourceWidth) + "x" + str(f.sourceHeight) + "\n";
    if (f.padded) {
        s += "Padded resolution: " + str(f.width) + "x" + str(f.height) + "\n";
        s += "Padding: right " + str(f.width - f.sourceWidth) + " px, bottom " + str(f.height - f.sourceHeight) +
             " px, " + f.padWord + "\n";
    }
    s += "Tile size: " + str(f.settings.tileWidth) + "x" + str(f.settings.tileHeight);
    s += "\nMatch: " + fixed2(f.settings.match) + "%\nMatch mode: " + f.modeLabel();
    s += std::string("\nDeduplicate mode: ") + f.dedupeLabel() + "\n";
    s += f.settings.averageMode ? "Average color error: " + str(f.settings.averageError) + "\n"
                                : "Max different pixels: " + str(f.settings.maxDifferentPixels) + "\n";
    s += "Map cells: " + str(a.cols) + "x" + str(a.rows) + " (" + str(a.cells()) + ")\nFrames: " + str(f.frames);
    s += "\nRaw tiles without deduplication: " + str(a.rawTiles());
    s += "\nUnique tiles found: " + str(int64_t(a.unique.size())) + " (" +
         fixed2(f.percentOfRaw(int64_t(a.unique.size()))) + "%)";
    s += "\nStatic cells: " + str(a.cells() - a.animatedCells) + "\nAnimated cells: " + str(a.animatedCells);
    s += "\nAnimated owner tiles: " + str(int64_t(a.owners.size()));
    const double final = f.percentOfRaw(a.finalTiles());
    s += "\nFinal atlas tiles: " + str(a.finalTiles()) + " (" + fixed2(final) + "%, saved " + fixed2(100.0 - final) +
         "%)\n\n";
    s += std::string(f.atlasVerdict()) + "\n" + f.coverageVerdict();
    return s;
}

// Tile set and layer of the atlas (taken over); the layer's slot, or a code
// with nothing left behind.
int createLayer(Scene* scene, const SceneLayerImportOptions& options, const std::string& resourceName,
                const std::string& layerName, SDL_Surface* atlas, const FrameTileAnalysis& a, int& firstGid)
{
    const int tileW = options.tileWidth, tileH = options.tileHeight;
    ImageMgr* images = Main::instance()->imageMgr();
    const int imageId = images->create(resourceName.c_str(), 10);
    if (imageId < 1) {
        SDL_FreeSurface(atlas);
        return imageId;
    }
    Image* image = images->get(imageId);
    if (!image || image->assignSurface(atlas, 1) < 0) {
        SDL_FreeSurface(atlas);
        images->close(imageId);
        return IR_IMAGE_ACCESS;
    }
    TileMgr* tiles = Main::instance()->tileMgr();
    const int tileId = tiles->create(resourceName.c_str(), 10);
    if (tileId < 1) {
        images->close(imageId);
        return tileId;
    }
    Tile* tile = tiles->get(tileId);
    if (!tile || tile->assignImage(imageId, 1) != 0) {
        tiles->close(tileId);
        images->close(imageId);
        return tile ? IR_TILE_IMAGE : IR_TILE_ACCESS;
    }
    tile->setOffset(1, tileW, tileH);
    firstGid = scene->createTileSet(tileId, -1);
    if (firstGid < 1) {
        tiles->close(tileId);
        return firstGid == 0 ? IR_NO_TILE_SET : firstGid;
    }
    const int slot = scene->createLayer(layerName.c_str(), SLT_TILE, options.targetLayer, a.cols, a.rows);
    if (slot < 1) {
        scene->closeTileSet(firstGid);
        return slot;
    }
    SceneLayerTile* grid = scene->accessLayerTile(slot);
    if (!grid) {
        scene->closeLayer(slot);
        scene->closeTileSet(firstGid);
        return IR_LAYER_ACCESS;
    }
    // A scene with other layers keeps its grid: tiles of another size are refused.
    if (!grid->setCellWidth(tileW) || !grid->setCellHeight(tileH)) {
        scene->closeLayer(slot);
        scene->closeTileSet(firstGid);
        return IR_BAD_TILE_SIZE;
    }
    for (int row = 0; row < a.rows; ++row) {
        uint32_t* cells = grid->getRow(row);
        for (int col = 0; col < a.cols; ++col) {
            const uint32_t id = a.cellIds[size_t(row) * size_t(a.cols) + size_t(col)];
            cells[col] = id == 0 ? 0 : id + uint32_t(firstGid) - 1;
        }
    }
    scene->setLayerFeatures(slot, SLF_SHOWN, true);
    scene->setLayerName(slot, layerName.c_str());
    return slot;
}

// Animations of every owner; 0 or the first failing code.
int setAnimations(Scene* scene, const SceneLayerImportOptions& options, const FrameTileAnalysis& a, int firstGid,
                  const std::vector<int>* frameDurations)
{
    const int frames = std::max(a.frames, 1);
    Vector<uint32_t> durations(static_cast<size_t>(frames));
    const bool given = frameDurations && int(frameDurations->size()) == a.frames;
    for (int j = 0; j < frames; ++j)
        durations[size_t(j)] =
            uint32_t(std::max(given ? (*frameDurations)[size_t(j)] : std::max(options.durationMs, 1) / frames, 1));
    const uint32_t base = uint32_t(firstGid) - 1;
    // A frame in which the cell is empty shows the clear tile.
    const uint32_t clear = uint32_t(a.clearTileId());
    Vector<uint32_t> ids(static_cast<size_t>(frames));
    for (const FrameAnimationOwner& owner : a.owners) {
        for (int j = 0; j < frames; ++j) {
            const uint32_t id = owner.sequence[size_t(j)];
            ids[size_t(j)] = (id ? id : clear) + base;
        }
        if (int rc = scene->setTileAnimation(uint32_t(owner.tileId) + base, ids, durations); rc != 0)
            return rc;
    }
    return 0;
}

} // namespace

int importFramesAsTileLayer(Scene* scene, const SceneLayerImportOptions& options, std::vector<SDL_Surface*>& frames,
                            int sourceWidth, int sourceHeight, bool padded, const char* kind,
                            const std::vector<int>* frameDurations, ImportProgress* progress, String* message)
{
    if (message)
        message->clear();
    if (!scene)
        return IR_NO_SCENE;
    if (frames.empty())
        return IR_NO_FRAMES;
    if (options.tileWidth < 1 || options.tileHeight < 1)
        return IR_BAD_TILE_SIZE;
    ConversionFacts facts;
    facts.kind = kind && *kind ? kind : "Video";
    const Clock::time_point total = Clock::now();
    const int w = frames[0] ? frames[0]->w : 0, h = frames[0] ? frames[0]->h : 0;
    for (SDL_Surface* f : frames)
        if (!f || f->w != w || f->h != h || f->format->format != SDL_PIXELFORMAT_ARGB8888) {
            destroyFrames(frames);
            return IR_FRAME_SIZES_DIFFER;
        }
    if (w % options.tileWidth || h % options.tileHeight) {
        destroyFrames(frames);
        return IR_NOT_WHOLE_TILES;
    }
    if (w / options.tileWidth < 1 || h / options.tileHeight < 1) {
        destroyFrames(frames);
        return IR_NO_CELLS;
    }
    facts.settings = FrameTileSettings::make(options.tileWidth, options.tileHeight, options.matchPercent,
                                             options.matchMode);
    FrameTileAnalysis analysis;
    if (int rc = analyzeFrameTiles(frames, facts.settings, analysis, importStage(progress, "Analysing tiles"));
        rc != 0) {
        destroyFrames(frames);
        return rc == RC_CANCELLED ? IR_CANCELLED : rc;
    }
    facts.analysis = &analysis;
    const int frameCount = int(frames.size());
    if (!stepImport(progress, frameCount + 1)) {
        destroyFrames(frames);
        return IR_CANCELLED;
    }
    if (analysis.finalTiles() < 1) {
        destroyFrames(frames);
        return IR_ALL_TRANSPARENT;
    }
    const Clock::time_point atlasStart = Clock::now();
    SDL_Surface* atlas = nullptr;
    const int built =
        buildFrameTileAtlas(frames, analysis, facts.settings, atlas, importStage(progress, "Building atlas"));
    facts.atlasMs = msSince(atlasStart);
    if (built != 0) {
        destroyFrames(frames);
        return built == RC_CANCELLED ? IR_CANCELLED : IR_ATLAS;
    }
    if (!stepImport(progress, frameCount + 2)) {
        releaseFrameTileAtlas(atlas);
        destroyFrames(frames);
        return IR_CANCELLED;
    }
    destroyFrames(frames);

    const Clock::time_point layerStart = Clock::now();
    const std::string layerName = !options.layerName.empty() ? std::string(options.layerName) : facts.kind + "Layer";
    std::string sceneName = Main::instance()->tool()->fileGetName(scene->getName()).c_str();
    // Long file names make long layer names: the tile set's name is cut to
    // what the tile manager takes.
    const std::string fullName = (sceneName.empty() ? std::string("Scene") : sceneName) + "_" + layerName;
    const std::string resourceName(fullName, 0, Main::instance()->tool()->utf8Prefix(fullName, TileMgr::kMaxName));
    int firstGid = 0;
    const int slot = createLayer(scene, options, resourceName, layerName, atlas, analysis, firstGid);
    if (slot < 1)
        return slot;
    // A failed animation would leave cells pointing at still images only.
    const int animated = setAnimations(scene, options, analysis, firstGid, frameDurations);
    if (animated != 0 || !stepImport(progress, frameCount + 3)) {
        scene->closeLayer(slot);
        scene->closeTileSet(firstGid);
        return animated != 0 ? animated : IR_CANCELLED;
    }
    facts.layerMs = msSince(layerStart);
    facts.frames = frameCount;
    facts.sourceWidth = sourceWidth, facts.sourceHeight = sourceHeight;
    facts.width = w, facts.height = h;
    facts.padded = padded;
    facts.padWord = options.padTransparent ? "transparent" : options.padColor == 0xFFFFFF ? "white" : "black";
    facts.totalMs = msSince(total);
    logReport(facts);
    if (message)
        *message = summary(facts).c_str();
    return 0;
}

void destroyFrames(std::vector<SDL_Surface*>& frames)
{
    for (SDL_Surface* f : frames)
        SDL_FreeSurface(f);
    frames.clear();
}
