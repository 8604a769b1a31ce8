// Stored panels at scale, with the software renderer at 1400 x 1000:
//  - save and load of a panel of 2 047 widgets of every kind, against the
//    save and load of one 96 x 96 noise image block;
//  - one frame of the GUI tab previewing that panel, against an empty frame
//    (clear + present).
#include "BenchScreen.h"
#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "tabs/gui/ctrlGUI.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Timer.h>

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <unistd.h>

using namespace Zelkoran;

namespace {

constexpr int kW = 1400;
constexpr int kH = 1000;
constexpr int kWidgets = 2047;
const char* const kPanelName = "Big";

std::string archivePath()
{
    return std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/panel_bench_" +
           std::to_string(getpid()) + ".qel";
}

Screen* openScreen()
{
    Screen* s = bench::openSoftScreen(kW, kH);
    if (s)
        s->setRenderCallback([s](int) { return s->clear(180, 180, 180, 255); });
    return s;
}

int openArchive()
{
    std::remove(archivePath().c_str());
    const int id = Main::instance()->archiveMgr()->create(archivePath().c_str(), 0);
    if (id > 0)
        Main::instance()->archiveMgr()->get(id)->setDurable(false);
    return id;
}

void closeAll()
{
    Main::terminate();
    std::remove(archivePath().c_str());
}

// 2 047 widgets cycling through the eleven kinds on a 1 000 x 900 panel.
Panel* buildBigPanel()
{
    static constexpr eWidgetType kKinds[] = {WT_LABEL,    WT_IMAGE,      WT_FRAME, WT_BUTTON,
                                             WT_CHECKBOX, WT_PROGRESS,   WT_SLIDER, WT_TEXTEDIT,
                                             WT_NUMBEREDIT, WT_LIST, WT_COMBOBOX};
    GUIMgr* gui = Main::instance()->guiMgr();
    Panel* p = gui->getPanel(gui->create(kPanelName, 0x42000000));
    p->baseWidget()->setSize(1000, 900);
    for (int id = 1; id <= kWidgets; ++id) {
        Widget* w = p->createWidgetByType(("W" + std::to_string(id)).c_str(), kKinds[id % 11], id);
        w->setSize(22, 12);
        w->setPosition(Position(static_cast<float>(4 + (id % 40) * 24)), Position(static_cast<float>(4 + (id / 40) * 17)));
        w->setTooltip("tip");
        w->setBorderColor(10, 20, 30, 255, WS_HOVERED);
        if (auto* t = dynamic_cast<WidgetText*>(w))
            t->setText("Text");
        if (auto* items = dynamic_cast<WidgetItems*>(w))
            for (const char* row : {"one", "two", "three"})
                items->addItem(row);
    }
    p->baseWidget()->show();
    return p;
}

// An image block of about the panel block's stored size.
int buildImage(int archiveId)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 96, 96, 32, SDL_PIXELFORMAT_ARGB8888);
    uint32_t seed = 1;
    for (int i = 0; i < 96 * 96; ++i) {
        seed = seed * 1103515245u + 12345u;
        static_cast<uint32_t*>(s->pixels)[i] = (seed >> 8) & 0x0F0F0F0Fu;
    }
    const int id = Main::instance()->imageMgr()->loadFromSurface(s, "Picture");
    SDL_FreeSurface(s);
    Main::instance()->imageMgr()->get(id)->save(archiveId, "");
    return id;
}

void BM_ImageSaveBaseline(benchmark::State& state)
{
    if (!openScreen())
        return state.SkipWithError("no window");
    const int archiveId = openArchive();
    Image* img = Main::instance()->imageMgr()->get(buildImage(archiveId));
    for (auto _ : state)
        img->save(archiveId, "");
    closeAll();
}

void BM_ImageLoadBaseline(benchmark::State& state)
{
    if (!openScreen())
        return state.SkipWithError("no window");
    const int archiveId = openArchive();
    buildImage(archiveId);
    for (auto _ : state)
        Main::instance()->imageMgr()->close(Main::instance()->imageMgr()->load(archiveId, "Picture"));
    closeAll();
}

void BM_PanelSave2047(benchmark::State& state)
{
    if (!openScreen())
        return state.SkipWithError("no window");
    const int archiveId = openArchive();
    Panel* p = buildBigPanel();
    for (auto _ : state)
        if (p->save(archiveId) != 0)
            return state.SkipWithError("save failed");
    Archive::Block block(kPanelName, "ZK7_GUIPANEL");
    Main::instance()->archiveMgr()->get(archiveId)->blockLoad(block);
    state.counters["block_bytes"] = static_cast<double>(block.size);
    state.counters["stored_bytes"] = static_cast<double>(block.storedSize);
    Main::instance()->archiveMgr()->get(archiveId)->blockFree(block);
    closeAll();
}

void BM_PanelLoad2047(benchmark::State& state)
{
    if (!openScreen())
        return state.SkipWithError("no window");
    const int archiveId = openArchive();
    GUIMgr* gui = Main::instance()->guiMgr();
    Panel* p = buildBigPanel();
    p->save(archiveId);
    gui->close(p->getID());
    for (auto _ : state) {
        const int id = gui->load(archiveId, kPanelName);
        if (id <= 0)
            return state.SkipWithError("load failed");
        gui->close(id);
    }
    closeAll();
}

void BM_EmptyFrame(benchmark::State& state)
{
    Screen* s = openScreen();
    if (!s)
        return state.SkipWithError("no window");
    for (auto _ : state)
        s->renderFrame(true);
    closeAll();
}

void BM_TabFrame2047(benchmark::State& state)
{
    Screen* s = openScreen();
    if (!s)
        return state.SkipWithError("no window");
    const int archiveId = openArchive();
    Panel* p = buildBigPanel();
    p->save(archiveId);
    Main::instance()->guiMgr()->close(p->getID());
    {
        char name[] = "Skarden";
        char* argv[] = {name};
        GlobalStatus status(1, argv);
        status.bArchiveLoaded = 1;
        status.iArchiveID = archiveId;
        ResourceManager resources;
        if (resources.load() != 0)
            return state.SkipWithError("no editor resources");
        std::unique_ptr<CtrlGUI> tab(new (std::nothrow) CtrlGUI(&resources, &status));
        tab->parseQEL();
        tab->selectBlockListItemByName(kPanelName);
        tab->processEvent(CtrlBase::BW_LIST, 1);
        if (tab->getPanelId() <= 0)
            return state.SkipWithError("the panel did not load");
        CtrlGUI* t = tab.get();
        s->setRenderCallback([t](int v) { return t->render(v); });
        s->renderFrame(true); // glyph caches warm
        for (auto _ : state)
            s->renderFrame(true);
        s->setRenderCallback(nullptr);
    }
    closeAll();
}

} // namespace

BENCHMARK(BM_ImageSaveBaseline)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_PanelSave2047)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ImageLoadBaseline)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_PanelLoad2047)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_TabFrame2047)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv) { return bench::runOffscreen(argc, argv); }
