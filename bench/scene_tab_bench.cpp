// One frame of the scene tab at 1400 x 1000 with the software renderer,
// previewing a sample map while its tile animations run, against an empty
// frame (clear + present) in the same process. Maps, from the Tiled samples:
//  - desert.tmx: the largest tile map that fills the preview area (40 x 40
//    tiles of 32 pixels); its tile set's first tile is given a two-frame
//    animation in the copied TSX file;
//  - island.tmx: 58 x 47 tiles with its own 33 animated water tiles;
//  - sandbox.tmx: the largest map (2528 x 1440), tile objects only.
// The map's folder is copied beside a scratch archive holding the map as a
// block, so that its tile sets and pictures resolve as files beside it.
// Skipped without SKARDEN_SAMPLES (defaults to ../shared/samples).
#include "EditorRig.h"
#include "tabs/scenes/ctrlScenes.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Timer.h>
#include <Zelkoran/Widget.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <string>

using namespace Zelkoran;

namespace {

constexpr int kW = 1400;
constexpr int kH = 1000;

const struct {
    const char* folder; // under tiled/
    const char* map;
    const char* animatedTileSet; // a TSX whose first tile gets an animation, or null
} kMaps[] = {
    {"mapeditor-tiled", "desert.tmx", "desert.tsx"},
    {"mapeditor-tiled/rpg", "island.tmx", nullptr},
    {"mapeditor-tiled/sticker-knight/map", "sandbox.tmx", nullptr},
};

std::string readText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Tile 0 alternates with tile 1 every 100 ms; the tile element goes after
// the tile set's image, where Tiled writes it.
bool animateFirstTile(const std::string& tsxPath)
{
    std::string text = readText(tsxPath);
    const size_t image = text.find("<image");
    const size_t end = image == std::string::npos ? image : text.find("/>", image);
    if (end == std::string::npos)
        return false;
    text.insert(end + 2, "\n <tile id=\"0\"><animation><frame tileid=\"0\" duration=\"100\"/>"
                         "<frame tileid=\"1\" duration=\"100\"/></animation></tile>");
    std::ofstream(tsxPath, std::ios::binary | std::ios::trunc) << text;
    return true;
}

std::string samplesRoot()
{
    const char* env = std::getenv("SKARDEN_SAMPLES");
    return env ? env : "../shared/samples";
}

// The editor around one scene tab previewing a map block.
class SceneTabRig : public bench::EditorRig<CtrlScenes> {
public:
    // Empty string, or why the rig could not be built.
    std::string build(int mapIndex)
    {
        const auto& spec = kMaps[mapIndex];
        const std::filesystem::path source = std::filesystem::path(samplesRoot()) / "tiled" / spec.folder;
        if (!std::filesystem::exists(source / spec.map))
            return "the sample map is missing (SKARDEN_SAMPLES)";
        std::filesystem::copy(source, folder.path("."), std::filesystem::copy_options::recursive);
        // The samples are read-only; their copies must be writable and removable.
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path(".")))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add);
        if (spec.animatedTileSet) {
            const std::string tsx = folder.path(spec.animatedTileSet);
            if (!animateFirstTile(tsx))
                return "tile set not animated";
        }
        const std::string bytes = readText(source / spec.map);
        if (std::string why = open(kW, kH, spec.map, "ZK7_XML", bytes); !why.empty())
            return why;
        tab.reset(new (std::nothrow) CtrlScenes(&*resources, &*status));
        tab->parseQEL();
        tab->show();
        if (tab->selectBlockListItemByName(spec.map) != 1 || tab->processEvent(105, 1) != 0 || tab->sceneID() <= 0)
            return "map not loaded as a scene";
        GUIMgr* gui = Main::instance()->guiMgr();
        gui->getPanel(gui->getPanelIDs().back())->getCheckBox(SW_RENDER)->setChecked(true);
        tab->processEvent(SW_RENDER, 1);
        if (!tab->previewOn())
            return "no preview";
        drawEveryFrame();
        return "";
    }
};

void BM_EmptyFrame(benchmark::State& state)
{
    Screen* s = bench::openSoftScreen(kW, kH);
    if (!s) {
        state.SkipWithError("no window");
        return;
    }
    s->setRenderCallback([s](int) { return s->clear(128, 128, 128, 255); });
    for (auto _ : state)
        s->renderFrame(true);
    s->setRenderCallback(nullptr);
    Main::terminate();
}

void BM_SceneTabFrame(benchmark::State& state)
{
    SceneTabRig rig;
    if (const std::string why = rig.build(static_cast<int>(state.range(0))); !why.empty()) {
        state.SkipWithError(why.c_str());
        return;
    }
    state.SetLabel(kMaps[state.range(0)].map);
    for (auto _ : state)
        rig.screen->renderFrame(true);
}

} // namespace

BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SceneTabFrame)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) { return bench::runOffscreen(argc, argv); }
