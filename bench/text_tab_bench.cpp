// The XML and Files tabs holding a 1 MiB text block, drawn as the editor
// draws them (software renderer, 1400 x 1000): the text box has the focus,
// its caret in the middle of the text, scrolled there. One frame is the
// user's input of that frame handed to the GUI as the main loop hands it
// (SDL events through GUIMgr, the GUI events they raise to the tab) and
// the tab's whole presented frame (the tab's background, its panel with the
// block list and the text box). Per frame the user does nothing (the caret
// blinks), scrolls with the wheel (10 notches down, then 10 up), or types
// (10 letters, then 10 Backspaces) at the caret.
// The same frames, in the same run, are timed on three texts of 1 MiB: short
// lines (one element each, the baseline), 4 KiB lines (50 elements) and one
// line. Reports the median and the 95th percentile of each, and the 95th
// percentiles of the long lines and of the one line against the short
// lines' (long_x_short, one_line_x_short).
#include "BenchDir.h"
#include "EditorRig.h"
#include "tabs/data/ctrlFiles.h"
#include "tabs/data/ctrlXML.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/TestSupport.h>
#include <Zelkoran/Types.h>
#include <Zelkoran/Widget.h>

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <memory>
#include <numeric>
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
} kTabs[] = {{"XML", "ZK7_XML", 1208}, {"Files", "ZK7_FILE", 1308}};

enum Activity { kIdle, kScroll, kType };
const char* const kActivities[] = {"idle", "scroll", "type"};

// Elements per line of the three texts: short lines, 4 KiB lines, one line.
constexpr int kLayouts[] = {1, 50, 0};

// 1 MiB of XML, so many elements a line (0: the whole text on one line).
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
    std::string build(int tabIndex, int elementsPerLine)
    {
        const std::string bytes = megabyteOfXml(elementsPerLine);
        if (std::string why = open(kW, kH, "big.xml", kTabs[tabIndex].blockType, bytes); !why.empty())
            return why;
        if (kTabs[tabIndex].textBoxId == 1208)
            tab.reset(new (std::nothrow) CtrlXML(&*resources, &*status));
        else
            tab.reset(new (std::nothrow) CtrlFiles(&*resources, &*status));
        GUIMgr* gui = Main::instance()->guiMgr();
        panelId = gui->getPanelIDs().back();
        Panel* panel = gui->getPanel(panelId);
        tab->parseQEL();
        tab->show();
        tab->processEvent(tab->getCheckBoxID(), 1);
        if (tab->selectBlockListItemByName("big.xml") != 1)
            return "block not listed";
        if (const int rc = tab->processEvent(105, 1); rc != 0)
            return "block not loaded: " + std::to_string(rc);
        textBoxId = kTabs[tabIndex].textBoxId;
        text = panel->getTextEdit(textBoxId);
        if (!text || text->getLineCount() < 1)
            return "text not shown";
        gui->setFocus(text);
        text->setCaret(text->getLineCount() / 2, 4);
        drawEveryFrame();
        return "";
    }

    // Queues what the user does in frame i of the activity.
    void act(Activity activity, int i)
    {
        const bool forth = i % 20 < 10;
        if (activity == kScroll) {
            int x = 0, y = 0;
            TestSupport::widgetCenter(panelId, textBoxId, x, y);
            TestSupport::mouseWheel(x, y, forth ? -1 : 1);
        } else if (activity == kType) {
            if (forth)
                TestSupport::typeText("q");
            else
                TestSupport::key(SDLK_BACKSPACE);
        }
    }

    // Hands the queued SDL events to the GUI and the GUI events they raise
    // to the tab, as the main loop does.
    void deliver()
    {
        GUIMgr* gui = Main::instance()->guiMgr();
        for (SDL_Event e; SDL_PollEvent(&e);) {
            if (e.type == kGUIEventType)
                tab->processEvent(static_cast<int>(reinterpret_cast<intptr_t>(e.user.data1)),
                                  static_cast<int>(reinterpret_cast<intptr_t>(e.user.data2)));
            else
                gui->handleEvent(e);
        }
    }

    int panelId = 0;
    int textBoxId = 0;
    WidgetTextEdit* text = nullptr;
};

struct FrameTimes {
    std::vector<double> frames;
    double median() const { return percentile(frames, 0.5); }
    double p95() const { return percentile(frames, 0.95); }
};

// Times frames of the activity on the tab showing one of the texts.
std::string timeFrames(int tabIndex, int elementsPerLine, Activity activity, int count, FrameTimes& out)
{
    TextTabRig rig;
    if (std::string why = rig.build(tabIndex, elementsPerLine); !why.empty())
        return why;
    for (int i = 0; i < count; ++i) {
        rig.act(activity, i);
        const auto t0 = Clock::now();
        rig.deliver();
        rig.screen->renderFrame(true);
        out.frames.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    return "";
}

void BM_TextTabFrame(benchmark::State& state)
{
    const int tabIndex = static_cast<int>(state.range(0));
    const auto activity = static_cast<Activity>(state.range(1));
    state.SetLabel(std::string(kTabs[tabIndex].label) + ", " + kActivities[activity]);
    const int count = bench::scaled(400, 20);
    FrameTimes times[std::size(kLayouts)];
    for (auto _ : state) {
        double spent = 0;
        for (size_t i = 0; i < std::size(kLayouts); ++i) {
            if (const std::string why = timeFrames(tabIndex, kLayouts[i], activity, count, times[i]); !why.empty()) {
                state.SkipWithError(why.c_str());
                return;
            }
            spent += std::accumulate(times[i].frames.end() - count, times[i].frames.end(), 0.0);
        }
        state.SetIterationTime(spent / 1000);
    }
    const char* const names[] = {"short", "long", "one_line"};
    for (size_t i = 0; i < std::size(kLayouts); ++i) {
        state.counters[std::string(names[i]) + "_median_ms"] = times[i].median();
        state.counters[std::string(names[i]) + "_p95_ms"] = times[i].p95();
    }
    state.counters["long_x_short"] = times[1].p95() / times[0].p95();
    state.counters["one_line_x_short"] = times[2].p95() / times[0].p95();
}

} // namespace

BENCHMARK(BM_TextTabFrame)
    ->ArgsProduct({{0, 1}, {kIdle, kScroll, kType}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

int main(int argc, char** argv) { return bench::runOffscreen(argc, argv); }
