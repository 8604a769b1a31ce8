// Archive speed against the least work that gives the same result, in one
// run:
//  - opening archives of 100 000 and 1 000 000 blocks (time, and the
//    resident memory the open archive holds per entry);
//  - opening an archive of 100 000 blocks with an encrypted index and its
//    key, against the key derivation alone (the cost every keyed open pays);
//  - adding 1 KiB, 64 KiB and 16 MiB blocks in each storage mode (raw, zlib,
//    AES-256-GCM) against encoding the same bytes the same way (nothing,
//    zlib at the archive's level, the archive's cipher) and appending them
//    to one open file; durable runs flush the device once per add on the
//    baseline side, "nosync" runs flush on neither side;
//  - loading 1 KiB, 64 KiB and 16 MiB blocks in each mode from many distinct
//    blocks (20 000 of 1 KiB, 256 MiB of the larger ones) in shuffled order,
//    against the least a load can do with the same stored bytes kept in a
//    plain file at the same offsets: raw, `pread` into a new buffer; zlib, `pread` into a reused
//    buffer and inflate into a new one; AES, `preadv` of the nonce and tag
//    beside the ciphertext read straight into a new buffer, decrypted there
//    in place. Both sides take turns on the same short runs of blocks, round
//    after round in this one process; wall and CPU time are reported. At
//    1 KiB a third side loads the same blocks from an archive whose index is
//    encrypted (keyed digests for raw and zlib blocks);
//  - defragmenting a large archive against a durable copy of the file.
//
// Files go to a fresh folder per run inside SKARDEN_BENCH_DIR (default: the
// system temp folder), removed at the end.
// SKARDEN_BENCH_DEFRAG_MIB: archive size for the defrag run (default 1024).
#include "BenchDir.h"
#include "archive/ArchiveCrypto.h"
#include "archive/ArchiveFile.h"
#include "core/FileIO.h"
#include "ResidentMemory.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>

#include <benchmark/benchmark.h>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {

using Zelkoran::Archive;
namespace za = Zelkoran::archive;

Zelkoran::ArchiveMgr* mgr() { return Zelkoran::Main::instance()->archiveMgr(); }

// Half random, half repeated text: compresses about 2:1 like typical assets.
std::vector<uint8_t> payload(size_t size)
{
    std::vector<uint8_t> out(size);
    std::mt19937 gen(static_cast<uint32_t>(size));
    const char* text = "<tile id=\"12\" gid=\"4\"/>";
    for (size_t i = 0; i < size; ++i)
        out[i] = (i / 64) % 2 ? static_cast<uint8_t>(gen()) : static_cast<uint8_t>(text[i % 23]);
    return out;
}

int addBlock(Archive* a, const std::string& name, const std::vector<uint8_t>& data, uint32_t mode)
{
    Archive::Block b(name.c_str(), "ZK7_FILE");
    b.storage = mode;
    b.data = const_cast<uint8_t*>(data.data());
    b.size = data.size();
    return a->blockAdd(b);
}

// ---------------------------------------------------------------- open

std::string openFixture(int blocks)
{
    std::string path = bench::benchDir() + "/open" + std::to_string(blocks) + ".qel";
    if (std::filesystem::exists(path))
        return path;
    Zelkoran::setDeviceSync(false);
    int id = mgr()->create(path.c_str(), blocks);
    Archive* a = mgr()->get(id);
    std::vector<uint8_t> data(48, 'x');
    for (int i = 0; i < blocks; ++i)
        addBlock(a, "block_" + std::to_string(i), data, 1);
    mgr()->close(id);
    Zelkoran::setDeviceSync(true);
    return path;
}

// Time to open, and the resident memory the open archive holds per entry.
void BM_Open(benchmark::State& state)
{
    const int blocks = static_cast<int>(state.range(0));
    std::string path = openFixture(blocks);
    size_t held = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const size_t before = bench::settledResidentBytes();
        state.ResumeTiming();
        int id = mgr()->load(path.c_str(), nullptr, 0);
        if (id <= 0) {
            state.SkipWithError("open failed");
            return;
        }
        state.PauseTiming();
        held = bench::residentBytes() - before;
        benchmark::DoNotOptimize(mgr()->get(id)->getBlockCount());
        mgr()->close(id);
        state.ResumeTiming();
    }
    state.counters["rss_MiB"] = static_cast<double>(held) / (1 << 20);
    state.counters["B_per_entry"] = static_cast<double>(held) / blocks;
}
BENCHMARK(BM_Open)
    ->Apply([](benchmark::internal::Benchmark* b) {
        for (int64_t blocks : bench::scaled<std::vector<int64_t>>({100000, 1000000}, {1000}))
            b->Arg(blocks);
    })
    ->Unit(benchmark::kMillisecond)
    ->MinTime(bench::scaled(2.0, 0.01));

// ---------------------------------------------------------------- open with a key

const std::string kBenchKey = "bench key";

std::string keyedOpenFixture(int blocks)
{
    std::string path = bench::benchDir() + "/keyed" + std::to_string(blocks) + ".qel";
    if (std::filesystem::exists(path))
        return path;
    Zelkoran::setDeviceSync(false);
    int id = mgr()->create(path.c_str(), blocks);
    Archive* a = mgr()->get(id);
    a->setKey(kBenchKey.data(), static_cast<int>(kBenchKey.size()));
    std::vector<uint8_t> data(48, 'x');
    for (int i = 0; i < blocks; ++i)
        addBlock(a, "block_" + std::to_string(i), data, 1);
    a->encrypt();
    mgr()->close(id);
    Zelkoran::setDeviceSync(true);
    return path;
}

// Each close wipes the kept derivation, so every open derives the key.
void BM_OpenKeyed(benchmark::State& state)
{
    std::string path = keyedOpenFixture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        int id = mgr()->load(path.c_str(), kBenchKey.data(), static_cast<int>(kBenchKey.size()));
        if (id <= 0) {
            state.SkipWithError("open failed");
            return;
        }
        mgr()->close(id);
    }
}
BENCHMARK(BM_OpenKeyed)->Arg(bench::scaled(100000, 1000))->Unit(benchmark::kMillisecond)->MinTime(bench::scaled(2.0, 0.01));

// The derivation a new key gets (scrypt at the default cost).
void BM_DeriveKey(benchmark::State& state)
{
    const uint8_t salt[za::kSaltSize] = {1};
    for (auto _ : state) {
        za::ArchiveKey key;
        if (!key.derive(kBenchKey.data(), static_cast<int>(kBenchKey.size()), salt, za::KdfParams{})) {
            state.SkipWithError("derivation failed");
            return;
        }
        za::forgetDerivations();
    }
}
BENCHMARK(BM_DeriveKey)->Unit(benchmark::kMillisecond)->MinTime(bench::scaled(2.0, 0.01));

// ---------------------------------------------------------------- add / load

struct SyncScope {
    explicit SyncScope(bool on) { Zelkoran::setDeviceSync(on); }
    ~SyncScope() { Zelkoran::setDeviceSync(true); }
};

const char kAad[16] = "ZK7_FILE";

// A key derived once, for the baselines that seal and open alone.
const za::ArchiveKey& baselineKey()
{
    static za::ArchiveKey key;
    static const bool derived = [] {
        uint8_t salt[za::kSaltSize] = {};
        return key.derive("bench-key", 9, salt, za::KdfParams{});
    }();
    (void)derived;
    return key;
}

// The bytes a block of size is stored as in mode (1 raw, 2 zlib, 3 AES).
std::vector<uint8_t> encoded(const std::vector<uint8_t>& data, int mode)
{
    if (mode == 1)
        return data;
    if (mode == 2) {
        uLongf length = compressBound(static_cast<uLong>(data.size()));
        std::vector<uint8_t> packed(length);
        compress2(packed.data(), &length, data.data(), static_cast<uLong>(data.size()), Z_BEST_SPEED);
        packed.resize(length);
        return packed;
    }
    std::vector<uint8_t> sealed(data.size() + za::kSealOverhead);
    baselineKey().seal(kAad, sizeof kAad, data.data(), data.size(), sealed.data());
    return sealed;
}

void BM_ArchiveAdd(benchmark::State& state)
{
    size_t size = static_cast<size_t>(state.range(0));
    uint32_t mode = static_cast<uint32_t>(state.range(1));
    SyncScope sync(state.range(2) != 0);
    std::string path = bench::benchDir() + "/add.qel";
    int id = mgr()->create(path.c_str(), 1 << 20);
    Archive* a = mgr()->get(id);
    a->setKey("bench-key", 9);
    std::vector<uint8_t> data = payload(size);
    int i = 0;
    for (auto _ : state)
        if (addBlock(a, "b" + std::to_string(i++), data, mode) != 0)
            state.SkipWithError("add failed");
    mgr()->close(id);
    std::remove(path.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// The least an add can do: encode the block as the mode stores it and append
// it to one open file (flushed to the device when durable), as the archive
// appends every added block to its one file.
void BM_BaselineWrite(benchmark::State& state)
{
    size_t size = static_cast<size_t>(state.range(0));
    int mode = static_cast<int>(state.range(1));
    bool sync = state.range(2) != 0;
    std::string path = bench::benchDir() + "/plain-write.bin";
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<uint8_t> data = payload(size);
    off_t at = 0;
    for (auto _ : state) {
        std::vector<uint8_t> bytes = encoded(data, mode);
        if (::pwrite(fd, bytes.data(), bytes.size(), at) != static_cast<ssize_t>(bytes.size()))
            state.SkipWithError("write failed");
        at += static_cast<off_t>(bytes.size());
        if (sync)
            ::fdatasync(fd);
    }
    ::close(fd);
    std::remove(path.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// ---------------------------------------------------------------- load

double wallSeconds() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// How many distinct blocks a load run reads: far more than the caches hold.
size_t loadBlocks(size_t size)
{
    if (bench::smoke())
        return 64;
    return size <= 1024 ? 20000 : std::max<size_t>(16, (size_t(256) << 20) / size);
}

// The blocks of a load run, stored three ways: in an archive with a plain
// index, (when asked) in one with an encrypted index, and their stored
// bytes in a plain file for the baseline, each at the offset the archive
// gave it (blocks that cross a page boundary there cross one here too).
// The archives are closed once built and opened again, as an editor finds them.
class LoadSet {
public:
    LoadSet(size_t size, int mode, bool encryptedIndex) : m_size(size), m_mode(mode)
    {
        SyncScope sync(false);
        for (size_t i = 0; i < loadBlocks(size); ++i)
            m_names.push_back("b" + std::to_string(i));
        const std::string plainPath = bench::benchDir() + "/load-plain.qel";
        const std::string encryptedPath = bench::benchDir() + "/load-encrypted.qel";
        build(plainPath, false);
        if (encryptedIndex)
            build(encryptedPath, true);
        writeBaseline(plainPath, bench::benchDir() + "/load-baseline.bin");
        m_plain = reopen(plainPath);
        if (encryptedIndex)
            m_encrypted = reopen(encryptedPath);
        m_readBuffer.resize(m_largestStored);
    }
    ~LoadSet()
    {
        ::close(m_fd);
        for (int id : m_ids)
            mgr()->close(id);
    }
    LoadSet(const LoadSet&) = delete;
    LoadSet& operator=(const LoadSet&) = delete;

    bool ready() const { return !m_failed && m_fd >= 0; }
    size_t count() const { return m_names.size(); }
    bool hasEncryptedIndex() const { return m_encrypted != nullptr; }

    // The baseline: the least work that gives block i's bytes.
    bool read(size_t i)
    {
        const auto [offset, length] = m_stored[i];
        auto* out = static_cast<uint8_t*>(std::malloc(m_size));
        bool ok = false;
        if (m_mode == 1) {
            ok = ::pread(m_fd, out, length, static_cast<off_t>(offset)) == static_cast<ssize_t>(length);
        } else if (m_mode == 2) {
            uLongf inflated = static_cast<uLongf>(m_size);
            ok = ::pread(m_fd, m_readBuffer.data(), length, static_cast<off_t>(offset)) == static_cast<ssize_t>(length)
                 && uncompress(out, &inflated, m_readBuffer.data(), static_cast<uLong>(length)) == Z_OK
                 && inflated == m_size;
        } else {
            uint8_t nonce[za::kNonceSize];
            uint8_t tag[za::kTagSize];
            iovec parts[3] = {{nonce, sizeof nonce}, {out, m_size}, {tag, sizeof tag}};
            ok = ::preadv(m_fd, parts, 3, static_cast<off_t>(offset)) == static_cast<ssize_t>(length)
                 && baselineKey().openParts(kAad, sizeof kAad, nonce, out, m_size, tag, out);
        }
        benchmark::DoNotOptimize(out);
        std::free(out);
        return ok;
    }
    // The archive's load of block i, from the plain or the encrypted index.
    bool load(size_t i, bool encryptedIndex)
    {
        Archive* a = encryptedIndex ? m_encrypted : m_plain;
        // The name is made as a caller makes it, not fetched from a table
        // of 20 000 names (a cache miss the baseline would not pay).
        char name[24] = "b";
        *std::to_chars(name + 1, name + sizeof name - 1, i).ptr = '\0';
        Archive::Block b(name, "ZK7_FILE");
        const bool ok = a->blockLoad(b) == 0 && b.size == m_size;
        benchmark::DoNotOptimize(b.data);
        a->blockFree(b);
        return ok;
    }

private:
    // Block i's bytes: they differ from every other block's.
    std::vector<uint8_t> blockData(size_t i) const
    {
        std::vector<uint8_t> data = payload(m_size);
        std::memcpy(data.data(), &i, sizeof i);
        return data;
    }
    void build(const std::string& path, bool encryptedIndex)
    {
        const int id = mgr()->create(path.c_str(), static_cast<int>(m_names.size()) + 16);
        Archive* a = mgr()->get(id);
        m_failed = m_failed || !a || a->setKey("bench-key", 9) != 0 || (encryptedIndex && a->encrypt() != 0);
        for (size_t i = 0; a && i < m_names.size(); ++i)
            m_failed = m_failed || addBlock(a, m_names[i], blockData(i), static_cast<uint32_t>(m_mode)) != 0;
        mgr()->close(id);
    }
    void writeBaseline(const std::string& archivePath, const std::string& path)
    {
        std::unique_ptr<za::ArchiveFile> file;
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (m_fd < 0 || za::ArchiveFile::open(archivePath.c_str(), "bench-key", 9, file) != 0) {
            m_failed = true;
            return;
        }
        for (size_t i = 0; i < m_names.size(); ++i) {
            za::Entry e;
            const std::vector<uint8_t> stored = encoded(blockData(i), m_mode);
            if (!file->entry(file->find(m_names[i].c_str(), "ZK7_FILE"), e)
                || ::pwrite(m_fd, stored.data(), stored.size(), static_cast<off_t>(e.offset))
                       != static_cast<ssize_t>(stored.size())) {
                m_failed = true;
                return;
            }
            m_stored.push_back({e.offset, stored.size()});
            m_largestStored = std::max(m_largestStored, stored.size());
        }
    }
    Archive* reopen(const std::string& path)
    {
        const int id = mgr()->load(path.c_str(), "bench-key", 9);
        m_failed = m_failed || id <= 0;
        if (id > 0)
            m_ids.push_back(id);
        return mgr()->get(id);
    }

    size_t m_size;
    int m_mode;
    std::vector<int> m_ids;
    Archive* m_plain = nullptr;
    Archive* m_encrypted = nullptr;
    std::vector<std::string> m_names;
    std::vector<std::pair<uint64_t, size_t>> m_stored; // offset and length in the baseline's file
    size_t m_largestStored = 0;
    std::vector<uint8_t> m_readBuffer;
    int m_fd = -1;
    bool m_failed = false;
};

// Arguments: size, mode. Each iteration is one round over every block in
// a fresh shuffled order, taken in runs of about 256 KiB; on each run the
// sides take turns, the one to start rotating from run to run, so none is
// favoured by what the other left in the caches. The manual time is the
// archive's; the counters hold the ratios (baseline over archive; encrypted
// over plain index) of wall and CPU time summed over all rounds.
void BM_ArchiveLoad(benchmark::State& state)
{
    const auto size = static_cast<size_t>(state.range(0));
    const int mode = static_cast<int>(state.range(1));
    LoadSet set(size, mode, size <= 1024);
    if (!set.ready()) {
        state.SkipWithError("load set not built");
        return;
    }
    const int sides = set.hasEncryptedIndex() ? 3 : 2; // baseline, archive, archive with an encrypted index
    std::vector<double> wall(sides), cpu(sides);
    std::vector<size_t> order(set.count());
    std::iota(order.begin(), order.end(), size_t(0));
    std::mt19937 gen(7);
    const size_t run = std::max<size_t>(1, (size_t(256) << 10) / size);
    size_t turn = 0;
    for (auto _ : state) {
        std::shuffle(order.begin(), order.end(), gen);
        double archiveWall = 0;
        for (size_t first = 0; first < order.size(); first += run, ++turn) {
            const size_t last = std::min(order.size(), first + run);
            for (int k = 0; k < sides; ++k) {
                const int side = static_cast<int>((turn + static_cast<size_t>(k)) % static_cast<size_t>(sides));
                bool ok = true;
                const double w = wallSeconds(), c = cpuSeconds();
                for (size_t at = first; at < last; ++at)
                    ok &= side == 0 ? set.read(order[at]) : set.load(order[at], side == 2);
                const double tookCpu = cpuSeconds() - c, tookWall = wallSeconds() - w;
                wall[side] += tookWall;
                cpu[side] += tookCpu;
                if (side == 1)
                    archiveWall += tookWall;
                if (!ok) {
                    state.SkipWithError(side == 0 ? "baseline read failed" : "load failed");
                    return;
                }
            }
        }
        state.SetIterationTime(archiveWall);
    }
    const double loads = static_cast<double>(state.iterations() * set.count());
    state.counters["base_us"] = wall[0] * 1e6 / loads;
    state.counters["archive_us"] = wall[1] * 1e6 / loads;
    state.counters["wall_ratio"] = wall[0] / wall[1];
    state.counters["cpu_ratio"] = cpu[0] / cpu[1];
    if (sides == 3) {
        state.counters["encidx_us"] = wall[2] * 1e6 / loads;
        state.counters["encidx_wall_x"] = wall[2] / wall[1];
        state.counters["encidx_cpu_x"] = cpu[2] / cpu[1];
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * set.count() * size));
}

std::vector<int64_t> sizes() { return bench::scaled<std::vector<int64_t>>({1 << 10, 64 << 10, 16 << 20}, {1 << 10}); }

// Each archive run comes right after its baseline, so both see the same
// machine: the page cache and the device drift over a long run.
void registerAddAndLoad()
{
    using benchmark::RegisterBenchmark;
    for (int64_t size : sizes()) {
        for (int64_t sync : {1, 0})
            for (int64_t mode : {1, 2, 3}) {
                RegisterBenchmark("BM_BaselineWrite", BM_BaselineWrite)->Args({size, mode, sync})->Unit(benchmark::kMicrosecond);
                RegisterBenchmark("BM_ArchiveAdd", BM_ArchiveAdd)->Args({size, mode, sync})->Unit(benchmark::kMicrosecond);
            }
        for (int64_t mode : {1, 2, 3})
            RegisterBenchmark("BM_ArchiveLoad", BM_ArchiveLoad)
                ->Args({size, mode})
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(bench::scaled(size <= 1024 ? 20 : 6, 1));
    }
}

// ---------------------------------------------------------------- defrag

std::string defragSource()
{
    const char* env = std::getenv("SKARDEN_BENCH_DEFRAG_MIB");
    size_t mib = env ? std::strtoul(env, nullptr, 10) : bench::scaled<size_t>(1024, 4);
    std::string path = bench::benchDir() + "/defrag-" + std::to_string(mib) + ".qel";
    if (std::filesystem::exists(path))
        return path;
    Zelkoran::setDeviceSync(false);
    int id = mgr()->create(path.c_str(), 100000);
    Archive* a = mgr()->get(id);
    std::vector<uint8_t> data = payload(1 << 20);
    for (size_t i = 0; i < mib; ++i) {
        data[0] = static_cast<uint8_t>(i);
        addBlock(a, "b" + std::to_string(i), data, 1);
        if (i % 10 == 0)
            a->blockDelete(Archive::Block(("b" + std::to_string(i)).c_str(), "ZK7_FILE"));
    }
    mgr()->close(id);
    Zelkoran::setDeviceSync(true);
    return path;
}

void BM_Defrag(benchmark::State& state)
{
    std::string source = defragSource();
    std::string work = bench::benchDir() + "/defrag-work.qel";
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::copy_file(source, work, std::filesystem::copy_options::overwrite_existing);
        // The copy's dirty pages are the setup's, not the defrag's to flush.
        int fd = ::open(work.c_str(), O_RDONLY);
        ::fdatasync(fd);
        ::close(fd);
        state.ResumeTiming();
        if (mgr()->defrag(work.c_str(), 0, nullptr, 0) != 0)
            state.SkipWithError("defrag failed");
    }
    std::remove(work.c_str());
}
BENCHMARK(BM_Defrag)->Unit(benchmark::kMillisecond)->Iterations(bench::scaled(3, 1));

// Defragmenting an archive of 1 000 000 entries: the peak resident memory
// it adds (the index is streamed, not built whole in memory).
void BM_Defrag1M(benchmark::State& state)
{
    const std::string source = openFixture(bench::scaled(1000000, 1000));
    const std::string work = bench::benchDir() + "/defrag1m-work.qel";
    size_t peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::copy_file(source, work, std::filesystem::copy_options::overwrite_existing);
        const size_t before = bench::settledResidentBytes();
        bench::resetPeak();
        state.ResumeTiming();
        if (mgr()->defrag(work.c_str(), 0, nullptr, 0) != 0)
            state.SkipWithError("defrag failed");
        state.PauseTiming();
        peak = bench::peakResidentBytes() - before;
        state.ResumeTiming();
    }
    std::remove(work.c_str());
    state.counters["peak_MiB"] = static_cast<double>(peak) / (1 << 20);
}
BENCHMARK(BM_Defrag1M)->Unit(benchmark::kMillisecond)->Iterations(bench::scaled(2, 1));

// The size of an archive of 100 000 to 1 000 000 blocks (the smoke run:
// 100 000) added one by one against the same archive defragmented: what
// index growth leaves behind.
void BM_FileSizeBuiltOneByOne(benchmark::State& state)
{
    const std::string source = openFixture(static_cast<int>(state.range(0)));
    const std::string work = bench::benchDir() + "/size-work.qel";
    double built = 0, packed = 0;
    for (auto _ : state) {
        std::filesystem::copy_file(source, work, std::filesystem::copy_options::overwrite_existing);
        built = static_cast<double>(std::filesystem::file_size(work));
        if (mgr()->defrag(work.c_str(), 0, nullptr, 0) != 0)
            state.SkipWithError("defrag failed");
        packed = static_cast<double>(std::filesystem::file_size(work));
    }
    std::remove(work.c_str());
    state.counters["built_MiB"] = built / (1 << 20);
    state.counters["defragged_MiB"] = packed / (1 << 20);
    state.counters["ratio"] = packed > 0 ? built / packed : 0;
}
BENCHMARK(BM_FileSizeBuiltOneByOne)
    ->Apply([](benchmark::internal::Benchmark* b) {
        for (int64_t blocks : bench::scaled<std::vector<int64_t>>({100000, 500000, 1000000}, {100000}))
            b->Arg(blocks);
    })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The baseline: a durable copy of the same file.
void BM_CopyFile(benchmark::State& state)
{
    std::string source = defragSource();
    std::string work = bench::benchDir() + "/copy-work.qel";
    for (auto _ : state) {
        std::filesystem::copy_file(source, work, std::filesystem::copy_options::overwrite_existing);
        int fd = ::open(work.c_str(), O_RDONLY);
        ::fdatasync(fd);
        ::close(fd);
    }
    std::remove(work.c_str());
}
BENCHMARK(BM_CopyFile)->Unit(benchmark::kMillisecond)->Iterations(bench::scaled(3, 1));

// ---------------------------------------------------------------- ratios

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                std::string name = run.benchmark_name();
                for (const char* option : {"/min_time:", "/iterations:"})
                    if (size_t at = name.find(option); at != std::string::npos)
                        name.resize(at);
                times[name] = run.GetAdjustedRealTime();
                for (const auto& [counter, value] : run.counters)
                    counters[name][counter] = value.value;
            }
    }
    std::map<std::string, double> times;
    std::map<std::string, std::map<std::string, double>> counters;
};

// The baselines' summed time over the measured one; 0 when one was not run.
double ratio(const std::map<std::string, double>& t, std::initializer_list<std::string> baselines,
             const std::string& measured)
{
    auto m = t.find(measured);
    if (m == t.end() || m->second <= 0)
        return 0.0;
    double sum = 0;
    for (const std::string& baseline : baselines) {
        auto b = t.find(baseline);
        if (b == t.end())
            return 0.0;
        sum += b->second;
    }
    return sum / m->second;
}

// A counter of run; 0 when it was not run or has no such counter.
double counter(const std::map<std::string, std::map<std::string, double>>& c, const std::string& run,
               const std::string& name)
{
    const auto r = c.find(run);
    if (r == c.end())
        return 0.0;
    const auto v = r->second.find(name);
    return v == r->second.end() ? 0.0 : v->second;
}

void printRatios(const std::map<std::string, double>& t, const std::map<std::string, std::map<std::string, double>>& c)
{
    std::printf("\nRatios (baseline time / archive time; 1.0 = as fast as the baseline; loads: the archive's\n"
                "time with an encrypted index over its time with a plain one in brackets)\n");
    const char* modes[] = {"", "raw", "zlib", "aes"};
    for (int64_t size : sizes()) {
        const std::string s = std::to_string(size);
        for (int sync : {1, 0}) {
            std::printf("%9s B %s add:", s.c_str(), sync ? "durable" : "nosync ");
            for (int mode = 1; mode <= 3; ++mode) {
                const std::string args = "/" + s + "/" + std::to_string(mode) + "/" + std::to_string(sync);
                std::printf("  %s %.2f", modes[mode], ratio(t, {"BM_BaselineWrite" + args}, "BM_ArchiveAdd" + args));
            }
            std::printf("\n");
        }
        for (const char* kind : {"wall", "cpu"}) {
            std::printf("%9s B load (%-4s):  ", s.c_str(), kind);
            for (int mode = 1; mode <= 3; ++mode) {
                const std::string run = "BM_ArchiveLoad/" + s + "/" + std::to_string(mode);
                std::printf("  %s %.2f", modes[mode], counter(c, run, std::string(kind) + "_ratio"));
                if (const double x = counter(c, run, std::string("encidx_") + kind + "_x"); x > 0)
                    std::printf(" (encrypted index %.2fx)", x);
            }
            std::printf("\n");
        }
    }
    for (const auto& [name, time] : t)
        if (name.rfind("BM_Open/", 0) == 0)
            std::printf("%s: %.1f ms\n", name.c_str(), time);
    std::printf("defrag vs durable copy: %.2f\n", ratio(t, {"BM_CopyFile"}, "BM_Defrag"));
    for (const auto& [name, time] : t)
        if (name.rfind("BM_OpenKeyed/", 0) == 0)
            std::printf("%s: %.1f ms; key derivation alone vs this open: %.2f\n", name.c_str(), time,
                        ratio(t, {"BM_DeriveKey"}, name));
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    registerAddAndLoad();
    baselineKey(); // derived before any timing, as the archive's key is
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter.times, reporter.counters);
    benchmark::Shutdown();
    Zelkoran::Main::terminate();
    return 0;
}
