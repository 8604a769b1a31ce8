// Archive speed against the work it cannot avoid, measured in one run:
//  - opening archives of 100 000 and 1 000 000 blocks (time, and the
//    resident memory the open archive holds per entry);
//  - adding and loading 1 KiB, 64 KiB and 16 MiB blocks in each storage mode,
//    against writing/reading the same bytes as a plain file, against zlib
//    alone and against AES-256-GCM alone;
//  - defragmenting a large archive against copying the file.
// Durable runs flush to the device like the archive does (the plain-file
// baseline then is write + fdatasync); "nosync" runs switch flushing off on
// both sides to show the engine's own cost.
//
// SKARDEN_BENCH_DIR: folder for the fixtures (default /tmp/skarden-bench).
// SKARDEN_BENCH_DEFRAG_MIB: archive size for the defrag run (default 1024).
#include "BenchDir.h"
#include "archive/ArchiveCrypto.h"
#include "archive/ArchiveIO.h"
#include "ResidentMemory.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <random>
#include <string>
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
    za::setDeviceSync(false);
    int id = mgr()->create(path.c_str(), blocks);
    Archive* a = mgr()->get(id);
    std::vector<uint8_t> data(48, 'x');
    for (int i = 0; i < blocks; ++i)
        addBlock(a, "block_" + std::to_string(i), data, 1);
    mgr()->close(id);
    za::setDeviceSync(true);
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
BENCHMARK(BM_Open)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// ---------------------------------------------------------------- add / load

struct SyncScope {
    explicit SyncScope(bool on) { za::setDeviceSync(on); }
    ~SyncScope() { za::setDeviceSync(true); }
};

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

void BM_ArchiveLoad(benchmark::State& state)
{
    size_t size = static_cast<size_t>(state.range(0));
    uint32_t mode = static_cast<uint32_t>(state.range(1));
    std::string path = bench::benchDir() + "/load.qel";
    int id = mgr()->create(path.c_str(), 16);
    Archive* a = mgr()->get(id);
    a->setKey("bench-key", 9);
    addBlock(a, "b", payload(size), mode);
    for (auto _ : state) {
        Archive::Block b("b", "ZK7_FILE");
        if (a->blockLoad(b) != 0)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(b.data);
        a->blockFree(b);
    }
    mgr()->close(id);
    std::remove(path.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// Each iteration saves a new file, as the archive keeps every added block.
void BM_PlainWrite(benchmark::State& state)
{
    size_t size = static_cast<size_t>(state.range(0));
    bool sync = state.range(2) != 0;
    std::string folder = bench::benchDir() + "/plain";
    std::filesystem::create_directories(folder);
    std::vector<uint8_t> data = payload(size);
    int i = 0;
    for (auto _ : state) {
        std::string path = folder + "/" + std::to_string(i++);
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::write(fd, data.data(), size) != static_cast<ssize_t>(size))
            state.SkipWithError("write failed");
        if (sync)
            ::fdatasync(fd);
        ::close(fd);
    }
    std::filesystem::remove_all(folder);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void BM_PlainRead(benchmark::State& state)
{
    size_t size = static_cast<size_t>(state.range(0));
    std::string path = bench::benchDir() + "/plain-read.bin";
    std::vector<uint8_t> data = payload(size);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(data.data(), 1, size, f);
    std::fclose(f);
    for (auto _ : state) {
        int fd = ::open(path.c_str(), O_RDONLY);
        void* buffer = std::malloc(size);
        if (::pread(fd, buffer, size, 0) != static_cast<ssize_t>(size))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(buffer);
        std::free(buffer);
        ::close(fd);
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void BM_Zlib(benchmark::State& state)
{
    size_t size = static_cast<size_t>(state.range(0));
    bool inflate = state.range(1) != 0;
    std::vector<uint8_t> data = payload(size);
    uLongf packedLength = compressBound(static_cast<uLong>(size));
    std::vector<uint8_t> packed(packedLength);
    compress2(packed.data(), &packedLength, data.data(), static_cast<uLong>(size), Z_BEST_SPEED);
    std::vector<uint8_t> out(std::max<size_t>(size, compressBound(static_cast<uLong>(size))));
    for (auto _ : state) {
        uLongf length = static_cast<uLongf>(out.size());
        if (inflate)
            uncompress(out.data(), &length, packed.data(), packedLength);
        else
            compress2(out.data(), &length, data.data(), static_cast<uLong>(size), Z_BEST_SPEED);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void BM_Aes(benchmark::State& state)
{
    size_t size = static_cast<size_t>(state.range(0));
    bool decrypt = state.range(1) != 0;
    uint8_t salt[za::kSaltSize] = {};
    za::ArchiveKey key;
    key.derive("bench-key", 9, salt, za::KdfParams{});
    std::vector<uint8_t> data = payload(size);
    std::vector<uint8_t> sealed(size + za::kSealOverhead);
    key.seal("ZK7_FILE\0\0\0\0\0\0\0\0", 16, data.data(), size, sealed.data());
    std::vector<uint8_t> out(size + za::kSealOverhead);
    for (auto _ : state) {
        if (decrypt)
            key.open("ZK7_FILE\0\0\0\0\0\0\0\0", 16, sealed.data(), sealed.size(), out.data());
        else
            key.seal("ZK7_FILE\0\0\0\0\0\0\0\0", 16, data.data(), size, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

constexpr int64_t kSizes[] = {1 << 10, 64 << 10, 16 << 20};

// Each archive run comes right after its baselines, so both see the same
// machine: the page cache and the device drift over a long run.
void registerAddAndLoad()
{
    using benchmark::RegisterBenchmark;
    for (int64_t size : kSizes) {
        for (int64_t sync : {1, 0}) {
            RegisterBenchmark("BM_PlainWrite", BM_PlainWrite)->Args({size, 0, sync})->Unit(benchmark::kMicrosecond);
            RegisterBenchmark("BM_ArchiveAdd", BM_ArchiveAdd)->Args({size, 1, sync})->Unit(benchmark::kMicrosecond);
            RegisterBenchmark("BM_ArchiveAdd", BM_ArchiveAdd)->Args({size, 2, sync})->Unit(benchmark::kMicrosecond);
            RegisterBenchmark("BM_ArchiveAdd", BM_ArchiveAdd)->Args({size, 3, sync})->Unit(benchmark::kMicrosecond);
        }
        for (int64_t direction : {0, 1}) {
            RegisterBenchmark("BM_Zlib", BM_Zlib)->Args({size, direction})->Unit(benchmark::kMicrosecond);
            RegisterBenchmark("BM_Aes", BM_Aes)->Args({size, direction})->Unit(benchmark::kMicrosecond);
        }
        RegisterBenchmark("BM_PlainRead", BM_PlainRead)->Arg(size)->Unit(benchmark::kMicrosecond);
        for (int64_t mode : {1, 2, 3})
            RegisterBenchmark("BM_ArchiveLoad", BM_ArchiveLoad)->Args({size, mode})->Unit(benchmark::kMicrosecond);
    }
}

// ---------------------------------------------------------------- defrag

std::string defragSource()
{
    const char* env = std::getenv("SKARDEN_BENCH_DEFRAG_MIB");
    size_t mib = env ? std::strtoul(env, nullptr, 10) : 1024;
    std::string path = bench::benchDir() + "/defrag-" + std::to_string(mib) + ".qel";
    if (std::filesystem::exists(path))
        return path;
    za::setDeviceSync(false);
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
    za::setDeviceSync(true);
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
BENCHMARK(BM_Defrag)->Unit(benchmark::kMillisecond)->Iterations(3);

// Defragmenting an archive of 1 000 000 entries: the peak resident memory
// it adds (the index is streamed, not built whole in memory).
void BM_Defrag1M(benchmark::State& state)
{
    const std::string source = openFixture(1000000);
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
BENCHMARK(BM_Defrag1M)->Unit(benchmark::kMillisecond)->Iterations(2);

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
BENCHMARK(BM_CopyFile)->Unit(benchmark::kMillisecond)->Iterations(3);

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
            }
    }
    std::map<std::string, double> times;
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

void printRatios(const std::map<std::string, double>& t)
{
    std::printf("\nRatios (baseline time / archive time; 1.0 = as fast as the baseline)\n");
    const char* modes[] = {"", "raw", "zlib", "aes"};
    for (int64_t size : kSizes) {
        std::string s = std::to_string(size);
        for (int sync : {1, 0}) {
            std::string tag = sync ? "durable" : "nosync ";
            std::string sfx = "/" + std::to_string(sync);
            const std::string plain = "BM_PlainWrite/" + s + "/0" + sfx, zlib = "BM_Zlib/" + s + "/0",
                              aes = "BM_Aes/" + s + "/0", add = "BM_ArchiveAdd/" + s + "/";
            // AES add is judged against the cipher plus a raw add: the
            // archive's own work around the cipher is what a raw add does.
            std::printf("%9s B %s add: raw/plain %.2f  zlib/(codec) %.2f  zlib/(codec+plain) %.2f  aes/(codec+raw add) %.2f\n",
                        s.c_str(), tag.c_str(),
                        ratio(t, {plain}, add + "1" + sfx), ratio(t, {zlib}, add + "2" + sfx),
                        ratio(t, {zlib, plain}, add + "2" + sfx), ratio(t, {aes, add + "1" + sfx}, add + "3" + sfx));
        }
        for (int mode = 1; mode <= 3; ++mode) {
            std::string base = mode == 1 ? "BM_PlainRead/" + s : (mode == 2 ? "BM_Zlib/" + s + "/1" : "BM_Aes/" + s + "/1");
            std::printf("%9s B load %-4s: vs %s %.2f\n", s.c_str(), modes[mode], base.c_str(),
                        ratio(t, {base}, "BM_ArchiveLoad/" + s + "/" + std::to_string(mode)));
        }
    }
    for (const char* open : {"BM_Open/100000", "BM_Open/1000000"})
        std::printf("%s: %.1f ms\n", open, t.count(open) ? t.at(open) : 0.0);
    std::printf("defrag vs durable copy: %.2f\n", ratio(t, {"BM_CopyFile"}, "BM_Defrag"));
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    registerAddAndLoad();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter.times);
    benchmark::Shutdown();
    Zelkoran::Main::terminate();
    return 0;
}
