// Image-family costs at 1400 x 1000 with the software renderer:
//  - one frame of the sprite tab animating a 64-animation sprite (a 4096 x
//    4096 sheet of 64 x 64 cells: grid, outlines and the playing cell),
//    against one frame of the image tab showing the same sheet;
//  - one frame of the image tab showing that sheet at zoom 4 (the preview
//    shows 300 x 240 of its pixels), against one frame at zoom 1;
//  - a click on the image tab's ticked background box (nothing to draw
//    differently) while it shows that sheet, opaque so that it offers a
//    colour key, followed by one frame, against the frame alone;
//  - making a font from a 2048 x 2048 glyph sheet, against copying the
//    sheet into an image.
#include "BenchDir.h"
#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "tabs/images/ctrlImages.h"
#include "tabs/images/ctrlSprites.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/TestSupport.h>
#include <Zelkoran/Timer.h>
#include <Zelkoran/Widget.h>

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <new>
#include <string>

using namespace Zelkoran;

namespace {

constexpr int kSheet = 4096;
constexpr int kCell = 64;

// A window, the editor's resources and an open archive, made once.
struct Editor {
    GlobalStatus* status = nullptr;
    ResourceManager* resources = nullptr;
    std::string folder;

    Editor()
    {
        Main* main = Main::instance();
        main->timer()->init(0);
        Screen* s = main->configMgr()->get(0);
        s->setDriver(Screen::DRV_SOFT);
        s->setSize(1400, 1000);
        s->show();
        char name[] = "Skarden";
        char* argv[] = {name};
        status = new GlobalStatus(1, argv);
        resources = new ResourceManager();
        if (resources->load() != 0)
            std::fprintf(stderr, "the editor resources could not be made\n");
        folder = bench::benchDir();
        const std::string path = folder + "/bench.qel";
        status->iArchiveID = main->archiveMgr()->create(path.c_str(), 0);
        status->bArchiveLoaded = 1;
        status->sArchivePath = path.c_str();
    }
};

Editor& editor()
{
    static Editor e;
    return e;
}

// The 4096 x 4096 sheet as a PNG file without alpha, a different colour per cell.
std::string sheetFile()
{
    static const std::string path = [] {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, kSheet, kSheet, 32, SDL_PIXELFORMAT_RGB888);
        for (int y = 0; y < kSheet; y += kCell)
            for (int x = 0; x < kSheet; x += kCell) {
                const SDL_Rect cell{x, y, kCell, kCell};
                SDL_FillRect(s, &cell, 0xFF000000u | static_cast<uint32_t>(x * 977 + y * 31));
            }
        ImageMgr* images = Main::instance()->imageMgr();
        const int id = images->loadFromSurface(s, "sheet");
        SDL_FreeSurface(s);
        const std::string file = editor().folder + "/sheet.png";
        images->get(id)->saveToPNG(file.c_str());
        images->close(id);
        return file;
    }();
    return path;
}

// One tab of each kind for the whole run (a tab's check box id is taken
// for good), showing the sheet and drawn by the screen.
template <class Tab>
Tab* tabShowingSheet()
{
    static Tab* tab = [] {
        Editor& e = editor();
        Tab* t = new (std::nothrow) Tab(e.resources, e.status);
        TestSupport::pushFileAnswer(true, sheetFile().c_str());
        t->processEvent(CtrlImages::IW_IMPORT, 0);
        return t;
    }();
    Main::instance()->configMgr()->get(0)->setRenderCallback([](int v) { return tab->render(v); });
    return tab;
}

void frames(benchmark::State& state)
{
    Screen* s = Main::instance()->configMgr()->get(0);
    for (auto _ : state)
        s->renderFrame(true);
    s->setRenderCallback(nullptr);
}

void BM_ImageTabFrame(benchmark::State& state)
{
    tabShowingSheet<CtrlImages>();
    frames(state);
}

void BM_ImageTabZoomedFrame(benchmark::State& state)
{
    CtrlImages* tab = tabShowingSheet<CtrlImages>();
    while (tab->zoom() < CtrlImages::kMaxZoom)
        tab->processEvent(CtrlImages::IW_ZOOM_IN, 0);
    frames(state);
    while (tab->zoom() > 1.0f)
        tab->processEvent(CtrlImages::IW_ZOOM_OUT, 0);
}

void BM_ImageTabClickFrame(benchmark::State& state)
{
    CtrlImages* tab = tabShowingSheet<CtrlImages>();
    Screen* s = Main::instance()->configMgr()->get(0);
    for (auto _ : state) {
        tab->processEvent(CtrlImages::IW_BG_BLOCKY, 0);
        s->renderFrame(true);
    }
    s->setRenderCallback(nullptr);
}

void BM_SpriteTabFrame(benchmark::State& state)
{
    CtrlSprites* tab = tabShowingSheet<CtrlSprites>();
    Panel* p = Main::instance()->guiMgr()->getPanel(Main::instance()->guiMgr()->getPanelIDs().back());
    for (int id : {CtrlSprites::SW_OFFSET_X, CtrlSprites::SW_OFFSET_Y}) {
        p->getNumberEdit(id)->setValue(kCell);
        tab->processEvent(id, 0);
    }
    while (tab->animIndex() < 40) // the 41st animation, mid-sheet
        tab->processEvent(CtrlSprites::SW_ANIM_PLUS, 0);
    state.counters["animation_shown"] = tab->animIndex() + 1;
    frames(state);
}

// 189 glyph runs filling a 2048 x 2048 sheet (runs of 9 or 10 pixels).
SDL_Surface* bigGlyphSheet()
{
    constexpr int kSide = 2048;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, kSide, kSide, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_FillRect(s, nullptr, 0x80FFFFFF);
    auto* top = static_cast<uint32_t*>(s->pixels);
    const int runs = 189, free = kSide - (runs - 1);
    for (int i = 1, x = 0; i < runs; ++i) {
        x += free / runs + (i <= free % runs ? 1 : 0);
        top[x++] = 0xFFFF00FF;
    }
    return s;
}

void BM_CopyGlyphSheet(benchmark::State& state)
{
    editor();
    SDL_Surface* sheet = bigGlyphSheet();
    ImageMgr* images = Main::instance()->imageMgr();
    for (auto _ : state)
        images->close(images->loadFromSurface(sheet, "sheet"));
    SDL_FreeSurface(sheet);
}

void BM_FontFromGlyphSheet(benchmark::State& state)
{
    editor();
    SDL_Surface* sheet = bigGlyphSheet();
    ImageMgr* images = Main::instance()->imageMgr();
    FontMgr* fonts = Main::instance()->fontMgr();
    for (auto _ : state) {
        const int font = fonts->create("Big", 10);
        if (fonts->get(font)->assignImage(images->loadFromSurface(sheet, "sheet"), 1) != 0)
            state.SkipWithError("the sheet did not cut into 189 glyphs");
        fonts->close(font);
    }
    SDL_FreeSurface(sheet);
}

} // namespace

BENCHMARK(BM_ImageTabFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ImageTabZoomedFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ImageTabClickFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SpriteTabFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_CopyGlyphSheet)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_FontFromGlyphSheet)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
