// QELv1 to QELv2 upgrade of an archive of raw, compressed and encrypted
// blocks (a third each), against the least work that gives the same file,
// measured in the same iteration: one streaming pass that reads each block
// from the old file, decodes it (inflate, AES), checks its XXH32, encodes it
// as the new archive stores it (a compressed stream as it is; a block kept
// encrypted sealed with the new key) and appends it to one output file,
// padded to the upgraded size and synced once at the end. Writes overlap
// the work on both sides alike (the page cache flushes in the background).
// With policy 1 the upgrade also derives the new archive's key, a price
// paid on purpose: the derivation is timed alone in the same iteration and
// left out of both sides (kdf_s).
// ratio = baseline time / upgrade time; the target is at least 0.6.
//
// SKARDEN_UPGRADE_BENCH_MIB sets the archive's data size in MiB (default 32;
// the reference run uses 500). Argument: 1 keeps the encrypted blocks
// encrypted, 2 stores them raw.
//
// Also: what the legacy-block scan adds to opening an archive of 400 image
// blocks of 1 MiB (raw, then zlib) that holds no legacy block, against the
// open alone; the target is under 5 ms.
#include "BenchDir.h"
#include "archive/ArchiveCrypto.h"
#include "import/legacy/LegacyQELUpgrade.h"
#include "import/legacy/QELv1Writer.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Internal.h>
#include <Zelkoran/Main.h>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr size_t kBlockSize = 512 * 1024;
const std::string kKey = "benchmark key";

size_t archiveMiB()
{
    const char* value = std::getenv("SKARDEN_UPGRADE_BENCH_MIB");
    const long mib = value ? std::strtol(value, nullptr, 10) : 0;
    return mib > 0 ? static_cast<size_t>(mib) : bench::scaled<size_t>(32, 2);
}

// Incompressible bytes (xorshift64).
qelv1::Bytes noise(size_t size, uint64_t seed)
{
    qelv1::Bytes b(size);
    uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (size_t i = 0; i < size; i += 8) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        std::memcpy(b.data() + i, &x, std::min<size_t>(8, size - i));
    }
    return b;
}

// Text of words picked at random: deflates well (about 7:1 at level 6).
qelv1::Bytes words(size_t size, uint64_t seed)
{
    static const char* const kWords[] = {"sprite ", "tile ", "layer ", "frame ", "hotspot ", "image ", "panel ",
                                         "widget ", "font ", "cursor ", "scene ", "effect ", "audio ", "video "};
    const qelv1::Bytes picks = noise(size, seed);
    qelv1::Bytes b;
    b.reserve(size);
    for (size_t i = 0; b.size() < size; ++i) {
        const char* w = kWords[picks[i % picks.size()] % std::size(kWords)];
        b.insert(b.end(), w, w + std::min(std::strlen(w), size - b.size()));
    }
    return b;
}

struct Source {
    fs::path folder;
    std::string file;
    qelv1::Writer writer;
    uint64_t dataBytes = 0;

    Source()
    {
        folder = bench::benchDir("upgrade");
        file = (folder / "source.qel").string();
        const size_t blocks = archiveMiB() * 1024 * 1024 / kBlockSize;
        for (size_t i = 0; i < blocks; ++i) {
            const std::string name = "block" + std::to_string(i);
            if (i % 3 == 0)
                writer.add(qelv1::raw("ZK7_FILE", name, noise(kBlockSize, i)));
            else if (i % 3 == 1)
                writer.add(qelv1::compressed("ZK7_FILE", name, words(kBlockSize, i)));
            else
                writer.add(qelv1::encrypted("ZK7_FILE", name, noise(kBlockSize, i)));
            dataBytes += kBlockSize;
        }
        writer.write(file);
    }
};

Source& source()
{
    static Source s;
    return s;
}

double seconds(Clock::time_point from)
{
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// The new archive's key, derived once outside any timing.
const Zelkoran::archive::ArchiveKey& newKey()
{
    static Zelkoran::archive::ArchiveKey key;
    static const bool derived = [] {
        uint8_t salt[Zelkoran::archive::kSaltSize] = {};
        return key.derive(kKey.data(), static_cast<int>(kKey.size()), salt, Zelkoran::archive::KdfParams{});
    }();
    (void)derived;
    return key;
}

// The least work that gives an upgraded file of outputSize: seconds.
double baseline(const Source& s, uint64_t outputSize, eLegacyQELEncryptedBlockPolicy policy)
{
    const auto t = Clock::now();
    const int in = ::open(s.file.c_str(), O_RDONLY);
    const std::string outPath = (s.folder / "baseline.bin").string();
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    aes_decrypt_ctx context;
    aes_decrypt_key256(qelv1::kBlockKey, &context);
    qelv1::Bytes index(s.writer.entries.size() * qelv1::kEntrySize);
    benchmark::DoNotOptimize(::pread(in, index.data(), index.size(), qelv1::kIndexOffset));
    qelv1::Bytes stored, data(kBlockSize), sealed(kBlockSize + Zelkoran::archive::kSealOverhead);
    uint64_t written = 0;
    for (size_t i = 0; i < s.writer.entries.size(); ++i) {
        const uint8_t* entry = index.data() + i * qelv1::kEntrySize;
        const uint32_t storage = qelv1::getU32(entry + 80);
        const uint32_t storedSize = qelv1::getU32(entry + 88);
        stored.resize(storedSize);
        benchmark::DoNotOptimize(::pread(in, stored.data(), storedSize, qelv1::getU32(entry + 92)));
        const uint8_t* decoded = stored.data();
        if (storage == 2) {
            uLongf length = data.size();
            uncompress(data.data(), &length, stored.data(), storedSize);
            decoded = data.data();
        } else if (storage == 3) {
            aes_ecb_decrypt(stored.data(), stored.data(), static_cast<int>(storedSize), &context);
        }
        benchmark::DoNotOptimize(XXH32(decoded, kBlockSize, qelv1::kSeed));
        const uint8_t* bytes = storage == 2 ? stored.data() : decoded;
        size_t size = storage == 2 ? storedSize : kBlockSize;
        if (storage == 3 && policy == LQEB_KEEP_ENCRYPTED) {
            newKey().seal("ZK7_FILE", 8, decoded, kBlockSize, sealed.data());
            bytes = sealed.data();
            size = sealed.size();
        }
        benchmark::DoNotOptimize(::pwrite(out, bytes, size, static_cast<off_t>(written)));
        written += size;
    }
    if (written < outputSize)
        benchmark::DoNotOptimize(::ftruncate(out, static_cast<off_t>(outputSize)));
    ::fsync(out);
    ::close(out);
    ::close(in);
    const double spent = seconds(t);
    fs::remove(outPath);
    return spent;
}

void BM_UpgradeVsBaseline(benchmark::State& state)
{
    const Source& s = source();
    const auto policy = static_cast<eLegacyQELEncryptedBlockPolicy>(state.range(0));
    const std::string work = (s.folder / "work.qel").string();
    double upgradeTotal = 0, rawTotal = 0, kdfTotal = 0;
    newKey(); // derived before any timing
    for (auto _ : state) {
        fs::remove(s.folder / "work.backup.qel");
        fs::copy_file(s.file, work, fs::copy_options::overwrite_existing);
        bool upgraded = false, needKey = false, hasEncryptedBlocks = false;
        const auto t = Clock::now();
        const int r = upgradeLegacyQELFileToQELv2(Zelkoran::String(work.c_str()), kKey.data(),
                                                  static_cast<uint32_t>(kKey.size()), policy, upgraded, needKey,
                                                  hasEncryptedBlocks);
        const double upgradeSeconds = seconds(t);
        if (r != 0 || !upgraded) {
            state.SkipWithError(("upgrade failed: " + std::to_string(r)).c_str());
            break;
        }
        double kdfSeconds = 0;
        if (policy == LQEB_KEEP_ENCRYPTED) {
            uint8_t salt[Zelkoran::archive::kSaltSize];
            Zelkoran::randomBytes(salt, sizeof salt);
            Zelkoran::archive::ArchiveKey derived;
            const auto d = Clock::now();
            derived.derive(kKey.data(), static_cast<int>(kKey.size()), salt, Zelkoran::archive::newKeyCost());
            kdfSeconds = seconds(d);
            Zelkoran::archive::forgetDerivations();
        }
        state.SetIterationTime(upgradeSeconds);
        upgradeTotal += upgradeSeconds - kdfSeconds;
        kdfTotal += kdfSeconds;
        rawTotal += baseline(s, fs::file_size(work), policy);
    }
    // A derivation timed longer than the whole upgrade leaves nothing to
    // compare: the ratio then stays 0.
    if (upgradeTotal > 0) {
        state.counters["baseline_s"] = benchmark::Counter(rawTotal, benchmark::Counter::kAvgIterations);
        state.counters["kdf_s"] = benchmark::Counter(kdfTotal, benchmark::Counter::kAvgIterations);
        state.counters["ratio"] = rawTotal / upgradeTotal;
        state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.dataBytes));
    }
}

BENCHMARK(BM_UpgradeVsBaseline)
    ->ArgName("policy")
    ->Arg(LQEB_KEEP_ENCRYPTED)
    ->Arg(LQEB_STORE_RAW)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// 400 image blocks of 1 MiB in one storage mode, none of them legacy.
std::string imageArchive(uint32_t storage)
{
    const fs::path path = source().folder / ("images" + std::to_string(storage) + ".qel");
    if (fs::exists(path))
        return path.string();
    Zelkoran::ArchiveMgr* archives = Zelkoran::Main::instance()->archiveMgr();
    const int id = archives->create(path.c_str(), 1024);
    Zelkoran::Archive* archive = archives->get(id);
    archive->setDurable(false);
    qelv1::Bytes pixels = words(1 << 20, storage);
    qelv1::putU32(pixels.data() + 4, 0x10000000); // the image signature
    for (int i = 0; i < bench::scaled(400, 8); ++i) {
        Zelkoran::Archive::Block block(("image" + std::to_string(i)).c_str(), "ZK7_IMAGE");
        block.storage = storage;
        block.data = pixels.data();
        block.size = pixels.size();
        archive->blockAdd(block);
    }
    archives->close(id);
    return path.string();
}

// Argument: the storage mode. Iteration time: open + scan; counter
// scan_ms: what the scan adds to the open alone, measured alternately.
void BM_LegacyScanAtOpen(benchmark::State& state)
{
    const std::string path = imageArchive(static_cast<uint32_t>(state.range(0)));
    Zelkoran::ArchiveMgr* archives = Zelkoran::Main::instance()->archiveMgr();
    double withScan = 0, openOnly = 0;
    for (auto _ : state) {
        auto t = Clock::now();
        int id = archives->load(path.c_str(), nullptr, 0);
        const int found = upgradeLegacyQELBlocks(Zelkoran::String(path.c_str()), id, nullptr, 0);
        const double s = seconds(t);
        archives->close(id);
        if (found != 0) {
            state.SkipWithError("unexpected legacy blocks");
            break;
        }
        state.SetIterationTime(s);
        withScan += s;
        t = Clock::now();
        id = archives->load(path.c_str(), nullptr, 0);
        openOnly += seconds(t);
        archives->close(id);
    }
    state.counters["scan_ms"] = benchmark::Counter((withScan - openOnly) * 1000.0, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_LegacyScanAtOpen)->ArgName("storage")->Arg(1)->Arg(2)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
