// What a change costs through the public archive calls only: add, replace
// and load of 1 KiB, 64 KiB and 16 MiB blocks (raw, zlib, AES), with a
// plain and with an encrypted index, durable. Loads go over many distinct
// blocks (20 000 of 1 KiB, 64 MiB of the larger ones) in shuffled order, as
// an editor reads them, not over one block the caches keep. Using nothing but Archive.h,
// the same source builds against an older engine library, so two builds
// run one after the other compare the engines on the same machine state.
//
// SKARDEN_BENCH_DIR: folder for the archives (default /tmp/skarden-bench).
#include "BenchDir.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

using Zelkoran::Archive;

Zelkoran::ArchiveMgr* mgr() { return Zelkoran::Main::instance()->archiveMgr(); }

std::vector<uint8_t> payload(size_t size)
{
    std::vector<uint8_t> out(size);
    std::mt19937 gen(static_cast<uint32_t>(size));
    for (size_t i = 0; i < size; ++i)
        out[i] = (i / 64) % 2 ? static_cast<uint8_t>(gen()) : static_cast<uint8_t>("<tile id=\"12\"/>"[i % 15]);
    return out;
}

int put(Archive* a, const std::string& name, const std::vector<uint8_t>& data, uint32_t storage)
{
    Archive::Block b(name.c_str(), "ZK7_FILE");
    b.storage = storage;
    b.data = const_cast<uint8_t*>(data.data());
    b.size = data.size();
    return a->blockAdd(b);
}

// An open archive with a key, its index encrypted or not; removed after.
struct Fixture {
    std::string path;
    int id = 0;
    Archive* archive = nullptr;

    Fixture(const char* name, bool sealedIndex)
    {
        path = bench::benchDir() + "/" + name;
        std::remove(path.c_str());
        id = mgr()->create(path.c_str(), 1 << 20);
        archive = mgr()->get(id);
        archive->setKey("bench-key", 9);
        if (sealedIndex)
            archive->encrypt();
    }
    ~Fixture()
    {
        mgr()->close(id);
        std::remove(path.c_str());
    }
};

// Arguments: size, storage, sealed index (0/1).
void BM_Add(benchmark::State& state)
{
    Fixture f("cost-add.qel", state.range(2) != 0);
    const auto data = payload(static_cast<size_t>(state.range(0)));
    int i = 0;
    for (auto _ : state)
        if (put(f.archive, "b" + std::to_string(i++), data, static_cast<uint32_t>(state.range(1))) != 0)
            state.SkipWithError("add failed");
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_Replace(benchmark::State& state)
{
    Fixture f("cost-replace.qel", state.range(2) != 0);
    const auto data = payload(static_cast<size_t>(state.range(0)));
    put(f.archive, "same", data, static_cast<uint32_t>(state.range(1)));
    for (auto _ : state)
        if (put(f.archive, "same", data, static_cast<uint32_t>(state.range(1))) != 0)
            state.SkipWithError("replace failed");
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_Load(benchmark::State& state)
{
    Fixture f("cost-load.qel", state.range(2) != 0);
    const auto size = static_cast<size_t>(state.range(0));
    const size_t count = bench::smoke() ? 64 : size <= 1024 ? 20000 : std::max<size_t>(4, (size_t(64) << 20) / size);
    f.archive->setDurable(false); // building the set is not what is measured
    auto data = payload(size);
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i) {
        std::memcpy(data.data(), &i, sizeof i);
        names.push_back("b" + std::to_string(i));
        if (put(f.archive, names.back(), data, static_cast<uint32_t>(state.range(1))) != 0) {
            state.SkipWithError("add failed");
            return;
        }
    }
    f.archive->setDurable(true);
    std::vector<size_t> order(count);
    std::iota(order.begin(), order.end(), size_t(0));
    std::mt19937 gen(7);
    size_t next = count;
    for (auto _ : state) {
        if (next == count) {
            state.PauseTiming();
            std::shuffle(order.begin(), order.end(), gen);
            next = 0;
            state.ResumeTiming();
        }
        Archive::Block b(names[order[next++]].c_str(), "ZK7_FILE");
        if (f.archive->blockLoad(b) != 0)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(b.data);
        f.archive->blockFree(b);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void registerAll()
{
    for (int64_t size : bench::scaled<std::vector<int64_t>>({int64_t(1) << 10, int64_t(64) << 10, int64_t(16) << 20},
                                                            {int64_t(1) << 10}))
        for (int64_t sealed : {0, 1})
            for (int64_t storage : {1, 2, 3}) {
                const std::vector<int64_t> args{size, storage, sealed};
                benchmark::RegisterBenchmark("BM_Add", BM_Add)->Args(args)->Unit(benchmark::kMicrosecond);
                benchmark::RegisterBenchmark("BM_Replace", BM_Replace)->Args(args)->Unit(benchmark::kMicrosecond);
                benchmark::RegisterBenchmark("BM_Load", BM_Load)->Args(args)->Unit(benchmark::kMicrosecond);
            }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Zelkoran::Main::terminate();
    return 0;
}
