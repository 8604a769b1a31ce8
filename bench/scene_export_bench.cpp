// The Tiled round trip of the scene tab on the largest sample map
// (sticker-knight's sandbox.tmx: one image-collection tile set of 62
// pictures, three templates), against copying the map's folder with all its
// files (what `cp -r` does) in the same run:
//  - BM_CopySampleFolder: the folder copied into a fresh folder;
//  - BM_FullExportAndReimport: the map loaded from the archive it was
//    imported into, exported in full (map, TSX, TX and PNG files) into a
//    fresh folder, and that export imported in full into a fresh archive
//    (map, tile set, templates and pictures as blocks), as the tab's Export
//    and Import do without their dialogs.
// Fresh folders and archives are made and removed outside the timing. The
// archive flushes each stored block to the device, so on a busy disk the
// wall time of the round trip swings far more than its CPU time.
// Skipped without SKARDEN_SAMPLES (defaults to ../shared/samples).
#include "support/TestFolder.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/CMem.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace Zelkoran;
namespace fs = std::filesystem;

namespace {

constexpr const char* kMap = "sandbox.tmx";

fs::path sampleFolder()
{
    const char* env = std::getenv("SKARDEN_SAMPLES");
    return fs::path(env ? env : "../shared/samples") / "tiled" / "mapeditor-tiled" / "sticker-knight" / "map";
}

// The map file imported in full into a new archive at archivePath, as the
// scene tab's TMX import stores it. 0 or a negative code.
int importInFull(const std::string& mapPath, const std::string& archivePath)
{
    Main* main = Main::instance();
    const int archive = main->archiveMgr()->create(archivePath.c_str(), 256);
    const int id = archive > 0 ? main->sceneMgr()->loadFromFile(mapPath.c_str()) : -1;
    Scene* scene = id > 0 ? main->sceneMgr()->get(id) : nullptr;
    int rc = scene ? scene->storeDependencies(archive) : RC_ERR_NOT_FOUND;
    char* text = nullptr;
    size_t size = 0;
    if (rc >= 0)
        rc = scene->saveToBuffer(text, size, kMap, kMap, archivePath.c_str(), true);
    if (rc == 0) {
        Archive::Block block(kMap, "ZK7_XML");
        block.storage = Archive::ST_COMPRESSED;
        block.data = text;
        block.size = size;
        rc = main->archiveMgr()->get(archive)->blockAdd(block);
    }
    CMem::free(text);
    if (id > 0)
        main->sceneMgr()->close(id);
    if (archive > 0)
        main->archiveMgr()->close(archive);
    return archive > 0 ? rc : archive;
}

// The map stored in archivePath, exported in full into folder.
int exportInFull(const std::string& archivePath, const fs::path& folder)
{
    SceneMgr* scenes = Main::instance()->sceneMgr();
    const int id = scenes->load(archivePath.c_str(), kMap);
    Scene* scene = id > 0 ? scenes->get(id) : nullptr;
    const int rc = scene ? scene->save((folder / kMap).c_str(), "", "", true) : RC_ERR_NOT_FOUND;
    if (id > 0)
        scenes->close(id);
    return rc;
}

void BM_CopySampleFolder(benchmark::State& state)
{
    if (!fs::exists(sampleFolder() / kMap)) {
        state.SkipWithError("the sample map is missing (SKARDEN_SAMPLES)");
        return;
    }
    TestFolder scratch;
    int n = 0;
    for (auto _ : state) {
        const fs::path target = scratch.path("copy" + std::to_string(n++));
        fs::copy(sampleFolder(), target, fs::copy_options::recursive);
        state.PauseTiming();
        // The copies keep the samples' read-only folders: make them removable.
        for (const auto& entry : fs::recursive_directory_iterator(target))
            fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
        fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
        fs::remove_all(target);
        state.ResumeTiming();
    }
}

void BM_FullExportAndReimport(benchmark::State& state)
{
    if (!fs::exists(sampleFolder() / kMap)) {
        state.SkipWithError("the sample map is missing (SKARDEN_SAMPLES)");
        return;
    }
    TestFolder scratch;
    const std::string source = scratch.path("source.qel");
    if (importInFull((sampleFolder() / kMap).string(), source) != 0) {
        state.SkipWithError("the sample map could not be imported");
        return;
    }
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path out = scratch.path("export" + std::to_string(n++));
        fs::create_directories(out);
        state.ResumeTiming();
        if (exportInFull(source, out) != 0 || importInFull((out / kMap).string(), (out / "again.qel").string()) != 0) {
            state.SkipWithError("the round trip failed");
            break;
        }
        state.PauseTiming();
        fs::remove_all(out);
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_CopySampleFolder)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_FullExportAndReimport)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Main::terminate();
    return 0;
}
