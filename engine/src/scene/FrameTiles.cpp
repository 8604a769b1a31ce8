// Frame tile analysis. Candidates are prepared in parallel a slice of the
// frame-major (frame, cell) order at a time and walked serially in that
// order, so only one slice of statistics lives at once. Exact matching
// (no tolerance) finds the one identical tile by the 128-bit XXH3 hash of
// its pixels in one lookup (a false match would need a 128-bit collision);
// tolerant matching tries earlier tiles in id order behind bounds
// that never reject a real match, and splits long searches over threads.
#include <Zelkoran/FrameTiles.h>
#include <Zelkoran/Result.h>

#include <omp.h>
#include <xxhash.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <unordered_map>

namespace Zelkoran {

namespace {

using Clock = std::chrono::steady_clock;

// Candidates prepared per slice: a few MB of statistics (hashes: 17 bytes a
// tile, full statistics: about 480), small beside the frames, and few
// parallel regions.
constexpr int64_t kExactSlice = int64_t(1) << 19;
constexpr int64_t kStatisticsSlice = 4096;
// Each thread of a preparation team gets at least this many pixels: a
// thread costs more than it saves below (and far more on a busy machine).
constexpr int64_t kPixelsPerThread = 65536;

// Each thread of a search team gets at least this many positions (a
// position mostly costs one prefilter of a few dozen nanoseconds).
constexpr int64_t kPositionsPerThread = 2048;

int teamFor(int64_t work, int64_t perThread)
{
    return int(std::clamp<int64_t>(work / perThread, 1, omp_get_max_threads()));
}
// Searches longer than this go parallel.
constexpr size_t kParallelSearch = 255;

double msSince(Clock::time_point start)
{
    return double(std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count()) / 1000.0;
}

const uint32_t* pixelRow(SDL_Surface* s, int x, int y)
{
    return reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) + size_t(y) * size_t(s->pitch)) +
           x;
}

bool opaque(uint32_t p) { return (p >> 24) != 0; }

// Sub-block column (or row) of each local pixel column (or row).
std::vector<uint8_t> blockIndex(int size)
{
    std::vector<uint8_t> out(static_cast<size_t>(size));
    for (int i = 0; i < size; ++i)
        out[size_t(i)] = uint8_t(int64_t(4) * i / size);
    return out;
}

void prepareCandidate(SDL_Surface* f, const FrameTileSettings& s, const std::vector<uint8_t>& bx,
                      const std::vector<uint8_t>& by, FrameTileCandidate& c)
{
    int64_t r = 0, g = 0, b = 0;
    for (int ly = 0; ly < s.tileHeight; ++ly) {
        const uint32_t* row = pixelRow(f, c.x, c.y + ly);
        const int rowBase = by[size_t(ly)] * 4;
        for (int lx = 0; lx < s.tileWidth; ++lx) {
            const uint32_t p = row[lx];
            if (!opaque(p))
                continue;
            const int k = rowBase + bx[size_t(lx)];
            const int pr = (p >> 16) & 0xFF, pg = (p >> 8) & 0xFF, pb = p & 0xFF;
            ++c.opaqueCount;
            ++c.blockCount[k];
            c.blockSumR[k] += pr, c.blockSumG[k] += pg, c.blockSumB[k] += pb;
            r += pr, g += pg, b += pb;
        }
    }
    if (c.opaqueCount > 0) {
        c.avgR = int32_t(r / c.opaqueCount), c.avgG = int32_t(g / c.opaqueCount), c.avgB = int32_t(b / c.opaqueCount);
    }
    c.transparent = c.opaqueCount == 0;
}

// XXH3-128 of the tile's pixels (in average mode with pixels under alpha 0
// taken as 0, as their colour does not count); buffer holds one tile. Sets
// transparent when no pixel is opaque.
XXH128_hash_t hashTile(SDL_Surface* f, int x, int y, const FrameTileSettings& s, uint32_t* buffer, bool& transparent)
{
    for (int ly = 0; ly < s.tileHeight; ++ly)
        std::memcpy(buffer + size_t(ly) * size_t(s.tileWidth), pixelRow(f, x, y + ly), size_t(s.tileWidth) * 4);
    // Branch-free passes over the copy, so they vectorise.
    const size_t n = size_t(s.area());
    uint32_t any = 0;
    size_t clear = 0;
    for (size_t i = 0; i < n; ++i) {
        any |= buffer[i];
        clear += buffer[i] < 0x01000000u;
    }
    transparent = any < 0x01000000u;
    if (s.averageMode && clear)
        for (size_t i = 0; i < n; ++i)
            buffer[i] = buffer[i] < 0x01000000u ? 0u : buffer[i];
    return XXH3_128bits(buffer, n * 4);
}

struct HashKey {
    size_t operator()(const XXH128_hash_t& h) const { return size_t(h.low64); }
};
struct HashSame {
    bool operator()(const XXH128_hash_t& a, const XXH128_hash_t& b) const { return XXH128_isEqual(a, b) != 0; }
};

// Pixel mode: at most limit pixels differ.
bool pixelsWithin(SDL_Surface* a, int ax, int ay, SDL_Surface* b, int bx, int by, const FrameTileSettings& s,
                  int64_t limit)
{
    int64_t differ = 0;
    for (int ly = 0; ly < s.tileHeight; ++ly) {
        const uint32_t* ra = pixelRow(a, ax, ay + ly);
        const uint32_t* rb = pixelRow(b, bx, by + ly);
        for (int lx = 0; lx < s.tileWidth; ++lx)
            if (ra[lx] != rb[lx] && ++differ > limit)
                return false;
    }
    return true;
}

// Pixel mode: a lower bound of the pixels that differ. A differing pixel
// moves its sub-block's opaque count by at most 1 and its colour sums by at
// most 3 x 255; equal pixels move neither.
int64_t differingPixelsAtLeast(const FrameTileCandidate& a, const FrameTileCandidate& b)
{
    int64_t total = 0;
    for (int k = 0; k < 16; ++k) {
        const int64_t counts = std::abs(int64_t(a.blockCount[k]) - b.blockCount[k]);
        const int64_t colour = std::abs(a.blockSumR[k] - b.blockSumR[k]) + std::abs(a.blockSumG[k] - b.blockSumG[k]) +
                               std::abs(a.blockSumB[k] - b.blockSumB[k]);
        total += std::max(counts, (colour + 764) / 765);
    }
    return total;
}

uint64_t bucketKey(uint64_t count, int r, int g, int b, bool full)
{
    return full ? (uint64_t(1) << 63) | (count << 24) | (uint64_t(r) << 16) | (uint64_t(g) << 8) | uint64_t(b)
                : count;
}

// The de-duplication state of one analysis.
class Deduplicator {
public:
    Deduplicator(const std::vector<SDL_Surface*>& frames, const FrameTileSettings& s, FrameTileAnalysis& out)
        : m_frames(frames), m_s(s), m_out(out)
    {
    }

    // Tolerant mode: the id of candidate c, a new unique tile when none matches.
    uint32_t place(const FrameTileCandidate& c)
    {
        if (c.transparent)
            return 0;
        const std::vector<uint32_t>* list = nullptr;
        std::vector<uint32_t> gathered;
        if (m_s.averageMode) {
            const uint64_t count = uint64_t(std::min(c.opaqueCount, 0xFFFFFF));
            if (c.opaqueCount == m_s.area()) {
                const int qr = c.avgR / m_s.step, qg = c.avgG / m_s.step, qb = c.avgB / m_s.step;
                int found = 0;
                for (int r = std::max(qr - 1, 0); r <= std::min(qr + 1, m_s.qMax); ++r)
                    for (int g = std::max(qg - 1, 0); g <= std::min(qg + 1, m_s.qMax); ++g)
                        for (int b = std::max(qb - 1, 0); b <= std::min(qb + 1, m_s.qMax); ++b) {
                            auto it = m_buckets.find(bucketKey(count, r, g, b, true));
                            if (it == m_buckets.end())
                                continue;
                            gathered.insert(gathered.end(), it->second.begin(), it->second.end());
                            ++found;
                        }
                if (found > 1) {
                    std::sort(gathered.begin(), gathered.end());
                    gathered.erase(std::unique(gathered.begin(), gathered.end()), gathered.end());
                }
                list = &gathered;
            } else {
                auto it = m_buckets.find(count);
                list = it == m_buckets.end() ? &gathered : &it->second;
            }
        }
        const size_t n = list ? list->size() : m_records.size();
        const int64_t p = n > kParallelSearch ? searchParallel(c, list, n) : searchSerial(c, list, n);
        if (p >= 0)
            return uint32_t(p) + 1;
        const uint32_t added = uint32_t(m_records.size());
        m_records.push_back(c);
        m_out.unique.push_back({c.frame, c.x, c.y});
        if (m_s.averageMode)
            m_buckets[bucketKey(uint64_t(std::min(c.opaqueCount, 0xFFFFFF)), c.avgR / m_s.step, c.avgG / m_s.step,
                                c.avgB / m_s.step, c.opaqueCount == m_s.area())]
                .push_back(added);
        return added + 1;
    }

    // Exact mode: the id of the tile at (frame, x, y) with hash h.
    uint32_t placeExact(int frame, int x, int y, const XXH128_hash_t& h)
    {
        auto [it, added] = m_exact.try_emplace(h, uint32_t(m_out.unique.size()));
        if (added)
            m_out.unique.push_back({frame, x, y});
        return it->second + 1;
    }

private:
    bool matches(uint32_t p, const FrameTileCandidate& c, int64_t& rejected, int64_t& compared) const
    {
        const FrameTileCandidate& u = m_records[p];
        if (!canFrameTileCandidatesMatch(u, c, m_s.averageMode ? 1 : 0, m_s.averageError, m_s.area()) ||
            (!m_s.averageMode && differingPixelsAtLeast(u, c) > m_s.maxDifferentPixels)) {
            ++rejected;
            return false;
        }
        ++compared;
        SDL_Surface* a = m_frames[size_t(u.frame)];
        SDL_Surface* b = m_frames[size_t(c.frame)];
        return m_s.averageMode ? compareFrameTilesAverageColor(a, u.x, u.y, b, c.x, c.y, m_s.tileWidth,
                                                               m_s.tileHeight, m_s.averageError)
                               : pixelsWithin(a, u.x, u.y, b, c.x, c.y, m_s, m_s.maxDifferentPixels);
    }

    int64_t searchSerial(const FrameTileCandidate& c, const std::vector<uint32_t>* list, size_t n)
    {
        for (size_t k = 0; k < n; ++k) {
            const uint32_t p = list ? (*list)[k] : uint32_t(k);
            if (matches(p, c, m_out.counters.prefilterRejected, m_out.counters.fullCompares))
                return p;
        }
        return -1;
    }

    // Contiguous shares in position order; a thread stops at its first match
    // or once an earlier share has matched, so the lowest position wins.
    int64_t searchParallel(const FrameTileCandidate& c, const std::vector<uint32_t>* list, size_t n)
    {
        ++m_out.counters.parallelSearches;
        std::atomic<int64_t> best{INT64_MAX};
        int64_t result = -1;
#pragma omp parallel num_threads(teamFor(int64_t(n), kPositionsPerThread))
        {
            const size_t threads = size_t(omp_get_num_threads()), t = size_t(omp_get_thread_num());
            const size_t share = n / threads, extra = n % threads;
            const size_t begin = t * share + std::min(t, extra), end = begin + share + (t < extra ? 1 : 0);
            int64_t rejected = 0, compared = 0, mine = -1;
            for (size_t k = begin; k < end; ++k) {
                const uint32_t p = list ? (*list)[k] : uint32_t(k);
                if (int64_t(p) >= best.load(std::memory_order_relaxed))
                    break;
                if (matches(p, c, rejected, compared)) {
                    mine = p;
                    int64_t seen = best.load(std::memory_order_relaxed);
                    while (mine < seen && !best.compare_exchange_weak(seen, mine, std::memory_order_relaxed)) {
                    }
                    break;
                }
            }
#pragma omp critical(frameTileSearch)
            {
                m_out.counters.prefilterRejected += rejected;
                m_out.counters.fullCompares += compared;
                if (mine >= 0 && (result < 0 || mine < result))
                    result = mine;
            }
        }
        return result;
    }

    const std::vector<SDL_Surface*>& m_frames;
    const FrameTileSettings& m_s;
    FrameTileAnalysis& m_out;
    std::vector<FrameTileCandidate> m_records; // tolerant mode: one per unique tile
    std::unordered_map<uint64_t, std::vector<uint32_t>> m_buckets;
    std::unordered_map<XXH128_hash_t, uint32_t, HashKey, HashSame> m_exact; // exact mode: hash -> position
};

// Fills ids (frame-major, one per raw tile) and the unique tiles.
void deduplicate(const std::vector<SDL_Surface*>& frames, const FrameTileSettings& s, FrameTileAnalysis& out,
                 std::vector<uint32_t>& ids)
{
    const int64_t cells = out.cells(), total = out.rawTiles();
    Deduplicator dedup(frames, s, out);
    const std::vector<uint8_t> bx = blockIndex(s.tileWidth), by = blockIndex(s.tileHeight);
    const bool exact = s.exact();
    const int64_t slice = std::min(total, exact ? kExactSlice : kStatisticsSlice);
    std::vector<FrameTileCandidate> candidates(exact ? 0 : size_t(slice));
    std::vector<XXH128_hash_t> hashes(exact ? size_t(slice) : 0);
    std::vector<uint8_t> transparent(exact ? size_t(slice) : 0);
    std::vector<uint32_t> buffers(exact ? size_t(s.area()) * size_t(omp_get_max_threads()) : 0);
    for (int64_t first = 0; first < total; first += slice) {
        const int64_t count = std::min(slice, total - first);
        const Clock::time_point prepared = Clock::now();
#pragma omp parallel for schedule(static) num_threads(teamFor(count * s.area(), kPixelsPerThread))
        for (int64_t k = 0; k < count; ++k) {
            const int64_t i = first + k;
            const int frame = int(i / cells);
            const int cell = int(i % cells);
            const int x = cell % out.cols * s.tileWidth, y = cell / out.cols * s.tileHeight;
            if (exact) {
                bool clear = false;
                uint32_t* buffer = buffers.data() + size_t(omp_get_thread_num()) * size_t(s.area());
                hashes[size_t(k)] = hashTile(frames[size_t(frame)], x, y, s, buffer, clear);
                transparent[size_t(k)] = clear;
            } else {
                FrameTileCandidate& c = candidates[size_t(k)];
                c = FrameTileCandidate();
                c.frame = frame, c.cell = cell, c.x = x, c.y = y;
                prepareCandidate(frames[size_t(frame)], s, bx, by, c);
            }
        }
        out.prepareMs += msSince(prepared);
        const Clock::time_point walked = Clock::now();
        for (int64_t k = 0; k < count; ++k) {
            const int64_t i = first + k;
            if (exact) {
                const int cell = int(i % cells);
                ids[size_t(i)] = transparent[size_t(k)]
                                     ? 0
                                     : dedup.placeExact(int(i / cells), cell % out.cols * s.tileWidth,
                                                        cell / out.cols * s.tileHeight, hashes[size_t(k)]);
            } else {
                ids[size_t(i)] = dedup.place(candidates[size_t(k)]);
            }
        }
        out.dedupeMs += msSince(walked);
    }
}

// Static cells keep their one id; changing sequences get owners, shared
// by equal sequences, in the order cells first show them.
void buildAnimations(const std::vector<uint32_t>& ids, FrameTileAnalysis& out)
{
    const Clock::time_point start = Clock::now();
    const int64_t cells = out.cells();
    const uint32_t uniqueCount = uint32_t(out.unique.size());
    out.cellIds.assign(size_t(cells), 0);
    std::map<std::vector<uint32_t>, int32_t> owners;
    std::vector<uint32_t> sequence(size_t(out.frames));
    for (int64_t cell = 0; cell < cells; ++cell) {
        bool same = true;
        for (int f = 0; f < out.frames; ++f) {
            sequence[size_t(f)] = ids[size_t(int64_t(f) * cells + cell)];
            same = same && sequence[size_t(f)] == sequence[0];
        }
        if (same) {
            out.cellIds[size_t(cell)] = sequence[0];
            continue;
        }
        ++out.animatedCells;
        auto [it, added] = owners.try_emplace(sequence, int32_t(uniqueCount + out.owners.size() + 1));
        if (added)
            out.owners.push_back({it->second, sequence});
        out.cellIds[size_t(cell)] = uint32_t(it->second);
    }
    out.animationsMs = msSince(start);
}

} // namespace

FrameTileSettings FrameTileSettings::make(int tileWidth, int tileHeight, float matchPercent, int matchMode)
{
    FrameTileSettings s;
    s.tileWidth = tileWidth, s.tileHeight = tileHeight;
    s.match = matchPercent >= 1.0f ? std::min(matchPercent, 100.0f) : 1.0f;
    s.averageMode = matchMode != 0;
    s.averageError = int((100.0f - s.match) * 3.0f);
    s.maxDifferentPixels = int((1.0f - s.match / 100.0f) * float(s.area()));
    s.step = std::max(s.averageError, 0) + 1;
    s.qMax = 255 / s.step;
    return s;
}

bool canFrameTileCandidatesMatch(const FrameTileCandidate& a, const FrameTileCandidate& b, int mode, int tolerance,
                                 int64_t area)
{
    if (a.transparent || b.transparent)
        return a.transparent && b.transparent;
    if (mode != 1)
        return true;
    if (a.opaqueCount != b.opaqueCount)
        return false;
    if (a.opaqueCount == area &&
        std::abs(a.avgR - b.avgR) + std::abs(a.avgG - b.avgG) + std::abs(a.avgB - b.avgB) > tolerance)
        return false;
    const int64_t limit = int64_t(tolerance) * area;
    int64_t total = 0;
    for (int k = 0; k < 16; ++k) {
        if (a.blockCount[k] != b.blockCount[k])
            return false;
        total += std::abs(a.blockSumR[k] - b.blockSumR[k]) + std::abs(a.blockSumG[k] - b.blockSumG[k]) +
                 std::abs(a.blockSumB[k] - b.blockSumB[k]);
        if (total > limit)
            return false;
    }
    return true;
}

bool compareFrameTilesAverageColor(SDL_Surface* a, int ax, int ay, SDL_Surface* b, int bx, int by, int width,
                                   int height, int tolerance)
{
    if (width < 1 || height < 1)
        return true;
    const int64_t limit = int64_t(tolerance) * width * height;
    int64_t total = 0;
    for (int ly = 0; ly < height; ++ly) {
        const uint32_t* ra = pixelRow(a, ax, ay + ly);
        const uint32_t* rb = pixelRow(b, bx, by + ly);
        for (int lx = 0; lx < width; ++lx) {
            const uint32_t pa = ra[lx], pb = rb[lx];
            if ((pa >> 24) != (pb >> 24))
                return false;
            if (!opaque(pa))
                continue;
            total += std::abs(int((pa >> 16) & 0xFF) - int((pb >> 16) & 0xFF)) +
                     std::abs(int((pa >> 8) & 0xFF) - int((pb >> 8) & 0xFF)) +
                     std::abs(int(pa & 0xFF) - int(pb & 0xFF));
            if (total > limit)
                return false;
        }
    }
    return true;
}

int analyzeFrameTiles(const std::vector<SDL_Surface*>& frames, const FrameTileSettings& settings,
                      FrameTileAnalysis& out)
{
    out = FrameTileAnalysis();
    if (frames.empty() || !frames[0] || settings.tileWidth < 1 || settings.tileHeight < 1)
        return RC_ERR_INVALID;
    const int w = frames[0]->w, h = frames[0]->h;
    for (SDL_Surface* f : frames)
        if (!f || f->w != w || f->h != h || f->format->format != SDL_PIXELFORMAT_ARGB8888)
            return RC_ERR_INVALID;
    if (w % settings.tileWidth || h % settings.tileHeight)
        return RC_ERR_INVALID;
    out.cols = w / settings.tileWidth, out.rows = h / settings.tileHeight;
    out.frames = int(frames.size());
    if (out.cols < 1 || out.rows < 1)
        return RC_ERR_INVALID;
    if (out.rawTiles() > kMaxFrameTiles)
        return RC_ERR_TOO_LARGE;
    try {
        std::vector<uint32_t> ids(size_t(out.rawTiles()));
        deduplicate(frames, settings, out, ids);
        buildAnimations(ids, out);
    } catch (const std::bad_alloc&) {
        const int cols = out.cols, rows = out.rows, count = out.frames;
        out = FrameTileAnalysis();
        out.cols = cols, out.rows = rows, out.frames = count;
        return RC_ERR_NO_MEMORY;
    }
    return RC_OK;
}

void frameTileAtlasGrid(int64_t count, int& columns, int& rows)
{
    columns = rows = 0;
    if (count < 1)
        return;
    int64_t c = int64_t(std::ceil(std::sqrt(double(count))));
    while (c * c < count)
        ++c;
    while (c > 1 && (c - 1) * (c - 1) >= count)
        --c;
    columns = int(c);
    rows = int((count + c - 1) / c);
}

int buildFrameTileAtlas(const std::vector<SDL_Surface*>& frames, const FrameTileAnalysis& analysis,
                        const FrameTileSettings& s, SDL_Surface*& atlas)
{
    atlas = nullptr;
    int columns = 0, rows = 0;
    frameTileAtlasGrid(analysis.finalTiles(), columns, rows);
    if (columns < 1)
        return RC_ERR_NO_MEMORY;
    if (int64_t(columns) * s.tileWidth > kMaxFrameTileAtlasSide || int64_t(rows) * s.tileHeight > kMaxFrameTileAtlasSide)
        return RC_ERR_TOO_LARGE;
    SDL_Surface* out = SDL_CreateRGBSurfaceWithFormat(0, columns * s.tileWidth, rows * s.tileHeight, 32,
                                                      SDL_PIXELFORMAT_ARGB8888);
    if (!out)
        return RC_ERR_NO_MEMORY;
    SDL_FillRect(out, nullptr, 0);
    // Rows copied as they are (frames and atlas are both ARGB8888): no
    // blending, so semi-transparent pixels keep their values.
    const size_t rowBytes = size_t(s.tileWidth) * 4;
    const auto copy = [&](const FrameTileSource& src, int64_t slot) {
        if (src.frame < 0 || size_t(src.frame) >= frames.size() || !frames[size_t(src.frame)])
            return false;
        auto* to = static_cast<uint8_t*>(out->pixels) + size_t(slot / columns) * size_t(s.tileHeight) * size_t(out->pitch) +
                   size_t(slot % columns) * rowBytes;
        for (int row = 0; row < s.tileHeight; ++row)
            std::memcpy(to + size_t(row) * size_t(out->pitch), pixelRow(frames[size_t(src.frame)], src.x, src.y + row),
                        rowBytes);
        return true;
    };
    bool ok = true;
    for (size_t p = 0; ok && p < analysis.unique.size(); ++p)
        ok = copy(analysis.unique[p], int64_t(p));
    for (const FrameAnimationOwner& owner : analysis.owners) {
        auto still = std::find_if(owner.sequence.begin(), owner.sequence.end(), [](uint32_t id) { return id != 0; });
        if (!ok || still == owner.sequence.end())
            continue;
        ok = copy(analysis.unique[*still - 1], owner.tileId - 1);
    }
    if (!ok) {
        SDL_FreeSurface(out);
        return RC_ERR_INVALID;
    }
    atlas = out;
    return RC_OK;
}

} // namespace Zelkoran
