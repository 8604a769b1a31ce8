// Frame tile analysis: tolerances, which earlier tile a new one reuses,
// animated cells and their owners, atlas layout, and results that do not
// depend on the thread count or on the hashed exact path.
#include <Zelkoran/FrameTiles.h>
#include <Zelkoran/Result.h>

#include <SDL.h>
#include <gtest/gtest.h>
#include <omp.h>
#include <xxhash.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <random>
#include <time.h>
#include <vector>

using namespace Zelkoran;

namespace {

// Frames that free themselves.
struct Frames {
    std::vector<SDL_Surface*> list;
    Frames(int count, int w, int h, const std::function<uint32_t(int, int, int)>& pixel)
    {
        for (int f = 0; f < count; ++f) {
            SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x] = pixel(f, x, y);
            list.push_back(s);
        }
    }
    ~Frames()
    {
        for (SDL_Surface* s : list)
            SDL_FreeSurface(s);
    }
};

FrameTileAnalysis analyze(const Frames& frames, int tile, float match, int mode)
{
    FrameTileAnalysis a;
    EXPECT_EQ(analyzeFrameTiles(frames.list, FrameTileSettings::make(tile, tile, match, mode), a), 0);
    return a;
}

// Opaque noise from a seed (one splitmix64 step).
uint32_t noise(uint32_t seed)
{
    uint64_t z = uint64_t(seed) * 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return 0xFF000000u | uint32_t((z ^ (z >> 31)) & 0xFFFFFFu);
}

TEST(FrameTiles, SettingsFromMatch)
{
    struct Case {
        float match;
        int mode, tile;
        float clamped;
        int averageError, maxDifferent, step, qMax;
    };
    const Case cases[] = {
        {100.0f, 1, 16, 100.0f, 0, 0, 1, 255},
        {90.0f, 0, 16, 90.0f, 30, 25, 31, 8},
        {0.5f, 1, 8, 1.0f, 297, 63, 298, 0},
        {150.0f, 0, 8, 100.0f, 0, 0, 1, 255},
    };
    for (const Case& c : cases) {
        const FrameTileSettings s = FrameTileSettings::make(c.tile, c.tile, c.match, c.mode);
        EXPECT_EQ(s.match, c.clamped) << c.match;
        EXPECT_EQ(s.averageError, c.averageError) << c.match;
        EXPECT_EQ(s.maxDifferentPixels, c.maxDifferent) << c.match;
        EXPECT_EQ(s.step, c.step) << c.match;
        EXPECT_EQ(s.qMax, c.qMax) << c.match;
    }
}

// Two frames of one 16 x 16 cell: the second differs from the first as
// described; the number of unique tiles tells whether they merged.
TEST(FrameTiles, WhatMergesWithinTheTolerance)
{
    struct Case {
        const char* what;
        float match;
        int mode;
        std::function<uint32_t(int, int, int)> pixel;
        size_t unique;
        int tile = 16;
    };
    const auto grey = [](int v) { return 0xFF000000u | uint32_t(v) << 16 | uint32_t(v) << 8 | uint32_t(v); };
    const auto changed = [](int count) {
        return [count](int f, int x, int y) { return f == 1 && y * 16 + x < count ? 0xFF00FF00u : 0xFF808080u; };
    };
    const std::vector<Case> cases = {
        {"25 of 256 pixels differ at 90 %", 90.0f, 0, changed(25), 1},
        {"26 of 256 pixels differ at 90 %", 90.0f, 0, changed(26), 2},
        {"one pixel differs at 100 %", 100.0f, 0, changed(1), 2},
        {"colour under alpha 0 differs, average 100 %", 100.0f, 1,
         [](int f, int x, int) { return x == 0 ? (f ? 0x00123456u : 0x00654321u) : 0xFF808080u; }, 1},
        {"colour under alpha 0 differs, pixel 100 %", 100.0f, 0,
         [](int f, int x, int) { return x == 0 ? (f ? 0x00123456u : 0x00654321u) : 0xFF808080u; }, 2},
        {"alpha differs, average 100 %", 100.0f, 1,
         [](int f, int x, int) { return x == 0 && f ? 0x80808080u : 0xFF808080u; }, 2},
        // 90 %: average error 30, buckets 31 wide; 30 and 40 sit in
        // neighbouring buckets and differ by 30 per pixel.
        {"neighbouring colour bucket within error", 90.0f, 1, [&](int f, int, int) { return grey(f ? 40 : 30); }, 1},
        {"colour error past the limit", 90.0f, 1, [&](int f, int, int) { return grey(f ? 41 : 30); }, 2},
        // 18 x 18 pixel sub-blocks: bright colour sums only fit 16 bits halved.
        {"bright, large tile, within error", 90.0f, 1, [&](int f, int, int) { return grey(f ? 210 : 200); }, 1, 72},
        {"bright, large tile, past the limit", 90.0f, 1, [&](int f, int, int) { return grey(f ? 211 : 200); }, 2, 72},
    };
    for (const Case& c : cases) {
        const Frames frames(2, c.tile, c.tile, c.pixel);
        EXPECT_EQ(analyze(frames, c.tile, c.match, c.mode).unique.size(), c.unique) << c.what;
    }
}

// A and B are far apart, C is near both: C takes the lower id, also when
// the search is long enough to be shared between threads.
TEST(FrameTiles, LowestMatchingIdWins)
{
    // 8 x 8 tiles at 90 %: up to 6 pixels may differ. A and B each differ
    // from the base in 5 pixels, from each other in 10.
    const auto near = [](int which, int x, int y) {
        const int i = y * 8 + x;
        if (which == 1 && i < 5)
            return 0xFF00FF00u;
        if (which == 2 && i >= 5 && i < 10)
            return 0xFF0000FFu;
        return 0xFF808080u;
    };
    // The last two place the matches either side of where a two-thread
    // search splits, so both threads find one and the merge decides.
    for (const auto& [cells, aCell, bCell] : {std::array{8, 5, 5}, {4500, 5, 4497}, {4500, 2249, 2250}}) {
        const Frames frames(2, 8 * cells, 8, [&](int f, int x, int y) -> uint32_t {
            const int cell = x / 8;
            if (f == 1)
                return cell == 0 ? near(0, x % 8, y) : 0;
            if (cell == aCell || cell == bCell)
                return near(cell == aCell ? 1 : 2, x % 8, y);
            // The base's first row and more: every cell shares a whole
            // group of pixels with it, so the search reads them all.
            return y * 8 + x % 8 < 9 ? near(0, x % 8, y) : noise(uint32_t(cell * 64 + y * 8 + x % 8));
        });
        for (int threads : {1, 2, 8}) {
            omp_set_num_threads(threads);
            const FrameTileAnalysis a = analyze(frames, 8, 90.0f, 0);
            ASSERT_EQ(a.unique.size(), size_t(cells)) << cells;
            ASSERT_EQ(a.owners.size(), size_t(cells)) << "every cell changes";
            EXPECT_EQ(a.owners[0].sequence, (std::vector<uint32_t>{1, uint32_t(aCell) + 1})) << cells << " " << aCell << " " << threads;
            EXPECT_EQ(a.counters.parallelSearches > 0, cells > 255) << cells;
        }
    }
    omp_set_num_threads(omp_get_num_procs());
}

TEST(FrameTiles, AnimatedCellsAndOwners)
{
    const uint32_t red = 0xFFFF0000u, blue = 0xFF0000FFu;
    // Cells: 0 always red; 1 and 2 red then blue then red; 3 empty, then
    // blue; 4 never drawn.
    const Frames frames(3, 80, 16, [&](int f, int x, int) -> uint32_t {
        switch (x / 16) {
        case 0: return red;
        case 1:
        case 2: return f == 1 ? blue : red;
        case 3: return f == 0 ? 0u : blue;
        default: return 0u;
        }
    });
    const FrameTileAnalysis a = analyze(frames, 16, 100.0f, 1);
    ASSERT_EQ(a.unique.size(), 2u);
    EXPECT_EQ(a.cellIds, (std::vector<uint32_t>{1, 3, 3, 4, 0}));
    ASSERT_EQ(a.owners.size(), 2u);
    EXPECT_EQ(a.owners[0].sequence, (std::vector<uint32_t>{1, 2, 1}));
    EXPECT_EQ(a.owners[1].sequence, (std::vector<uint32_t>{0, 2, 2}));
    EXPECT_EQ(a.animatedCells, 3);
    EXPECT_EQ(a.finalTiles(), 4);
    EXPECT_EQ(a.clearTileId(), 5) << "cell 3 is empty in frame 0";

    SDL_Surface* atlas = nullptr;
    ASSERT_EQ(buildFrameTileAtlas(frames.list, a, FrameTileSettings::make(16, 16, 100.0f, 1), atlas), 0);
    ASSERT_EQ(atlas->w, 48);
    ASSERT_EQ(atlas->h, 32);
    const auto at = [&](int slot) {
        return static_cast<uint32_t*>(atlas->pixels)[(slot / 3) * 16 * atlas->pitch / 4 + (slot % 3) * 16];
    };
    // Owners show their first non-empty tile; the clear tile follows them.
    EXPECT_EQ(std::vector<uint32_t>({at(0), at(1), at(2), at(3), at(4)}),
              std::vector<uint32_t>({red, blue, red, blue, 0u}));
    SDL_FreeSurface(atlas);

    const Frames still(1, 32, 16, [](int, int x, int) { return x < 16 ? 0xFF00FF00u : 0u; });
    EXPECT_TRUE(analyze(still, 16, 100.0f, 1).owners.empty());
    EXPECT_EQ(analyze(still, 16, 100.0f, 1).clearTileId(), 0);
    const Frames empty(2, 32, 16, [](int, int, int) { return 0u; });
    EXPECT_EQ(analyze(empty, 16, 100.0f, 1).finalTiles(), 0);
}

TEST(FrameTiles, AtlasGridAndSemiTransparentPixels)
{
    const std::pair<int, std::pair<int, int>> grids[] = {{1, {1, 1}}, {2, {2, 1}}, {3, {2, 2}}, {5, {3, 2}},
                                                         {16, {4, 4}}, {17, {5, 4}}};
    for (const auto& [count, grid] : grids) {
        int cols = 0, rows = 0;
        frameTileAtlasGrid(count, cols, rows);
        EXPECT_EQ(std::make_pair(cols, rows), grid) << count;
    }
    // Copied as they are, not blended onto the transparent atlas.
    const Frames frames(1, 8, 8, [](int, int, int) { return 0x80402010u; });
    SDL_SetSurfaceBlendMode(frames.list[0], SDL_BLENDMODE_BLEND);
    const FrameTileAnalysis a = analyze(frames, 8, 100.0f, 1);
    SDL_Surface* atlas = nullptr;
    ASSERT_EQ(buildFrameTileAtlas(frames.list, a, FrameTileSettings::make(8, 8, 100.0f, 1), atlas), 0);
    EXPECT_EQ(static_cast<uint32_t*>(atlas->pixels)[0], 0x80402010u);
    SDL_FreeSurface(atlas);
}

TEST(FrameTiles, EveryAtlasSlotHoldsItsTile)
{
    // Noise in 8 x 8 tiles: empty cells and cells that repeat one tile
    // break the runs of unique tiles along a frame's rows; the second frame
    // changes cells along a diagonal (new tiles side by side in the atlas but
    // not in the frame), the third every other cell, the fourth is the
    // first again, so changing cells get owners. Large enough for a team
    // of threads, each copying a few large pages of the atlas.
    const int tile = 8;
    const Frames frames(4, 2048, 1024, [&](int f, int x, int y) {
        const int cx = x / tile, cy = y / tile;
        const uint32_t cell = uint32_t(cy * 256 + cx), at = uint32_t(y % tile * tile + x % tile);
        if (cell % 7 == 3)
            return 0u;
        const uint32_t look = (f == 1 && cx == cy + 1) || (f == 2 && cell % 2 == 1) ? uint32_t(f) : 0u;
        return noise(cell % 5 == 0 ? at : (look * 65536 + cell) * 64 + at + 100);
    });
    const FrameTileSettings s = FrameTileSettings::make(tile, tile, 100.0f, 1);
    for (int threads : {1, 2, 8}) {
        omp_set_num_threads(threads);
        const FrameTileAnalysis a = analyze(frames, tile, 100.0f, 1);
        SDL_Surface* atlas = nullptr;
        ASSERT_EQ(buildFrameTileAtlas(frames.list, a, s, atlas), 0);
        const int columns = atlas->w / tile;
        ASSERT_GT(atlas->pitch * atlas->h, 3 << 21);
        for (int slot = 0; slot < columns * (atlas->h / tile); ++slot) {
            const FrameTileSource* src = nullptr;
            if (size_t(slot) < a.unique.size()) {
                src = &a.unique[size_t(slot)];
            } else if (slot < a.finalTiles()) {
                const std::vector<uint32_t>& seq = a.owners[size_t(slot) - a.unique.size()].sequence;
                src = &a.unique[*std::find_if(seq.begin(), seq.end(), [](uint32_t id) { return id; }) - 1];
            }
            for (int i = 0; i < tile * tile; ++i) {
                const int ax = slot % columns * tile + i % tile, ay = slot / columns * tile + i / tile;
                const uint32_t got = static_cast<uint32_t*>(atlas->pixels)[ay * atlas->pitch / 4 + ax];
                const SDL_Surface* f = src ? frames.list[size_t(src->frame)] : nullptr;
                const uint32_t want =
                    f ? static_cast<uint32_t*>(f->pixels)[(src->y + i / tile) * f->pitch / 4 + src->x + i % tile] : 0u;
                ASSERT_EQ(got, want) << "threads " << threads << " slot " << slot << " pixel " << i;
            }
        }
        // Handed back dirty: the next build takes these pixels and must
        // write every one of them, empty slots included.
        std::fill_n(static_cast<uint32_t*>(atlas->pixels), atlas->pitch / 4 * atlas->h, 0xDEADBEEFu);
        releaseFrameTileAtlas(atlas);
    }
    omp_set_num_threads(omp_get_num_procs());
}

TEST(FrameTiles, RefusesWhatItCannotCut)
{
    const Frames a(1, 32, 16, [](int, int, int) { return 0xFFFFFFFFu; });
    const Frames b(1, 16, 16, [](int, int, int) { return 0xFFFFFFFFu; });
    std::vector<SDL_Surface*> mixed = {a.list[0], b.list[0]};
    FrameTileAnalysis out;
    EXPECT_EQ(analyzeFrameTiles(mixed, FrameTileSettings::make(16, 16, 100, 1), out), RC_ERR_INVALID);
    EXPECT_EQ(analyzeFrameTiles(a.list, FrameTileSettings::make(12, 16, 100, 1), out), RC_ERR_INVALID);
    EXPECT_EQ(analyzeFrameTiles({}, FrameTileSettings::make(16, 16, 100, 1), out), RC_ERR_INVALID);
    // 1 x 1 tiles over 256 frames of 1080p would be 530 M raw tiles.
    SDL_Surface* big = SDL_CreateRGBSurfaceWithFormat(0, 1920, 1080, 32, SDL_PIXELFORMAT_ARGB8888);
    std::vector<SDL_Surface*> many(256, big);
    EXPECT_EQ(analyzeFrameTiles(many, FrameTileSettings::make(1, 1, 100, 1), out), RC_ERR_TOO_LARGE);
    SDL_FreeSurface(big);
    // 70000 unique 64 x 64 tiles need an atlas side of 17000 pixels.
    out.unique.resize(70000);
    SDL_Surface* atlas = nullptr;
    EXPECT_EQ(buildFrameTileAtlas(a.list, out, FrameTileSettings::make(64, 64, 100, 1), atlas), RC_ERR_TOO_LARGE);
    EXPECT_EQ(atlas, nullptr);
}

// A sprite moving over a noisy background, with jitter, so tolerant
// matching has near tiles to choose between; large enough that the
// preparation runs on a full team.
Frames movingSprite(uint32_t seed, int count)
{
    std::mt19937 rng(seed);
    std::vector<uint32_t> background(384 * 192);
    for (uint32_t& p : background)
        p = (rng() % 4 ? 0xFF000000u : 0u) | (rng() & 0x0F0F0Fu) * (1 + rng() % 3);
    return Frames(count, 384, 192, [&, seed](int f, int x, int y) {
        const bool sprite = x >= f * 7 && x < f * 7 + 20 && y >= 10 && y < 30;
        const uint32_t jitter = (uint32_t(x * 31 + y * 17 + f * 7) + seed) % 3;
        return sprite ? 0xFFC08040u + jitter : background[size_t(y * 384 + x)];
    });
}

uint64_t atlasHash(const Frames& frames, const FrameTileAnalysis& a, const FrameTileSettings& s)
{
    SDL_Surface* atlas = nullptr;
    EXPECT_EQ(buildFrameTileAtlas(frames.list, a, s, atlas), 0);
    if (!atlas)
        return 0;
    const uint64_t h = XXH3_64bits(atlas->pixels, size_t(atlas->pitch) * size_t(atlas->h));
    SDL_FreeSurface(atlas);
    return h;
}

TEST(FrameTiles, ProgressHookIsToldOftenAndStopsTheWork)
{
    // 4 frames of 64 x 64 noise in 8 x 8 tiles: 256 raw tiles.
    const Frames frames(4, 64, 64, [](int f, int x, int y) { return noise(uint32_t(f * 4096 + y * 64 + x)); });
    struct Case {
        const char* what;
        float match;
        bool atlas;
        int stopAt;      // the call that answers false, 0 for none
        int leastCalls;  // without a stop
    };
    const Case cases[] = {
        {"tolerant analysis: every tile", 95.0f, false, 0, 256},
        {"exact analysis: at its start", 100.0f, false, 0, 1},
        {"atlas: at its start", 95.0f, true, 0, 1},
        {"tolerant analysis stopped", 95.0f, false, 7, 0},
        {"exact analysis stopped", 100.0f, false, 1, 0},
        {"atlas stopped", 95.0f, true, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const FrameTileSettings s = FrameTileSettings::make(8, 8, c.match, 1);
        int calls = 0;
        double last = -1.0;
        const FrameTileProgress hook = [&](double done) {
            EXPECT_GE(done, last);
            EXPECT_LT(done, 1.0);
            last = done;
            return ++calls != c.stopAt;
        };
        FrameTileAnalysis a;
        SDL_Surface* atlas = nullptr;
        int rc = 0;
        if (c.atlas) {
            ASSERT_EQ(analyzeFrameTiles(frames.list, s, a), 0);
            rc = buildFrameTileAtlas(frames.list, a, s, atlas, hook);
        } else {
            rc = analyzeFrameTiles(frames.list, s, a, hook);
        }
        if (c.stopAt) {
            EXPECT_EQ(rc, RC_CANCELLED);
            EXPECT_EQ(calls, c.stopAt) << "nothing goes on after the stop";
            EXPECT_EQ(atlas, nullptr);
            if (!c.atlas) {
                EXPECT_TRUE(a.unique.empty());
                EXPECT_TRUE(a.cellIds.empty());
            }
        } else {
            EXPECT_EQ(rc, 0);
            EXPECT_GE(calls, c.leastCalls);
        }
        SDL_FreeSurface(atlas);
    }
}

TEST(FrameTiles, SameResultForEveryThreadCount)
{
    const Frames frames = movingSprite(7, 12);
    const std::tuple<float, int, int> settings[] = {{100.0f, 1, 8}, {95.0f, 1, 8}, {98.0f, 0, 8}, {90.0f, 0, 16}};
    for (const auto& [match, mode, tile] : settings) {
        const FrameTileSettings s = FrameTileSettings::make(tile, tile, match, mode);
        std::vector<uint32_t> firstIds;
        uint64_t firstAtlas = 0;
        for (int threads : {1, 2, 8}) {
            omp_set_num_threads(threads);
            FrameTileAnalysis a;
            ASSERT_EQ(analyzeFrameTiles(frames.list, s, a), 0);
            std::vector<uint32_t> ids = a.cellIds;
            for (const auto& o : a.owners)
                ids.insert(ids.end(), o.sequence.begin(), o.sequence.end());
            const uint64_t atlas = atlasHash(frames, a, s);
            if (threads == 1) {
                firstIds = ids, firstAtlas = atlas;
                continue;
            }
            EXPECT_EQ(ids, firstIds) << match << " " << mode << " threads " << threads;
            EXPECT_EQ(atlas, firstAtlas) << match << " " << mode << " threads " << threads;
        }
    }
    omp_set_num_threads(omp_get_num_procs());
}

// A tolerant walk on four threads costs little more CPU than on one: the
// threads that wait for it sleep. Every tile here matches the first within
// the error, so the walk is one long serial run of full comparisons.
TEST(FrameTiles, TolerantWalkLeavesWaitingThreadsAsleep)
{
    const Frames frames(16, 640, 368, [](int f, int x, int y) {
        const uint32_t jitter = noise(uint32_t((f * 368 + y) * 640 + x)) % 5;
        return 0xFF000000u | uint32_t(x % 16 * 12) << 16 | uint32_t(y % 16 * 12) << 8 | jitter;
    });
    const auto cpuMs = [&](int threads) {
        omp_set_num_threads(threads);
        timespec start{}, end{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
        EXPECT_EQ(analyze(frames, 16, 95.0f, 1).unique.size(), 1u);
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
        return double(end.tv_sec - start.tv_sec) * 1e3 + double(end.tv_nsec - start.tv_nsec) / 1e6;
    };
    const double one = cpuMs(1), four = cpuMs(4);
    EXPECT_LT(four, 3.0 * one + 20.0) << "one thread " << one << " ms";
    omp_set_num_threads(omp_get_num_procs());
}

// The per-frame ids (frame-major) rebuilt from the cells and owners.
std::vector<uint32_t> frameIds(const FrameTileAnalysis& a)
{
    const size_t unique = a.unique.size();
    std::vector<uint32_t> ids(size_t(a.rawTiles()));
    for (int64_t cell = 0; cell < a.cells(); ++cell) {
        const uint32_t id = a.cellIds[size_t(cell)];
        for (int f = 0; f < a.frames; ++f)
            ids[size_t(f * a.cells() + cell)] = id > unique ? a.owners[id - unique - 1].sequence[size_t(f)] : id;
    }
    return ids;
}

// The plain search, straight from the rules: every earlier unique tile in
// id order, first match wins. Pixel mode: at most maxDifferentPixels of the
// 32-bit pixels differ. Average mode: the tile sits in the candidate's
// colour bucket or a neighbouring one, passes the prefilter on full-width
// sums and the colour error limit.
std::vector<uint32_t> plainIds(const Frames& frames, const FrameTileSettings& s, size_t& uniqueCount)
{
    const int tile = s.tileWidth;
    const int64_t area = s.area(), limit = int64_t(s.averageError) * area;
    struct Tile {
        int f, x, y;
        int64_t count = 0, avg[3] = {}, blockCount[16] = {}, blockSum[3][16] = {};
    };
    const auto px = [&](const Tile& t, int i) {
        SDL_Surface* surface = frames.list[size_t(t.f)];
        return static_cast<uint32_t*>(surface->pixels)[(t.y + i / tile) * surface->pitch / 4 + t.x + i % tile];
    };
    const auto stats = [&](Tile& t) {
        int64_t sum[3] = {};
        for (int i = 0; i < tile * tile; ++i) {
            const uint32_t p = px(t, i);
            if ((p >> 24) == 0)
                continue;
            const int k = 4 * (i / tile) / tile * 4 + 4 * (i % tile) / tile;
            ++t.count, ++t.blockCount[k];
            for (int c = 0; c < 3; ++c)
                sum[c] += (p >> (16 - 8 * c)) & 0xFF, t.blockSum[c][k] += (p >> (16 - 8 * c)) & 0xFF;
        }
        for (int c = 0; c < 3 && t.count; ++c)
            t.avg[c] = sum[c] / t.count;
    };
    const auto averageMatch = [&](const Tile& u, const Tile& c) {
        const bool full = c.count == area;
        if ((u.count == area) != full || u.count != c.count)
            return false; // another bucket
        int64_t total = 0;
        for (int k = 0; k < 3; ++k) {
            if (full && std::abs(u.avg[k] / s.step - c.avg[k] / s.step) > 1)
                return false; // not a neighbouring bucket
            total += std::abs(u.avg[k] - c.avg[k]);
        }
        if (full && total > s.averageError)
            return false;
        total = 0;
        for (int k = 0; k < 16; ++k) {
            if (u.blockCount[k] != c.blockCount[k])
                return false;
            for (int ch = 0; ch < 3; ++ch)
                total += std::abs(u.blockSum[ch][k] - c.blockSum[ch][k]);
            if (total > limit)
                return false;
        }
        total = 0;
        for (int i = 0; i < tile * tile; ++i) {
            const uint32_t a = px(u, i), b = px(c, i);
            if ((a >> 24) != (b >> 24))
                return false;
            for (int ch = 0; ch < 3 && (a >> 24); ++ch)
                total += std::abs(int((a >> (8 * ch)) & 0xFF) - int((b >> (8 * ch)) & 0xFF));
        }
        return total <= limit;
    };
    const auto pixelMatch = [&](const Tile& u, const Tile& c) {
        int differ = 0;
        for (int i = 0; i < tile * tile; ++i)
            differ += px(u, i) != px(c, i);
        return differ <= s.maxDifferentPixels;
    };
    std::vector<Tile> unique;
    std::vector<uint32_t> ids;
    const int w = frames.list[0]->w, h = frames.list[0]->h;
    for (int f = 0; f < int(frames.list.size()); ++f)
        for (int y = 0; y < h; y += tile)
            for (int x = 0; x < w; x += tile) {
                Tile t{f, x, y};
                stats(t);
                uint32_t found = 0;
                for (size_t p = 0; t.count && p < unique.size() && !found; ++p)
                    found = (s.averageMode ? averageMatch(unique[p], t) : pixelMatch(unique[p], t)) ? uint32_t(p) + 1 : 0;
                if (t.count && !found) {
                    unique.push_back(t);
                    found = uint32_t(unique.size());
                }
                ids.push_back(found);
            }
    uniqueCount = unique.size();
    return ids;
}

// The hashed exact path, the bounded pixel-mode search and the merged
// colour buckets find what the plain search finds.
TEST(FrameTiles, FastPathsEqualThePlainSearch)
{
    struct Case {
        float match;
        int mode, tile;
    };
    const Case cases[] = {{100.0f, 0, 2}, {100.0f, 1, 2}, {90.0f, 0, 4}, {85.0f, 0, 4},
                          {75.0f, 0, 4},  {95.0f, 1, 4},  {90.0f, 1, 4}};
    for (uint32_t seed : {1u, 2u, 3u})
        for (const Case& c : cases) {
            // Pixel mode and exact: few distinct values, so many tiles repeat or
            // nearly repeat, some fully or partly transparent with varying
            // hidden colours. Average mode: tiles of one grey level each with
            // jitter, levels spread over several colour buckets, so a tile is
            // near several earlier ones; some with a transparent corner.
            std::mt19937 rng(seed);
            const Frames frames(6, 32, 32, [&](int f, int x, int y) {
                if (c.mode == 0 || c.tile == 2) {
                    const uint32_t v = rng() % (c.tile == 2 ? 3 : 9);
                    return v == 0 ? (rng() % 2) * 0x00FFFFFFu : 0xFF000000u | v * 0x101010u;
                }
                const uint32_t level = noise(seed * 7919 + uint32_t(f * 64 + y / c.tile * 8 + x / c.tile)) % 64;
                if (level % 5 == 0 && x % c.tile == 0 && y % c.tile == 0)
                    return (rng() % 2) * 0x00FFFFFFu;
                return 0xFF000000u | (40 + level + rng() % 3) * 0x010101u;
            });
            size_t unique = 0;
            const std::vector<uint32_t> expected =
                plainIds(frames, FrameTileSettings::make(c.tile, c.tile, c.match, c.mode), unique);
            const FrameTileAnalysis a = analyze(frames, c.tile, c.match, c.mode);
            ASSERT_EQ(a.unique.size(), unique) << seed << " " << c.match;
            EXPECT_EQ(frameIds(a), expected) << seed << " " << c.match;
        }
}

// Exact matching over more tiles than one prepared slice, repeats within
// and across slices, on several threads: each tile takes the id of its
// first copy in frame-major order, as a plain map of pixels finds it.
TEST(FrameTiles, ExactIdsAcrossSlicesAndThreads)
{
    // 2 x 2 tiles, 17 frames of 256 x 256: 278 528 tiles. A third are noise,
    // the rest drawn from three pixel values, one transparent with a hidden
    // colour that average mode ignores.
    const int tile = 2, side = 256;
    const Frames frames(17, side, side, [](int f, int x, int y) {
        const uint32_t cell = uint32_t(f * side * side / 4 + y / tile * side / tile + x / tile);
        if (noise(cell) % 3 == 0)
            return noise(cell * 4 + uint32_t(y % tile * tile + x % tile) + 1000003u);
        const uint32_t v = noise(cell * 4 + uint32_t(y % tile * tile + x % tile)) % 3;
        return v == 0 ? 0x00123456u * (noise(uint32_t(x + y)) % 2) : 0xFF000000u | v * 0x404040u;
    });
    for (int mode : {0, 1}) {
        std::map<std::array<uint32_t, 4>, uint32_t> seen;
        std::vector<uint32_t> expected;
        for (const SDL_Surface* s : frames.list)
            for (int y = 0; y < side; y += tile)
                for (int x = 0; x < side; x += tile) {
                    std::array<uint32_t, 4> pixels{};
                    bool any = false;
                    for (int i = 0; i < 4; ++i) {
                        const uint32_t p = static_cast<const uint32_t*>(s->pixels)[(y + i / 2) * s->pitch / 4 + x + i % 2];
                        pixels[size_t(i)] = mode && (p >> 24) == 0 ? 0 : p;
                        any |= (p >> 24) != 0;
                    }
                    expected.push_back(any ? seen.emplace(pixels, uint32_t(seen.size()) + 1).first->second : 0);
                }
        for (int threads : {1, 2, 8}) {
            omp_set_num_threads(threads);
            const FrameTileAnalysis a = analyze(frames, tile, 100.0f, mode);
            ASSERT_EQ(a.unique.size(), seen.size()) << mode << " threads " << threads;
            EXPECT_EQ(frameIds(a), expected) << mode << " threads " << threads;
        }
        // Called from each thread of a caller's team, where OpenMP gives
        // the analysis one thread however many it asks for.
        std::vector<uint32_t> inTeam[2];
#pragma omp parallel for num_threads(2)
        for (int k = 0; k < 2; ++k)
            inTeam[k] = frameIds(analyze(frames, tile, 100.0f, mode));
        EXPECT_EQ(inTeam[0], expected) << mode;
        EXPECT_EQ(inTeam[1], expected) << mode;
    }
    omp_set_num_threads(omp_get_num_procs());
}

} // namespace
