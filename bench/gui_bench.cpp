// Toolkit costs at 1400 x 1000 with the software renderer:
//  - one frame of a panel holding every widget kind, a 100 000-row list and
//    a multi-line edit of 1 MiB, against an empty frame (clear + present);
//  - the time from a typed character to the end of the next presented frame;
//  - the CPU an idle main loop uses, as a share of one core.
#include "BenchScreen.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/TestSupport.h>
#include <Zelkoran/Timer.h>

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <string>

using namespace Zelkoran;

namespace {

constexpr int kW = 1400;
constexpr int kH = 1000;

Screen* openScreen()
{
    Screen* s = bench::openSoftScreen(kW, kH);
    if (s)
        s->setRenderCallback([s](int) { return s->clear(214, 222, 232, 255); });
    return s;
}

// The full panel; returns the multi-line edit.
WidgetTextEdit* buildPanel()
{
    GUIMgr* gui = Main::instance()->guiMgr();
    const int id = gui->create("Bench", 0x42000000);
    Panel* p = gui->getPanel(id);
    p->baseWidget()->setSize(kW - 40, kH - 40);
    p->baseWidget()->setPosition(Position(0, PH_CENTER), Position(0, PH_CENTER));
    p->setTitle("Every widget kind");
    int next = 1;
    for (int i = 0; i < 8; ++i) {
        WidgetLabel* l = p->createLabel("Label", next++);
        l->setText(("Label number " + std::to_string(i)).c_str());
        l->setPosition(Position(20), Position(40.0f + i * 24));
        WidgetButton* b = p->createButton("Button", next++);
        b->setText(("Button " + std::to_string(i)).c_str());
        b->setPosition(Position(160), Position(40.0f + i * 24));
        WidgetCheckBox* c = p->createCheckBox("Check", next++);
        c->setText("Option", Position(0, PH_LEFT), Position(0, PH_CENTER));
        c->setChecked(i % 2);
        c->setPosition(Position(260), Position(40.0f + i * 24));
    }
    WidgetList* list = p->createList("List", next++);
    list->setSize(300, 700);
    list->setPosition(Position(20), Position(250));
    list->setAutoSort(true);
    for (int i = 100000; i >= 1; --i)
        list->addItem(("Block name " + std::to_string(i)).c_str());
    list->setSelectedIndex(50000);
    WidgetSlider* bar = p->createSlider("Bar", next++, 1);
    bar->setSize(16, 700);
    bar->setMargin(16, 0, 16, 0);
    bar->setRange(0, list->getItemCount() - list->getVisibleItems());
    bar->setValue(list->getScroll());
    bar->setPosition(Position(324), Position(250));
    WidgetComboBox* combo = p->createComboBox("Combo", next++);
    combo->setPosition(Position(360), Position(40));
    for (const char* s : {"One", "Two", "Three"})
        combo->addItem(s);
    combo->setSelectedIndex(2);
    WidgetSlider* h = p->createSlider("Slider", next++, 0);
    h->setSize(200, 18);
    h->setPosition(Position(360), Position(80));
    WidgetProgress* prog = p->createProgress("Progress", next++);
    prog->setValue(40);
    prog->setPosition(Position(360), Position(110));
    WidgetTextEdit* line = p->createTextEdit("Line", next++);
    line->setSize(250, 24);
    line->setText("single line text");
    line->setPosition(Position(360), Position(140));
    WidgetNumberEdit* num = p->createNumberEdit("Number", next++);
    num->setValue(42);
    num->setPosition(Position(360), Position(170));
    WidgetFrame* frame = p->createFrame("Frame", next++);
    frame->setSize(60, 60);
    frame->setPosition(Position(620), Position(40));
    WidgetImage* image = p->createImage("Image", next++);
    image->setPosition(Position(700), Position(40));
    WidgetTextEdit* multi = p->createTextEdit("Multi", next++);
    multi->setMultiline(true);
    multi->setSize(960, 700);
    multi->setPosition(Position(380), Position(250));
    std::string text;
    text.reserve(1 << 20);
    for (int i = 0; text.size() < (1u << 20); ++i)
        text += "<tile id=\"" + std::to_string(i) + "\" type=\"ground\" probability=\"0.5\"/> <!-- row " +
                std::to_string(i) + " -->\n";
    text.resize(1 << 20);
    multi->setText(text.c_str());
    multi->setScroll(5000, nullptr);
    p->baseWidget()->show();
    return multi;
}

void BM_EmptyFrame(benchmark::State& state)
{
    Screen* s = openScreen();
    if (!s) {
        state.SkipWithError("no window");
        return;
    }
    for (auto _ : state)
        s->renderFrame(true);
    Main::terminate();
}

void BM_FrameEveryWidget(benchmark::State& state)
{
    Screen* s = openScreen();
    if (!s) {
        state.SkipWithError("no window");
        return;
    }
    buildPanel();
    s->renderFrame(true); // glyph caches warm
    for (auto _ : state)
        s->renderFrame(true);
    Main::terminate();
}

void BM_TypedCharToFrame(benchmark::State& state)
{
    Screen* s = openScreen();
    if (!s) {
        state.SkipWithError("no window");
        return;
    }
    WidgetTextEdit* multi = buildPanel();
    Main* main = Main::instance();
    main->guiMgr()->setFocus(multi);
    while (main->update(nullptr)) {
    }
    const double freq = static_cast<double>(SDL_GetPerformanceFrequency());
    unsigned phase = 1;
    for (auto _ : state) {
        // Arrive at a varying point of the frame cycle.
        phase = phase * 1103515245u + 12345u;
        SDL_Delay((phase >> 16) % 17);
        const uint64_t frames = s->getFramesPresented();
        const uint64_t typed = SDL_GetPerformanceCounter();
        TestSupport::typeText("x");
        while (s->getFramesPresented() == frames)
            main->update(nullptr);
        state.SetIterationTime(static_cast<double>(s->getLastPresentCounter() - typed) / freq);
    }
    Main::terminate();
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void BM_IdleLoopCpu(benchmark::State& state)
{
    Screen* s = openScreen();
    if (!s) {
        state.SkipWithError("no window");
        return;
    }
    buildPanel();
    Main* main = Main::instance();
    // Let the screen settle into its idle state (it stays active for a second after changes).
    const uint64_t settle = main->timer()->getTicks();
    while (main->timer()->getTicks() - settle < 1500)
        main->update(nullptr);
    const uint64_t framesBefore = s->getFramesPresented();
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double c0 = cpuSeconds();
        const uint64_t t0 = main->timer()->getTicks();
        while (main->timer()->getTicks() - t0 < 3000)
            main->update(nullptr);
        cpu += cpuSeconds() - c0;
        wall += static_cast<double>(main->timer()->getTicks() - t0) / 1000.0;
    }
    state.counters["cpu_share_of_core_pct"] = 100.0 * cpu / wall;
    state.counters["frames_per_s"] = static_cast<double>(s->getFramesPresented() - framesBefore) / wall;
    Main::terminate();
}

} // namespace

BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_FrameEveryWidget)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_TypedCharToFrame)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(60)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_IdleLoopCpu)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) { return bench::runOffscreen(argc, argv); }
