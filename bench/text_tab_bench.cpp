// The XML and Files tabs holding a 1 MiB text block, drawn as the editor
// draws them (software renderer, 1400 x 1000): the text box has the focus,
// its caret blinks in the middle of the text, scrolled there. Each frame is
// the tab's whole presented frame (the tab's background, its panel with the
// block list and the text box); the baseline, timed in the same iterations,
// is an empty frame (clear + present). Reports the median and the 95th
// percentile of both over a few hundred frames.
#include "BenchDir.h"
#include "EditorRig.h"
#include "tabs/data/ctrlFiles.h"
#include "tabs/data/ctrlXML.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Widget.h>

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

using namespace Zelkoran;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kW = 1400;
constexpr int kH = 1000;

const struct {
    const char* label;
    const char* blockType;
    int textBoxId;
    int elementsPerLine; // 0: the whole text on one line
} kTabs[] = {{"XML", "ZK7_XML", 1208, 1}, {"Files", "ZK7_FILE", 1308, 1}, {"XML, 4 KiB lines", "ZK7_XML", 1208, 50},
             {"XML, one line", "ZK7_XML", 1208, 0}};

// 1 MiB of XML, so many elements a line.
std::string megabyteOfXml(int elementsPerLine)
{
    std::string text;
    text.reserve(1 << 20);
    for (int i = 1; text.size() < (1u << 20); ++i) {
        text += "<tile id=\"" + std::to_string(i) + "\" type=\"ground\" probability=\"0.5\"/><!-- row " +
                std::to_string(i) + " -->";
        text += elementsPerLine > 0 && i % elementsPerLine == 0 ? "\n" : " ";
    }
    text.resize(1 << 20);
    text.back() = '\n';
    return text;
}

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(share * static_cast<double>(values.size())))];
}

// The editor around one text tab showing the block.
class TextTabRig : public bench::EditorRig<CtrlTextFile> {
public:
    // Empty string, or why the rig could not be built.
    std::string build(int tabIndex)
    {
        const std::string bytes = megabyteOfXml(kTabs[tabIndex].elementsPerLine);
        if (std::string why = open(kW, kH, "big.xml", kTabs[tabIndex].blockType, bytes); !why.empty())
            return why;
        if (kTabs[tabIndex].textBoxId == 1208)
            tab.reset(new (std::nothrow) CtrlXML(&*resources, &*status));
        else
            tab.reset(new (std::nothrow) CtrlFiles(&*resources, &*status));
        GUIMgr* gui = Main::instance()->guiMgr();
        Panel* panel = gui->getPanel(gui->getPanelIDs().back());
        tab->parseQEL();
        tab->show();
        tab->processEvent(tab->getCheckBoxID(), 1);
        if (tab->selectBlockListItemByName("big.xml") != 1)
            return "block not listed";
        if (const int rc = tab->processEvent(105, 1); rc != 0)
            return "block not loaded: " + std::to_string(rc);
        text = panel->getTextEdit(kTabs[tabIndex].textBoxId);
        if (!text || text->getLineCount() < 1)
            return "text not shown";
        gui->setFocus(text);
        text->setCaret(text->getLineCount() / 2, 4);
        drawEveryFrame();
        return "";
    }

    WidgetTextEdit* text = nullptr;
};

void BM_TextTabFrame(benchmark::State& state)
{
    TextTabRig rig;
    if (const std::string why = rig.build(static_cast<int>(state.range(0))); !why.empty()) {
        state.SkipWithError(why.c_str());
        return;
    }
    state.SetLabel(kTabs[state.range(0)].label);
    SDL_Renderer* r = rig.screen->getRenderer();
    std::vector<double> frames, empty;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        rig.screen->renderFrame(true);
        const auto t1 = Clock::now();
        SDL_SetRenderDrawColor(r, 128, 128, 128, 255);
        SDL_RenderClear(r);
        SDL_RenderPresent(r);
        const auto t2 = Clock::now();
        frames.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        empty.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
        state.SetIterationTime(frames.back() / 1000);
    }
    state.counters["median_frame_ms"] = percentile(frames, 0.5);
    state.counters["p95_frame_ms"] = percentile(frames, 0.95);
    state.counters["empty_median_ms"] = percentile(empty, 0.5);
    state.counters["empty_p95_ms"] = percentile(empty, 0.95);
}

} // namespace

BENCHMARK(BM_TextTabFrame)
    ->DenseRange(0, 3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(bench::scaled(400, 10));

int main(int argc, char** argv) { return bench::runOffscreen(argc, argv); }
