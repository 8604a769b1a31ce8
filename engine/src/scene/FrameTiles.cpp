// Frame tile analysis. Candidates are prepared in parallel a slice of the
// frame-major (frame, cell) order at a time, so only one slice of hashes or
// statistics lives at once. Exact matching (no tolerance) finds the one
// identical tile by the 128-bit XXH3 hash of its pixels (a false match
// would need a 128-bit collision), in an index split by hash over the
// threads, and numbers the tiles in parallel once all are looked up;
// tolerant matching walks serially, finds the lowest earlier tile that
// matches, behind bounds that never reject a real match (in pixel mode
// among the tiles that share a whole group of pixels with it,
// PixelGroupIndex.h), while the other threads prepare statistics ahead of
// it and take shares of long searches.
#include <Zelkoran/FrameTiles.h>
#include <Zelkoran/Result.h>

#include "scene/PixelGroupIndex.h"
#include "scene/ThreadTeam.h"

#include <SDL_cpuinfo.h>
#include <sys/mman.h>
#include <omp.h>
#include <xxhash.h>

#include <algorithm>
#include <atomic>
#include <barrier>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>
#include <utility>

namespace Zelkoran {

namespace {

using Clock = std::chrono::steady_clock;

// Raw tiles prepared per slice: hashes take 17 bytes a tile, statistics
// 136, so a slice stays near 4.5 MB and 0.14 MB. Each exact slice costs
// its team a meeting, which on a busy machine waits for a held-up thread.
constexpr int64_t kHashSlice = 262144;
constexpr int64_t kStatisticsSlice = 1024;
// Statistics slices prepared ahead of the tolerant walk, at most.
constexpr int64_t kSlicesAhead = 8;
// Each thread of a preparation or copy team gets at least this many
// pixels: a thread costs more than it saves below (and far more on a busy
// machine).
constexpr int64_t kPixelsPerThread = 65536;
// Preparation is handed out in chunks of about this many pixels, so a
// thread the system holds up leaves its share to the others.
constexpr int64_t kPixelsPerChunk = 16384;
// Each thread numbering exact matches gets at least this many tiles.
constexpr int64_t kNumberedPerThread = 32768;
// Each thread of a search team gets at least this many positions (a
// position mostly costs one prefilter of a few dozen nanoseconds).
constexpr int64_t kPositionsPerThread = 2048;
// Searches longer than this go parallel.
constexpr size_t kParallelSearch = 255;
// Exact matching tells its progress hook once per this many tiles (a
// power of two); tolerant matching, whose tiles take far longer, every tile.
constexpr int64_t kExactTilesPerReport = 4096;
// Atlas pixels copied between two reports.
constexpr int64_t kAtlasPixelsPerReport = int64_t(1) << 24;
// Atlas bytes a copying thread takes at a time: one large page, so each
// thread faults in (and the system clears) pages of its own.
constexpr size_t kAtlasBytesPerTake = size_t(1) << 21;

int teamFor(int64_t work, int64_t perThread)
{
    return int(std::clamp<int64_t>(work / perThread, 1, omp_get_max_threads()));
}

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

// An array left uninitialised: each item is written before it is read,
// and zeroing it first would fault every page in on one thread.
template <typename T>
std::unique_ptr<T[]> uninitialised(size_t count)
{
    return std::unique_ptr<T[]>(new T[count]);
}

// Room for count more items in v without moving it, in steps that at least
// double (one exact step per slice would copy the list every slice); the
// capacity takes no memory until it is written.
template <typename T>
void reserveMore(std::vector<T>& v, size_t count)
{
    if (v.capacity() - v.size() < count)
        v.reserve(std::max(v.size() + count, v.capacity() * 2));
}

// Where a raw tile sits: its frame and top-left pixel.
struct TilePlace {
    int frame, x, y;
};

// Raw tiles in frame-major order from a given index on, with no division
// per tile.
class TileCursor {
public:
    TileCursor(int64_t index, const FrameTileAnalysis& grid, const FrameTileSettings& s)
        : m_width(grid.cols * s.tileWidth), m_height(grid.rows * s.tileHeight), m_tileW(s.tileWidth),
          m_tileH(s.tileHeight)
    {
        const int64_t cells = grid.cells();
        const int cell = int(index % cells);
        m_at = {int(index / cells), cell % grid.cols * s.tileWidth, cell / grid.cols * s.tileHeight};
    }
    const TilePlace& operator*() const { return m_at; }
    void next()
    {
        if ((m_at.x += m_tileW) < m_width)
            return;
        m_at.x = 0;
        if ((m_at.y += m_tileH) < m_height)
            return;
        m_at.y = 0;
        ++m_at.frame;
    }

private:
    int m_width, m_height, m_tileW, m_tileH;
    TilePlace m_at;
};

// Thread t's contiguous share [begin, end) of n items: n / threads each,
// one more for the first n mod threads.
void shareOf(int64_t n, int64_t threads, int64_t t, int64_t& begin, int64_t& end)
{
    const int64_t share = n / threads, extra = n % threads;
    begin = t * share + std::min(t, extra);
    end = begin + share + (t < extra ? 1 : 0);
}

// The barrier of one team, whose waiting threads soon sleep. OpenMP's
// spin for milliseconds, and on a busy machine a spinning thread takes the
// CPU that a held-up teammate needs to reach the barrier.
class TeamBarrier {
public:
    explicit TeamBarrier(int asked) : m_asked(asked), m_barrier(asked) {}
    // By thread 0 before its first wait: the team given may be smaller than
    // asked, and the missing threads leave the barrier at once.
    void fitTo(int team)
    {
        for (int missing = team; missing < m_asked; ++missing)
            m_barrier.arrive_and_drop();
    }
    void wait() { m_barrier.arrive_and_wait(); }

private:
    const int m_asked;
    std::barrier<> m_barrier;
};

// The first local column (or row) of each of the four sub-blocks along a
// side, and the end: pixel i falls into sub-block 4 x i / size.
void blockBounds(int size, int (&bounds)[5])
{
    for (int k = 0; k <= 4; ++k)
        bounds[k] = (k * size + 3) / 4;
}

// Sums in full, then packs into c. Each run of a row within one sub-block
// is one branch-free loop, so it vectorises.
void prepareCandidate(SDL_Surface* f, int x, int y, const FrameTileSettings& s, const int (&columns)[5],
                      const int (&rows)[5], FrameTileCandidate& c)
{
    uint32_t count[16] = {}, sumR[16] = {}, sumG[16] = {}, sumB[16] = {};
    for (int by = 0; by < 4; ++by)
        for (int ly = rows[by]; ly < rows[by + 1]; ++ly) {
            const uint32_t* row = pixelRow(f, x, y + ly);
            for (int bx = 0; bx < 4; ++bx) {
                uint32_t n = 0, r = 0, g = 0, b = 0;
#pragma omp simd reduction(+ : n, r, g, b)
                for (int lx = columns[bx]; lx < columns[bx + 1]; ++lx) {
                    const uint32_t p = row[lx];
                    const uint32_t mask = p >= 0x01000000u ? 0xFFu : 0u;
                    n += mask & 1u;
                    r += (p >> 16) & mask, g += (p >> 8) & mask, b += p & mask;
                }
                const int k = by * 4 + bx;
                count[k] += n, sumR[k] += r, sumG[k] += g, sumB[k] += b;
            }
        }
    c = FrameTileCandidate();
    uint64_t totalR = 0, totalG = 0, totalB = 0;
    for (int k = 0; k < 16; ++k) {
        c.opaqueCount += count[k];
        c.blockCount[k] = uint16_t(count[k] >> s.countShift);
        c.blockSumR[k] = uint16_t(sumR[k] >> s.sumShift);
        c.blockSumG[k] = uint16_t(sumG[k] >> s.sumShift);
        c.blockSumB[k] = uint16_t(sumB[k] >> s.sumShift);
        totalR += sumR[k], totalG += sumG[k], totalB += sumB[k];
    }
    if (c.opaqueCount > 0) {
        c.avgR = uint8_t(totalR / c.opaqueCount), c.avgG = uint8_t(totalG / c.opaqueCount);
        c.avgB = uint8_t(totalB / c.opaqueCount);
    }
}

// A lower bound of |a - b| from a and b shifted right by shift; 32 bits
// and no branch.
int32_t leastApart(uint16_t qa, uint16_t qb, int shift)
{
    const int32_t d = std::abs(int32_t(qa) - int32_t(qb));
    return std::max((d - 1) * (int32_t(1) << shift) + 1, 0);
}

// XXH3-128 of the tile's pixels (in average mode with pixels under alpha 0
// taken as 0, as their colour does not count); buffer holds one tile. Sets
// transparent when no pixel is opaque.
XXH128_hash_t hashTile(SDL_Surface* f, int x, int y, const FrameTileSettings& s, uint32_t* buffer, bool& transparent)
{
    // The next tile along, asked for now: its rows are short runs in as
    // many pages, which the hardware does not see coming in time.
    if (x + 2 * s.tileWidth <= f->w)
        for (int ly = 0; ly < s.tileHeight; ++ly)
            for (int byte = 0; byte < s.tileWidth * 4; byte += 64)
                __builtin_prefetch(reinterpret_cast<const uint8_t*>(pixelRow(f, x + s.tileWidth, y + ly)) + byte);
    for (int ly = 0; ly < s.tileHeight; ++ly)
        std::memcpy(buffer + size_t(ly) * size_t(s.tileWidth), pixelRow(f, x, y + ly), size_t(s.tileWidth) * 4);
    // Branch-free passes over the copy, so they vectorise. Alpha 255
    // everywhere (as in every video frame) needs no second look.
    const int n = int(s.area());
    uint32_t any = 0, all = 0xFFFFFFFFu;
#pragma omp simd reduction(| : any) reduction(& : all)
    for (int i = 0; i < n; ++i) {
        any |= buffer[i];
        all &= buffer[i];
    }
    transparent = any < 0x01000000u;
    if (s.averageMode && all < 0xFF000000u)
#pragma omp simd
        for (int i = 0; i < n; ++i)
            buffer[i] = buffer[i] < 0x01000000u ? 0u : buffer[i];
    return XXH3_128bits(buffer, size_t(n) * 4);
}

// Pixel mode: at most limit pixels differ. The count only grows, so it is
// checked once a row, and each row is one branch-free loop.
bool pixelsWithin(SDL_Surface* a, int ax, int ay, SDL_Surface* b, int bx, int by, const FrameTileSettings& s,
                  int64_t limit)
{
    int64_t differ = 0;
    for (int ly = 0; ly < s.tileHeight; ++ly) {
        const uint32_t* ra = pixelRow(a, ax, ay + ly);
        const uint32_t* rb = pixelRow(b, bx, by + ly);
        uint32_t inRow = 0;
#pragma omp simd reduction(+ : inRow)
        for (int lx = 0; lx < s.tileWidth; ++lx)
            inRow += ra[lx] != rb[lx] ? 1u : 0u;
        if ((differ += inRow) > limit)
            return false;
    }
    return true;
}

// Pixel mode: a lower bound of the pixels that differ. A differing pixel
// moves its sub-block's opaque count by at most 1 and its colour sums by at
// most 3 x 255; equal pixels move neither.
int64_t differingPixelsAtLeast(const FrameTileCandidate& a, const FrameTileCandidate& b, const FrameTileSettings& s)
{
    int32_t total = 0;
    for (int k = 0; k < 16; ++k) {
        const int32_t counts = leastApart(a.blockCount[k], b.blockCount[k], s.countShift);
        const int32_t colour = leastApart(a.blockSumR[k], b.blockSumR[k], s.sumShift) +
                               leastApart(a.blockSumG[k], b.blockSumG[k], s.sumShift) +
                               leastApart(a.blockSumB[k], b.blockSumB[k], s.sumShift);
        total += std::max(counts, (colour + 764) / 765);
    }
    return total;
}

uint64_t bucketKey(uint64_t count, int r, int g, int b, bool full)
{
    return full ? (uint64_t(1) << 63) | (count << 24) | (uint64_t(r) << 16) | (uint64_t(g) << 8) | uint64_t(b)
                : count;
}

// Exact mode: distinct hashes, open-addressed with linear probing and kept
// at most half full. Slots hold entry numbers (4 bytes); each entry's hash
// and the raw index of the first tile with it sit in lists beside them.
// One cache line or more each, as each shard's thread writes its own.
class alignas(64) ExactTileIndex {
public:
    void reserve(size_t count)
    {
        reserveMore(m_hashes, count);
        reserveMore(m_firsts, count);
    }
    // The raw index of the first tile with hash h: raw itself when h is new.
    uint32_t firstOf(const XXH128_hash_t& h, uint32_t raw)
    {
        if ((m_hashes.size() + 1) * 2 > m_slots.size())
            grow();
        const size_t mask = m_slots.size() - 1;
        for (size_t i = size_t(h.low64) & mask;; i = (i + 1) & mask) {
            const uint32_t p = m_slots[i];
            if (p == kEmpty) {
                m_slots[i] = uint32_t(m_hashes.size());
                m_hashes.push_back(h);
                m_firsts.push_back(raw);
                return raw;
            }
            if (XXH128_isEqual(m_hashes[p], h))
                return m_firsts[p];
        }
    }

    size_t distinct() const { return m_hashes.size(); }

private:
    static constexpr uint32_t kEmpty = UINT32_MAX;

    void grow()
    {
        m_slots.assign(std::max<size_t>(m_slots.size() * 2, 1024), kEmpty);
        const size_t mask = m_slots.size() - 1;
        for (uint32_t p = 0; p < uint32_t(m_hashes.size()); ++p) {
            size_t i = size_t(m_hashes[p].low64) & mask;
            while (m_slots[i] != kEmpty)
                i = (i + 1) & mask;
            m_slots[i] = p;
        }
    }

    std::vector<uint32_t> m_slots;
    std::vector<XXH128_hash_t> m_hashes;
    std::vector<uint32_t> m_firsts;
};

// Marks of exact lookups in the ids, until tiles are numbered: raw indexes
// and ids stay below kMaxFrameTiles.
constexpr uint32_t kNewTile = 0x40000000u;
constexpr uint32_t kRepeatOf = 0x80000000u;
static_assert(kMaxFrameTiles < int64_t(kNewTile));

// Exact mode: the index split into shards by hash, one per thread, so the
// tiles of a slice are looked up in parallel. Each shard sees its tiles in
// frame-major order, so it keeps each hash's first tile whatever the
// number of shards.
class ExactTiles {
public:
    explicit ExactTiles(int shards) : m_shards(size_t(std::max(shards, 1))) {}

    // Marks the non-transparent tiles first .. first + count - 1 in ids
    // (raw indexes): kNewTile for the first tile with its hash, kRepeatOf
    // and the raw index of that first one for the others. Called by every
    // thread of a team, which take the shards as they come free; next
    // counts the shards taken, from 0.
    void lookUp(int64_t first, int64_t count, const XXH128_hash_t* hashes, const uint8_t* transparent,
                uint32_t* ids, std::atomic<int>& next)
    {
        const int shards = int(m_shards.size());
        for (int shard; (shard = next.fetch_add(1, std::memory_order_relaxed)) < shards;) {
            ExactTileIndex& index = m_shards[size_t(shard)];
            index.reserve(size_t(count));
            for (int64_t k = 0; k < count; ++k)
                if (!transparent[k] && shardOf(hashes[k], shards) == shard) {
                    const uint32_t raw = uint32_t(first + k), found = index.firstOf(hashes[k], raw);
                    ids[raw] = found == raw ? kNewTile : kRepeatOf | found;
                }
        }
    }
    // Distinct tiles looked up so far.
    size_t distinct() const
    {
        size_t n = 0;
        for (const ExactTileIndex& shard : m_shards)
            n += shard.distinct();
        return n;
    }

private:
    // From bits the slots do not use (they take the low half).
    static int shardOf(const XXH128_hash_t& h, int shards)
    {
        return int((h.high64 >> 32) * uint64_t(shards) >> 32);
    }

    std::vector<ExactTileIndex> m_shards;
};

// Tolerant mode: the statistics of each unique tile, in chunks that never
// move (growing never holds two copies), taken straight from the system
// and handed back when freed, so a long analysis leaves no resident heap
// behind when the atlas is allocated.
class UniqueRecords {
public:
    size_t size() const { return m_count; }
    const FrameTileCandidate& operator[](size_t p) const { return m_chunks[p >> kShift].get()[p & kMask]; }
    void push_back(const FrameTileCandidate& c)
    {
        if ((m_count & kMask) == 0) {
            void* pages = mmap(nullptr, kChunkBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (pages == MAP_FAILED)
                throw std::bad_alloc();
            m_chunks.emplace_back(static_cast<FrameTileCandidate*>(pages));
        }
        m_chunks.back().get()[m_count & kMask] = c;
        ++m_count;
    }

private:
    static constexpr int kShift = 10;
    static constexpr size_t kMask = (size_t(1) << kShift) - 1;
    static constexpr size_t kChunkBytes = (kMask + 1) * sizeof(FrameTileCandidate);
    struct Unmap {
        void operator()(FrameTileCandidate* p) const { munmap(p, kChunkBytes); }
    };
    std::vector<std::unique_ptr<FrameTileCandidate, Unmap>> m_chunks;
    size_t m_count = 0;
};

constexpr uint32_t kNoPosition = UINT32_MAX;

// Average mode: the colour buckets, each an ascending list of unique tile
// positions linked through one array, as most buckets hold one tile.
class ColourBuckets {
public:
    struct List {
        uint32_t head = kNoPosition, tail = kNoPosition, count = 0;
    };

    void add(uint64_t key, uint32_t p)
    {
        m_next.push_back(kNoPosition);
        List& list = m_lists[key];
        if (list.count++ == 0)
            list.head = p;
        else
            m_next[list.tail] = p;
        list.tail = p;
    }
    // The list under key, or null.
    const List* find(uint64_t key) const
    {
        auto it = m_lists.find(key);
        return it == m_lists.end() ? nullptr : &it->second;
    }
    // The position after p in its bucket, or kNoPosition.
    uint32_t next(uint32_t p) const { return m_next[p]; }

private:
    std::unordered_map<uint64_t, List> m_lists;
    std::vector<uint32_t> m_next; // per unique position
};

// Where the threads of a tolerant analysis meet. The calling thread walks
// the tiles in order; the others prepare the statistics of the slices
// ahead of it, in chunks, at most kSlicesAhead slices ahead, and take
// shares of its long searches. A thread with nothing to do sleeps (a
// spinning wait, as OpenMP's are, on a busy machine takes the CPU
// the walk needs). One lock guards it all, taken once per chunk or share,
// each tens of microseconds of work.
class TolerantCrew {
public:
    TolerantCrew(int64_t total, int64_t slice, int64_t chunk)
        : m_total(total), m_slice(slice), m_chunk(chunk), m_perSlice(chunksOf(slice)),
          m_chunks(total / slice * m_perSlice + chunksOf(total % slice)), m_done(size_t(kSlicesAhead), 0)
    {
    }

    int64_t slice() const { return m_slice; }
    // Slice s holds raw tiles s x slice() .. + countOf(s) - 1.
    int64_t countOf(int64_t s) const { return std::min(m_slice, m_total - s * m_slice); }
    // Where a raw tile's statistics go: its place in its slice's slot.
    size_t slotIndex(int64_t raw) const
    {
        return size_t(raw / m_slice % kSlicesAhead * m_slice + raw % m_slice);
    }
    void setThreads(int threads) { m_threads = threads; }
    int threads() const { return m_threads; }

    // Any thread but the walk's: prepares chunks and runs shares until
    // finish(). prepare(begin, end) fills the statistics of raw tiles
    // begin .. end - 1.
    template <typename Prepare>
    void serve(const Prepare& prepare)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        while (!m_finished) {
            if (runShare(lock) || prepareChunk(lock, prepare))
                continue;
            m_helpers.wait(lock);
        }
    }
    // The walk's thread: returns once slice s is prepared, preparing
    // chunks itself while it waits.
    template <typename Prepare>
    void awaitSlice(int64_t s, const Prepare& prepare)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        while (m_done[size_t(s % kSlicesAhead)] < chunksOf(countOf(s)))
            if (!prepareChunk(lock, prepare))
                m_walker.wait(lock);
    }
    // The walk is done with slice s: its slot takes a later one.
    void releaseSlice(int64_t s)
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_done[size_t(s % kSlicesAhead)] = 0;
        m_walked = s + 1;
        m_helpers.notify_all();
    }
    // The walk's thread: runs share(0) .. share(count - 1) with any idle
    // helpers and returns once all are done.
    void runShares(int count, const std::function<void(int)>& share)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_job = &share, m_shares = count, m_nextShare = 0, m_sharesDone = 0;
        m_helpers.notify_all();
        while (runShare(lock)) {
        }
        m_walker.wait(lock, [&] { return m_sharesDone == m_shares; });
        m_job = nullptr;
    }
    void finish()
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_finished = true;
        m_helpers.notify_all();
    }

private:
    int64_t chunksOf(int64_t count) const { return (count + m_chunk - 1) / m_chunk; }

    // One share of the open search, if one is left; true when run.
    bool runShare(std::unique_lock<std::mutex>& lock)
    {
        if (!m_job || m_nextShare == m_shares)
            return false;
        const std::function<void(int)>* job = m_job;
        const int share = m_nextShare++;
        lock.unlock();
        (*job)(share);
        lock.lock();
        if (++m_sharesDone == m_shares)
            m_walker.notify_one();
        return true;
    }
    // The next chunk, if it lies within the slices ahead; true when prepared.
    template <typename Prepare>
    bool prepareChunk(std::unique_lock<std::mutex>& lock, const Prepare& prepare)
    {
        if (m_nextChunk == m_chunks || m_nextChunk / m_perSlice >= m_walked + kSlicesAhead)
            return false;
        const int64_t c = m_nextChunk++, s = c / m_perSlice;
        const int64_t begin = s * m_slice + c % m_perSlice * m_chunk;
        lock.unlock();
        prepare(begin, std::min(begin + m_chunk, s * m_slice + countOf(s)));
        lock.lock();
        if (++m_done[size_t(s % kSlicesAhead)] == chunksOf(countOf(s)))
            m_walker.notify_one();
        return true;
    }

    const int64_t m_total, m_slice, m_chunk, m_perSlice, m_chunks;
    int m_threads = 1;
    std::mutex m_lock;
    std::condition_variable m_helpers, m_walker;
    bool m_finished = false;
    int64_t m_nextChunk = 0, m_walked = 0;
    std::vector<int64_t> m_done; // chunks prepared per slot
    const std::function<void(int)>* m_job = nullptr;
    int m_shares = 0, m_nextShare = 0, m_sharesDone = 0;
};

// The de-duplication state of one analysis.
class Deduplicator {
public:
    Deduplicator(const std::vector<SDL_Surface*>& frames, const FrameTileSettings& s, FrameTileAnalysis& out,
                 TolerantCrew& crew, scene::PixelGroupIndex& groups)
        : m_frames(frames), m_s(s), m_out(out), m_crew(crew), m_groups(groups)
    {
    }

    // Tolerant mode: the id of candidate c of the tile at `at`, a new unique
    // tile when none matches; keys: the tile's group keys when pixel mode
    // files tiles by them.
    uint32_t place(const FrameTileCandidate& c, const TilePlace& at, const uint32_t* keys)
    {
        if (c.transparent())
            return 0;
        const int64_t p = m_s.averageMode ? searchBuckets(c, at) : m_groups.usable() ? searchGroups(c, at, keys)
                                                                                     : searchAll(c, at);
        if (p >= 0)
            return uint32_t(p) + 1;
        const uint32_t added = uint32_t(m_records.size());
        m_records.push_back(c);
        m_out.unique.push_back({at.frame, at.x, at.y});
        if (m_s.averageMode)
            m_buckets.add(ownKey(c), added);
        else if (m_groups.usable())
            m_groups.add(keys, added);
        return added + 1;
    }

private:
    uint64_t ownKey(const FrameTileCandidate& c) const
    {
        return bucketKey(std::min<uint64_t>(c.opaqueCount, 0xFFFFFF), c.avgR / m_s.step, c.avgG / m_s.step,
                         c.avgB / m_s.step, c.opaqueCount == m_s.area());
    }

    // Pixel mode: every unique tile in position order.
    int64_t searchAll(const FrameTileCandidate& c, const TilePlace& at)
    {
        const size_t n = m_records.size();
        if (n > kParallelSearch) {
            ++m_out.counters.parallelSearches;
            if (sharesFor(n) > 1)
                return searchShared(c, at, nullptr, n);
        }
        for (uint32_t p = 0; p < n; ++p)
            if (matches(p, c, at, m_out.counters.prefilterRejected, m_out.counters.fullCompares))
                return p;
        return -1;
    }

    // Pixel mode with groups: the positions filed under the tile's keys.
    int64_t searchGroups(const FrameTileCandidate& c, const TilePlace& at, const uint32_t* keys)
    {
        m_groups.candidates(keys, m_gathered);
        const size_t n = m_gathered.size();
        if (n > kParallelSearch) {
            ++m_out.counters.parallelSearches;
            if (sharesFor(n) > 1)
                return searchShared(c, at, &m_gathered, n);
        }
        for (uint32_t p : m_gathered)
            if (matches(p, c, at, m_out.counters.prefilterRejected, m_out.counters.fullCompares))
                return p;
        return -1;
    }

    // Average mode: the positions filed under c's bucket and, for a fully
    // opaque tile, its neighbouring colour buckets. The lowest that matches
    // is the lowest first match of any one bucket, so each bucket is read
    // in its own ascending order, c's own first, and only below the best
    // match so far.
    int64_t searchBuckets(const FrameTileCandidate& c, const TilePlace& at)
    {
        m_lists.clear();
        const uint64_t count = std::min<uint64_t>(c.opaqueCount, 0xFFFFFF);
        size_t n = 0;
        const auto add = [&](uint64_t key) {
            if (const ColourBuckets::List* list = m_buckets.find(key))
                m_lists.push_back(list->head), n += list->count;
        };
        if (c.opaqueCount != m_s.area()) {
            add(count);
        } else {
            const int qr = c.avgR / m_s.step, qg = c.avgG / m_s.step, qb = c.avgB / m_s.step;
            add(bucketKey(count, qr, qg, qb, true));
            for (int r = std::max(qr - 1, 0); r <= std::min(qr + 1, m_s.qMax); ++r)
                for (int g = std::max(qg - 1, 0); g <= std::min(qg + 1, m_s.qMax); ++g)
                    for (int b = std::max(qb - 1, 0); b <= std::min(qb + 1, m_s.qMax); ++b)
                        if (r != qr || g != qg || b != qb)
                            add(bucketKey(count, r, g, b, true));
        }
        if (n > kParallelSearch) {
            ++m_out.counters.parallelSearches;
            if (sharesFor(n) > 1) {
                m_gathered.clear();
                for (uint32_t head : m_lists)
                    for (uint32_t p = head; p != kNoPosition; p = m_buckets.next(p))
                        m_gathered.push_back(p);
                std::sort(m_gathered.begin(), m_gathered.end());
                return searchShared(c, at, &m_gathered, n);
            }
        }
        uint32_t best = kNoPosition;
        for (uint32_t head : m_lists)
            for (uint32_t p = head; p < best; p = m_buckets.next(p))
                if (matches(p, c, at, m_out.counters.prefilterRejected, m_out.counters.fullCompares)) {
                    best = p;
                    break;
                }
        return best == kNoPosition ? -1 : int64_t(best);
    }

    bool matches(uint32_t p, const FrameTileCandidate& c, const TilePlace& at, int64_t& rejected,
                 int64_t& compared) const
    {
        const FrameTileCandidate& r = m_records[p];
        if (!canFrameTileCandidatesMatch(r, c, m_s) ||
            (!m_s.averageMode && differingPixelsAtLeast(r, c, m_s) > m_s.maxDifferentPixels)) {
            ++rejected;
            return false;
        }
        ++compared;
        const FrameTileSource& u = m_out.unique[p];
        SDL_Surface* a = m_frames[size_t(u.frame)];
        SDL_Surface* b = m_frames[size_t(at.frame)];
        return m_s.averageMode ? compareFrameTilesAverageColor(a, u.x, u.y, b, at.x, at.y, m_s.tileWidth,
                                                               m_s.tileHeight, m_s.averageError)
                               : pixelsWithin(a, u.x, u.y, b, at.x, at.y, m_s, m_s.maxDifferentPixels);
    }

    int sharesFor(size_t n) const { return std::min(teamFor(int64_t(n), kPositionsPerThread), m_crew.threads()); }

    // Contiguous shares in position order; a share stops at its first match
    // or once an earlier share has matched, so the lowest position wins.
    int64_t searchShared(const FrameTileCandidate& c, const TilePlace& at, const std::vector<uint32_t>* list,
                         size_t n)
    {
        const int shares = sharesFor(n);
        std::atomic<int64_t> best{INT64_MAX}, rejectedAll{0}, comparedAll{0};
        m_crew.runShares(shares, [&](int share) {
            int64_t begin = 0, end = 0;
            shareOf(int64_t(n), shares, share, begin, end);
            int64_t rejected = 0, compared = 0;
            for (int64_t k = begin; k < end; ++k) {
                const uint32_t p = list ? (*list)[size_t(k)] : uint32_t(k);
                if (int64_t(p) >= best.load(std::memory_order_relaxed))
                    break;
                if (matches(p, c, at, rejected, compared)) {
                    int64_t seen = best.load(std::memory_order_relaxed);
                    while (p < seen && !best.compare_exchange_weak(seen, p, std::memory_order_relaxed)) {
                    }
                    break;
                }
            }
            rejectedAll += rejected, comparedAll += compared;
        });
        m_out.counters.prefilterRejected += rejectedAll.load();
        m_out.counters.fullCompares += comparedAll.load();
        return best.load() == INT64_MAX ? -1 : best.load();
    }

    const std::vector<SDL_Surface*>& m_frames;
    const FrameTileSettings& m_s;
    FrameTileAnalysis& m_out;
    TolerantCrew& m_crew;
    scene::PixelGroupIndex& m_groups; // pixel mode: unique tiles by their group keys
    UniqueRecords m_records;          // tolerant mode: one per unique tile
    ColourBuckets m_buckets;
    std::vector<uint32_t> m_lists;    // average mode: the first position of each bucket searched
    std::vector<uint32_t> m_gathered; // the current search when shared out
};

// Tolerant mode: fills ids (frame-major, one per raw tile) and the unique
// tiles. False when the progress hook asked to stop. The walk's time
// waiting for statistics counts as preparation.
bool deduplicateTolerant(const std::vector<SDL_Surface*>& frames, const FrameTileSettings& s,
                         FrameTileAnalysis& out, uint32_t* ids, const FrameTileProgress& progress)
{
    const int64_t total = out.rawTiles();
    TolerantCrew crew(total, std::min(total, kStatisticsSlice), std::max<int64_t>(kPixelsPerChunk / s.area(), 1));
    scene::PixelGroupIndex groups(s.tileWidth, s.tileHeight, s.averageMode ? -1 : s.maxDifferentPixels);
    Deduplicator dedup(frames, s, out, crew, groups);
    int columns[5], rows[5];
    blockBounds(s.tileWidth, columns), blockBounds(s.tileHeight, rows);
    std::vector<FrameTileCandidate> slots(size_t(crew.slice() * kSlicesAhead));
    // Pixel mode: each slot's group keys, made with its statistics.
    const size_t keysPerSlot = size_t(groups.groups());
    std::vector<uint32_t> keys(slots.size() * keysPerSlot);
    const auto prepare = [&](int64_t begin, int64_t end) {
        std::vector<uint32_t> tile(groups.usable() ? size_t(s.area()) : 0);
        TileCursor at(begin, out, s);
        for (int64_t k = begin; k < end; ++k, at.next()) {
            SDL_Surface* f = frames[size_t((*at).frame)];
            prepareCandidate(f, (*at).x, (*at).y, s, columns, rows, slots[crew.slotIndex(k)]);
            if (groups.usable())
                groups.keysOf(f, (*at).x, (*at).y, tile.data(), keys.data() + crew.slotIndex(k) * keysPerSlot);
        }
    };
    const auto walk = [&] {
        for (int64_t slice = 0, first = 0; first < total; ++slice, first += crew.slice()) {
            const Clock::time_point waited = Clock::now();
            crew.awaitSlice(slice, prepare);
            out.prepareMs += msSince(waited);
            const Clock::time_point walked = Clock::now();
            // Ids in order: a tile first seen takes the next one.
            TileCursor at(first, out, s);
            for (int64_t k = first; k < first + crew.countOf(slice); ++k, at.next()) {
                if (progress && !progress(double(k) / double(total)))
                    return false;
                // The index slots of a tile two ahead are asked for now, so
                // their misses overlap this tile's work.
                if (groups.usable() && k + 2 < first + crew.countOf(slice))
                    groups.prefetch(keys.data() + crew.slotIndex(k + 2) * keysPerSlot);
                const size_t slot = crew.slotIndex(k);
                ids[size_t(k)] = dedup.place(slots[slot], *at, keys.data() + slot * keysPerSlot);
            }
            out.dedupeMs += msSince(walked);
            crew.releaseSlice(slice);
        }
        return true;
    };
    bool done = false;
    std::exception_ptr failed; // an allocation of the walk's, thrown on outside the team
    scene::runTeam(teamFor(total * s.area(), kPixelsPerThread), [&](int t, int team) {
        if (t != 0) {
            crew.serve(prepare);
            return;
        }
        crew.setThreads(team);
        try {
            done = walk();
        } catch (...) {
            failed = std::current_exception();
        }
        crew.finish();
    });
    if (failed)
        std::rethrow_exception(failed);
    return done;
}

// Exact mode: fills ids and the unique tiles. Each slice is hashed and
// looked up by one team, which marks new and repeated tiles in the ids;
// then one team numbers them all. Threads meet at one barrier per slice
// and two in the numbering.
class ExactDeduplicator {
public:
    ExactDeduplicator(const std::vector<SDL_Surface*>& frames, const FrameTileSettings& s, FrameTileAnalysis& out,
                      uint32_t* ids)
        : m_frames(frames), m_s(s), m_out(out), m_ids(ids), m_slice(std::min(out.rawTiles(), kHashSlice)),
          m_hashes(uninitialised<XXH128_hash_t>(size_t(m_slice))), m_transparent(uninitialised<uint8_t>(size_t(m_slice))),
          m_index(omp_get_max_threads()), m_stride((size_t(s.area()) + 1023) / 1024 * 1024 + 1024),
          m_buffers(m_stride * size_t(omp_get_max_threads())), m_shares(size_t(omp_get_max_threads()))
    {
    }

    // False when the progress hook asked to stop.
    bool run(const FrameTileProgress& progress)
    {
        const int64_t total = m_out.rawTiles();
        for (int64_t first = 0; first < total; first += m_slice)
            if (!slice(first, std::min(m_slice, total - first), progress))
                return false;
        number();
        return true;
    }

private:
    // Each thread's count of new tiles in its share, a cache line apart so
    // counting threads do not contend.
    struct alignas(64) Share {
        size_t newTiles = 0;
    };

    bool slice(int64_t first, int64_t count, const FrameTileProgress& progress)
    {
        const int64_t total = m_out.rawTiles();
        if (progress && !progress(double(first) / double(total)))
            return false;
        const Clock::time_point start = Clock::now();
        // Whole tile rows where a row is short enough to report within:
        // threads cutting one row band read neighbouring bytes of the same
        // pixel rows, and each core's prefetcher fetches lines the other
        // reads (two threads hashed a third slower each).
        const int64_t wanted = std::min(std::max<int64_t>(kPixelsPerChunk / m_s.area(), 1), kExactTilesPerReport);
        const int64_t cols = m_out.cols;
        const int64_t chunk = cols <= kExactTilesPerReport ? std::max<int64_t>(wanted / cols, 1) * cols : wanted;
        std::atomic<int64_t> next{0};
        std::atomic<int> nextShard{0};
        bool stop = false; // written by the calling thread alone, read after the barrier
        Clock::time_point hashed = start;
        const int asked = teamFor(count * m_s.area(), kPixelsPerThread);
        TeamBarrier barrier(asked);
        scene::runTeam(asked, [&](int t, int team) {
            if (t == 0)
                barrier.fitTo(team);
            // Chunks are taken as threads come free, so one the system holds
            // up leaves its share to the others; the calling thread tells
            // the hook about every kExactTilesPerReport tiles taken.
            uint32_t* buffer = m_buffers.data() + m_stride * size_t(t);
            int64_t told = first / kExactTilesPerReport;
            for (int64_t begin; (begin = next.fetch_add(chunk, std::memory_order_relaxed)) < count;) {
                hashChunk(first, begin, std::min(count, begin + chunk), buffer);
                if (t == 0 && progress && (first + begin) / kExactTilesPerReport > told) {
                    told = (first + begin) / kExactTilesPerReport;
                    if (!progress(double(first + begin) / double(total))) {
                        stop = true;
                        next.store(count, std::memory_order_relaxed);
                    }
                }
            }
            barrier.wait();
            if (t == 0) {
                m_out.prepareMs += msSince(start);
                hashed = Clock::now();
            }
            if (!stop)
                m_index.lookUp(first, count, m_hashes.get(), m_transparent.get(), m_ids, nextShard);
        });
        m_out.dedupeMs += msSince(hashed);
        return !stop;
    }

    void hashChunk(int64_t first, int64_t begin, int64_t end, uint32_t* buffer)
    {
        TileCursor at(first + begin, m_out, m_s);
        for (int64_t k = begin; k < end; ++k, at.next()) {
            bool clear = false;
            m_hashes[size_t(k)] = hashTile(m_frames[size_t((*at).frame)], (*at).x, (*at).y, m_s, buffer, clear);
            m_transparent[size_t(k)] = clear;
            if (clear)
                m_ids[size_t(first + k)] = 0;
        }
    }

    // Ids in frame-major order: a new tile takes the next one, so each
    // thread's share starts after the new tiles of the shares before it;
    // then each repeat takes its first copy's.
    void number()
    {
        const Clock::time_point start = Clock::now();
        const int64_t total = m_out.rawTiles();
        m_out.unique.resize(m_index.distinct());
        std::fill(m_shares.begin(), m_shares.end(), Share());
        const int asked = teamFor(total, kNumberedPerThread);
        TeamBarrier barrier(asked);
        scene::runTeam(asked, [&](int t, int team) {
            if (t == 0)
                barrier.fitTo(team);
            int64_t begin = 0, end = 0;
            shareOf(total, team, t, begin, end);
            size_t mine = 0;
            for (int64_t i = begin; i < end; ++i)
                mine += m_ids[size_t(i)] == kNewTile ? 1 : 0;
            m_shares[size_t(t)].newTiles = mine;
            barrier.wait();
            size_t id = 0;
            for (int u = 0; u < t; ++u)
                id += m_shares[size_t(u)].newTiles;
            TileCursor at(begin, m_out, m_s);
            for (int64_t i = begin; i < end; ++i, at.next())
                if (m_ids[size_t(i)] == kNewTile) {
                    m_out.unique[id] = {(*at).frame, (*at).x, (*at).y};
                    m_ids[size_t(i)] = uint32_t(++id);
                }
            barrier.wait();
            for (int64_t i = begin; i < end; ++i)
                if (m_ids[size_t(i)] & kRepeatOf)
                    m_ids[size_t(i)] = m_ids[m_ids[size_t(i)] & ~kRepeatOf];
        });
        m_out.dedupeMs += msSince(start);
    }

    const std::vector<SDL_Surface*>& m_frames;
    const FrameTileSettings& m_s;
    FrameTileAnalysis& m_out;
    uint32_t* m_ids;
    const int64_t m_slice;
    const std::unique_ptr<XXH128_hash_t[]> m_hashes;
    const std::unique_ptr<uint8_t[]> m_transparent;
    ExactTiles m_index;
    // One tile buffer per thread, each starting a 4 KB page or more from the
    // others: threads writing into one page slowed each other down by half.
    const size_t m_stride;
    std::vector<uint32_t> m_buffers;
    std::vector<Share> m_shares;
};

// Static cells keep their one id; changing sequences get owners, shared
// by equal sequences, in the order cells first show them.
void buildAnimations(const uint32_t* ids, FrameTileAnalysis& out)
{
    const Clock::time_point start = Clock::now();
    const int64_t cells = out.cells();
    const uint32_t uniqueCount = uint32_t(out.unique.size());
    // Which cells change, frame by frame over the frame-major ids.
    std::vector<uint8_t> changes(size_t(cells), 0);
    for (int f = 1; f < out.frames; ++f) {
        const uint32_t* row = ids + size_t(f) * size_t(cells);
#pragma omp simd
        for (int64_t cell = 0; cell < cells; ++cell)
            changes[size_t(cell)] |= row[cell] != ids[size_t(cell)] ? 1 : 0;
    }
    out.cellIds.assign(ids, ids + cells);
    std::unordered_multimap<uint64_t, uint32_t> owners; // sequence hash -> owner position
    std::vector<uint32_t> sequence(size_t(out.frames));
    for (int64_t cell = 0; cell < cells; ++cell) {
        if (!changes[size_t(cell)])
            continue;
        ++out.animatedCells;
        for (int f = 0; f < out.frames; ++f)
            sequence[size_t(f)] = ids[size_t(int64_t(f) * cells + cell)];
        const uint64_t h = XXH3_64bits(sequence.data(), sequence.size() * 4);
        uint32_t owner = UINT32_MAX;
        for (auto [it, end] = owners.equal_range(h); it != end && owner == UINT32_MAX; ++it)
            if (out.owners[it->second].sequence == sequence)
                owner = it->second;
        if (owner == UINT32_MAX) {
            owner = uint32_t(out.owners.size());
            owners.emplace(h, owner);
            out.owners.push_back({int32_t(uniqueCount + owner + 1), sequence});
        }
        out.cellIds[size_t(cell)] = uint32_t(out.owners[owner].tileId);
    }
    out.animationsMs = msSince(start);
}

// The pixels of the last atlas handed back, for the next one: their pages
// are resident already, where fresh ones would each cost the system a
// fault and a clear (a quarter of a large conversion). Pixels more than
// twice the size asked for are freed instead, so a small atlas does not
// hold on to a large one's.
class KeptAtlas {
public:
    ~KeptAtlas() { SDL_SIMDFree(m_pixels); }
    // Pixels of at least bytes, or null when none fit.
    void* take(size_t bytes)
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        void* pixels = std::exchange(m_pixels, nullptr);
        const size_t capacity = std::exchange(m_capacity, 0);
        if (pixels && (capacity < bytes || capacity / 2 > bytes)) {
            SDL_SIMDFree(pixels);
            pixels = nullptr;
        }
        return pixels;
    }
    // Frees atlas, keeping its pixels when it owns them alone.
    void keep(SDL_Surface* atlas)
    {
        if (!atlas)
            return;
        const bool own = atlas->refcount == 1 && atlas->pixels && (atlas->flags & SDL_SIMD_ALIGNED) &&
                         !(atlas->flags & (SDL_PREALLOC | SDL_RLEACCEL));
        if (!own) {
            SDL_FreeSurface(atlas);
            return;
        }
        void* pixels = atlas->pixels;
        const size_t bytes = size_t(atlas->pitch) * size_t(atlas->h);
        atlas->flags = (atlas->flags & ~Uint32(SDL_SIMD_ALIGNED)) | SDL_PREALLOC; // the pixels stay
        SDL_FreeSurface(atlas);
        const std::lock_guard<std::mutex> lock(m_lock);
        SDL_SIMDFree(std::exchange(m_pixels, pixels));
        m_capacity = bytes;
    }

private:
    std::mutex m_lock;
    void* m_pixels = nullptr;
    size_t m_capacity = 0;
};

KeptAtlas g_keptAtlas;

// An ARGB8888 surface over uninitialised pixels that SDL_FreeSurface
// frees: SDL's own constructor zeroes every byte first on one thread, a
// pass the atlas copies make redundant.
SDL_Surface* newAtlasSurface(int width, int height)
{
    const int pitch = width * 4;
    const size_t bytes = size_t(pitch) * size_t(height);
    void* pixels = g_keptAtlas.take(bytes);
    if (!pixels) {
        pixels = SDL_SIMDAlloc(bytes);
#ifdef __linux__
        // Large pages where the system offers them: one fault per 2 MB
        // instead of per 4 KB.
        const uintptr_t huge = uintptr_t(1) << 21, begin = (uintptr_t(pixels) + huge - 1) & ~(huge - 1),
                        end = (uintptr_t(pixels) + bytes) & ~(huge - 1);
        if (pixels && end > begin)
            madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
    }
    if (!pixels)
        return nullptr;
    SDL_Surface* out = SDL_CreateRGBSurfaceWithFormatFrom(pixels, width, height, 32, pitch, SDL_PIXELFORMAT_ARGB8888);
    if (!out) {
        SDL_SIMDFree(pixels);
        return nullptr;
    }
    out->flags = (out->flags & ~Uint32(SDL_PREALLOC)) | SDL_SIMD_ALIGNED; // the surface owns the pixels now
    return out;
}

// Atlas slots of one atlas row whose sources lie side by side in one
// frame row (as unique tiles found in raster order mostly do), or empty
// slots: each pixel row of a run is one copy.
struct AtlasRun {
    const FrameTileSource* source; // the first slot's; null: empty slots
    int column, slots;
};

void atlasRunsOf(const FrameTileSource* const* band, int columns, int tileWidth, std::vector<AtlasRun>& runs)
{
    runs.clear();
    for (int column = 0; column < columns; ++column) {
        const FrameTileSource* src = band[column];
        if (!runs.empty()) {
            AtlasRun& run = runs.back();
            const FrameTileSource* from = run.source;
            if (from ? src && src->frame == from->frame && src->y == from->y &&
                           src->x == from->x + run.slots * tileWidth
                     : !src) {
                ++run.slots;
                continue;
            }
        }
        runs.push_back({src, column, 1});
    }
}

// Pixel row ly of every run into the atlas pixel row `to`.
void copyAtlasRow(const std::vector<SDL_Surface*>& frames, const std::vector<AtlasRun>& runs,
                  const FrameTileSettings& s, int ly, uint32_t* to)
{
    for (const AtlasRun& run : runs) {
        uint32_t* at = to + size_t(run.column) * size_t(s.tileWidth);
        const size_t count = size_t(run.slots) * size_t(s.tileWidth);
        if (!run.source) {
            std::fill_n(at, count, 0u);
            continue;
        }
        SDL_Surface* f = frames[size_t(run.source->frame)];
        const uint32_t* from = pixelRow(f, run.source->x, run.source->y + ly);
        // The run's next row, asked for now: short runs of many frame rows
        // are a pattern the hardware does not see coming.
        if (ly + 1 < s.tileHeight)
            for (size_t byte = 0; byte < count * 4; byte += 64)
                __builtin_prefetch(reinterpret_cast<const uint8_t*>(from) + f->pitch + byte);
        std::memcpy(at, from, count * 4);
    }
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
    // The largest sub-block: ceil(size / 4) pixels a side.
    const int64_t block = int64_t((std::max(tileWidth, 0) + 3) / 4) * ((std::max(tileHeight, 0) + 3) / 4);
    while ((block >> s.countShift) > 0xFFFF)
        ++s.countShift;
    while ((block * 255 >> s.sumShift) > 0xFFFF)
        ++s.sumShift;
    return s;
}

bool canFrameTileCandidatesMatch(const FrameTileCandidate& a, const FrameTileCandidate& b, const FrameTileSettings& s)
{
    if (a.transparent() || b.transparent())
        return a.transparent() && b.transparent();
    if (!s.averageMode)
        return true;
    if (a.opaqueCount != b.opaqueCount)
        return false;
    const int tolerance = s.averageError;
    if (a.opaqueCount == s.area() &&
        std::abs(a.avgR - b.avgR) + std::abs(a.avgG - b.avgG) + std::abs(a.avgB - b.avgB) > tolerance)
        return false;
    const int64_t limit = int64_t(tolerance) * s.area();
    int64_t total = 0;
    for (int k = 0; k < 16; ++k) {
        if (a.blockCount[k] != b.blockCount[k])
            return false;
        total += leastApart(a.blockSumR[k], b.blockSumR[k], s.sumShift) +
                 leastApart(a.blockSumG[k], b.blockSumG[k], s.sumShift) +
                 leastApart(a.blockSumB[k], b.blockSumB[k], s.sumShift);
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
    // The error only grows, and a differing alpha fails wherever it is, so
    // both are checked once a row, and each row is one branch-free loop.
    const int64_t limit = int64_t(tolerance) * width * height;
    int64_t total = 0;
    for (int ly = 0; ly < height; ++ly) {
        const uint32_t* ra = pixelRow(a, ax, ay + ly);
        const uint32_t* rb = pixelRow(b, bx, by + ly);
        // Runs of 65536 pixels at most, whose error fits 32 bits.
        for (int from = 0; from < width; from += 65536) {
            const int to = std::min(width, from + 65536);
            uint32_t alphas = 0, inRun = 0;
#pragma omp simd reduction(| : alphas) reduction(+ : inRun)
            for (int lx = from; lx < to; ++lx) {
                const uint32_t pa = ra[lx], pb = rb[lx];
                alphas |= (pa ^ pb) >> 24;
                const int error = std::abs(int((pa >> 16) & 0xFF) - int((pb >> 16) & 0xFF)) +
                                  std::abs(int((pa >> 8) & 0xFF) - int((pb >> 8) & 0xFF)) +
                                  std::abs(int(pa & 0xFF) - int(pb & 0xFF));
                inRun += opaque(pa) ? uint32_t(error) : 0u; // colour under alpha 0 does not count
            }
            if (alphas != 0 || (total += inRun) > limit)
                return false;
        }
    }
    return true;
}

int analyzeFrameTiles(const std::vector<SDL_Surface*>& frames, const FrameTileSettings& settings,
                      FrameTileAnalysis& out, const FrameTileProgress& progress)
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
        const auto ids = uninitialised<uint32_t>(size_t(out.rawTiles()));
        const bool done = settings.exact() ? ExactDeduplicator(frames, settings, out, ids.get()).run(progress)
                                           : deduplicateTolerant(frames, settings, out, ids.get(), progress);
        if (!done) {
            const int cols = out.cols, rows = out.rows, count = out.frames;
            out = FrameTileAnalysis();
            out.cols = cols, out.rows = rows, out.frames = count;
            return RC_CANCELLED;
        }
        buildAnimations(ids.get(), out);
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
                        const FrameTileSettings& s, SDL_Surface*& atlas, const FrameTileProgress& progress)
{
    atlas = nullptr;
    int columns = 0, rows = 0;
    frameTileAtlasGrid(analysis.finalTiles() + (analysis.clearTileId() ? 1 : 0), columns, rows);
    if (columns < 1)
        return RC_ERR_NO_MEMORY;
    if (int64_t(columns) * s.tileWidth > kMaxFrameTileAtlasSide || int64_t(rows) * s.tileHeight > kMaxFrameTileAtlasSide)
        return RC_ERR_TOO_LARGE;
    // Slot t - 1 shows tile id t: unique tiles, then each owner's still
    // (its first non-empty tile); null for an empty slot.
    const size_t uniqueCount = analysis.unique.size();
    std::vector<const FrameTileSource*> sources(size_t(columns) * size_t(rows), nullptr);
    for (size_t p = 0; p < uniqueCount; ++p)
        sources[p] = &analysis.unique[p];
    for (const FrameAnimationOwner& owner : analysis.owners) {
        auto still = std::find_if(owner.sequence.begin(), owner.sequence.end(), [](uint32_t id) { return id != 0; });
        if (still != owner.sequence.end() && *still <= uniqueCount && owner.tileId >= 1 &&
            size_t(owner.tileId) <= sources.size())
            sources[size_t(owner.tileId) - 1] = &analysis.unique[*still - 1];
    }
    for (const FrameTileSource* src : sources)
        if (src && (src->frame < 0 || size_t(src->frame) >= frames.size() || !frames[size_t(src->frame)]))
            return RC_ERR_INVALID;
    SDL_Surface* out = newAtlasSurface(columns * s.tileWidth, rows * s.tileHeight);
    if (!out)
        return RC_ERR_NO_MEMORY;
    // Rows copied as they are (frames and atlas are both ARGB8888): no
    // blending, so semi-transparent pixels keep their values. Each fresh
    // page costs the system a fault and a clear, most of the copy's time.
    // Threads take the pixel rows that start in one large page at a time,
    // so each clears pages of its own and none waits on a page another is
    // clearing (takes of whole tile rows shared a page at each end); one
    // held up by the system leaves the rest to the others.
    uint8_t* const bytes = static_cast<uint8_t*>(out->pixels);
    const size_t pitch = size_t(out->pitch);
    const int height = out->h;
    const uintptr_t firstPage = uintptr_t(bytes) / kAtlasBytesPerTake;
    const int takes = int((uintptr_t(bytes) + pitch * size_t(height) - 1) / kAtlasBytesPerTake - firstPage) + 1;
    // The first pixel row starting in take k's page.
    const auto firstRowOf = [&](int k) {
        if (k <= 0)
            return 0;
        const size_t from = (firstPage + size_t(k)) * kAtlasBytesPerTake - uintptr_t(bytes);
        return int(std::min<size_t>((from + pitch - 1) / pitch, size_t(height)));
    };
    // Pixel rows between reports to the progress hook, which the calling
    // thread tells as its takes pass them.
    const int64_t bandRows = std::max<int64_t>(kAtlasPixelsPerReport / out->w, 1);
    if (progress && !progress(0.0)) {
        SDL_FreeSurface(out);
        return RC_CANCELLED;
    }
    std::atomic<int> next{0};
    bool stop = false; // written by the calling thread alone
    scene::runTeam(std::min(takes, teamFor(int64_t(out->w) * height, kPixelsPerThread)), [&](int t, int) {
        const bool calling = t == 0;
        int64_t told = 0;
        std::vector<AtlasRun> runs;
        for (int take; (take = next.fetch_add(1, std::memory_order_relaxed)) < takes;) {
            const int first = firstRowOf(take), last = firstRowOf(take + 1);
            if (calling && progress && first / bandRows > told) {
                told = first / bandRows;
                if (!progress(double(first) / double(height))) {
                    stop = true;
                    next.store(takes, std::memory_order_relaxed);
                    break;
                }
            }
            for (int y = first, tileRow = -1; y < last; ++y) {
                if (y / s.tileHeight != tileRow) {
                    tileRow = y / s.tileHeight;
                    atlasRunsOf(sources.data() + size_t(tileRow) * size_t(columns), columns, s.tileWidth, runs);
                }
                copyAtlasRow(frames, runs, s, y % s.tileHeight, reinterpret_cast<uint32_t*>(bytes + size_t(y) * pitch));
            }
        }
    });
    if (stop) {
        g_keptAtlas.keep(out);
        return RC_CANCELLED;
    }
    atlas = out;
    return RC_OK;
}

void releaseFrameTileAtlas(SDL_Surface* atlas) { g_keptAtlas.keep(atlas); }

} // namespace Zelkoran
