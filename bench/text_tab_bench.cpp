// The XML and Files tabs holding a 1 MiB text block, drawn as the editor
// draws them (software renderer, 1400 x 1000): the text box has the focus,
// its caret in the middle of the text, scrolled there. One frame is the
// user's input of that frame handed to the GUI as the main loop hands it
// (SDL events through GUIMgr, the GUI events they raise to the tab) and
// the tab's whole presented frame (the tab's background, its panel with the
// block list and the text box). Per frame the user does nothing (the caret
// shows), scrolls with the wheel (10 notches down, then 10 up), scrolls so
// with all the text selected, or types (10 letters, then 10 Backspaces) at
// the caret.
// Three texts of 1 MiB, three blocks of one archive, are compared: short
// lines (one element each, the baseline), 4 KiB lines (50 elements) and one
// line. Each is shown by its own tab of the same kind in one editor, and
// the three take turns frame by frame, so that the load of the machine
// falls on each alike. Before each frame, untimed, the turn's tab is shown
// (the others hidden) and its text box given the focus (and, when scrolling
// a selection, all its text selected with Ctrl+A). Reports for each
// text the median and the 95th percentile of the frames' wall time, and the
// 95th percentile of the CPU time the frames took (which other programs on
// the machine do not lengthen); and the 95th percentiles of the long lines
// and of the one line against the short lines' (long_x_short,
// one_line_x_short; with _cpu, of the CPU times).
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
#include <ctime>
#include <iterator>
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
} kTabs[] = {{"XML", "ZK7_XML", 1208}, {"Files", "ZK7_FILE", 1308}};

enum Activity { kIdle, kScroll, kScrollSelected, kType };
const char* const kActivities[] = {"idle", "scroll", "scroll selected", "type"};

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


// One editor holding each text's block, with a tab of the same kind for
// each text, each tab with the editor's panels around it (the tab bar and
// the rest); the panels of one text are shown at a time.
class TextTabRig : public bench::EditorRig<CtrlTextFile> {
public:
    // Empty string, or why the rig could not be built.
    std::string build(int tabIndex, Activity activity)
    {
        const char* const type = kTabs[tabIndex].blockType;
        for (size_t i = 0; i < std::size(kLayouts); ++i) {
            const std::string bytes = megabyteOfXml(kLayouts[i]);
            const std::string name = blockName(i);
            if (std::string why = i == 0 ? open(kW, kH, name.c_str(), type, bytes) : addBlock(name.c_str(), type, bytes);
                !why.empty())
                return why;
        }
        textBoxId = kTabs[tabIndex].textBoxId;
        pointerOnText = activity == kScroll || activity == kScrollSelected;
        selectAll = activity == kScrollSelected;
        for (size_t i = 0; i < std::size(kLayouts); ++i)
            if (std::string why = makeSide(i); !why.empty())
                return why;
        turnTo(0);
        screen->renderFrame(true); // warms the caches
        return "";
    }

    // Shows the panels of text i, its text box with the focus (the pointer
    // on it when the user scrolls, all of it selected when a selection is
    // scrolled), and hands out the GUI events that raises.
    void turnTo(size_t i)
    {
        GUIMgr* gui = Main::instance()->guiMgr();
        if (i != shown) {
            gui->setFocus(nullptr); // a box typed in commits as it loses the focus
            deliver();
            if (shown < std::size(sides))
                for (int id : sides[shown].panels)
                    gui->getPanel(id)->baseWidget()->hide();
            for (int id : sides[i].panels)
                gui->getPanel(id)->baseWidget()->show();
            shown = i;
        }
        gui->setFocus(sides[i].text);
        CtrlTextFile* drawn = sides[i].tab.get();
        screen->setRenderCallback([drawn](int value) { return drawn->render(value); });
        if (pointerOnText) {
            int x = 0, y = 0;
            TestSupport::widgetCenter(sides[i].panelId, textBoxId, x, y);
            TestSupport::mouseMove(x, y);
        }
        if (selectAll)
            TestSupport::key(SDLK_a, KMOD_LCTRL);
        deliver();
    }

    // Queues what the user does in frame i of the activity.
    void act(Activity activity, int i) const
    {
        const bool forth = i % 20 < 10;
        if (activity == kScroll || activity == kScrollSelected) {
            int x = 0, y = 0;
            TestSupport::widgetCenter(sides[shown].panelId, textBoxId, x, y);
            TestSupport::mouseWheel(x, y, forth ? -1 : 1);
        } else if (activity == kType) {
            if (forth)
                TestSupport::typeText("q");
            else
                TestSupport::key(SDLK_BACKSPACE);
        }
    }

    // Hands the queued SDL events to the GUI and the GUI events they raise
    // to the tab of their panel, as the main loop does.
    void deliver()
    {
        GUIMgr* gui = Main::instance()->guiMgr();
        for (SDL_Event e; SDL_PollEvent(&e);) {
            if (e.type != kGUIEventType) {
                gui->handleEvent(e);
                continue;
            }
            const auto raiser = std::find_if(std::begin(sides), std::end(sides), [&](const Side& side) {
                return side.panelId == static_cast<int>(e.user.windowID);
            });
            const Side& to = raiser != std::end(sides) ? *raiser : sides[shown];
            to.tab->processEvent(static_cast<int>(reinterpret_cast<intptr_t>(e.user.data1)),
                                 static_cast<int>(reinterpret_cast<intptr_t>(e.user.data2)));
        }
    }

private:
    struct Side {
        std::optional<ResourceManager> resources; // the first text's are the rig's
        std::unique_ptr<CtrlTextFile> tab;
        Vector<int> panels; // the shown ones the editor made for the text, bottom to top
        int panelId = 0;    // the tab's
        WidgetTextEdit* text = nullptr;
    };

    static std::string blockName(size_t text) { return "text" + std::to_string(text) + ".xml"; }

    // Makes the editor's panels and the tab of text i, loads its block and
    // hides them. Empty string, or why not.
    std::string makeSide(size_t i)
    {
        Side& side = sides[i];
        GUIMgr* gui = Main::instance()->guiMgr();
        const Vector<int> before = i == 0 ? Vector<int>() : gui->getPanelIDs();
        ResourceManager* editor = &*resources;
        if (i > 0) {
            if (side.resources.emplace().load() != 0)
                return "no editor resources";
            editor = &*side.resources;
        }
        if (textBoxId == 1208)
            side.tab.reset(new (std::nothrow) CtrlXML(editor, &*status));
        else
            side.tab.reset(new (std::nothrow) CtrlFiles(editor, &*status));
        if (!side.tab)
            return "no tab";
        side.panelId = gui->getPanelIDs().back();
        side.tab->parseQEL();
        side.tab->show();
        side.tab->processEvent(side.tab->getCheckBoxID(), 1);
        if (side.tab->selectBlockListItemByName(blockName(i).c_str()) != 1)
            return "block not listed";
        if (const int rc = side.tab->processEvent(105, 1); rc != 0)
            return "block not loaded: " + std::to_string(rc);
        side.text = gui->getPanel(side.panelId)->getTextEdit(textBoxId);
        if (!side.text || side.text->getLineCount() < 1)
            return "text not shown";
        side.text->setCaret(side.text->getLineCount() / 2, 4);
        for (int id : gui->getPanelIDs())
            if (std::find(before.begin(), before.end(), id) == before.end() &&
                gui->getPanel(id)->baseWidget()->isShown())
                side.panels.push_back(id);
        for (int id : side.panels)
            gui->getPanel(id)->baseWidget()->hide();
        return "";
    }

    Side sides[std::size(kLayouts)];
    size_t shown = std::size(kLayouts); // none
    int textBoxId = 0;
    bool pointerOnText = false;
    bool selectAll = false;
};

// Milliseconds of CPU time the calling thread has used.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void BM_TextTabFrame(benchmark::State& state)
{
    const int tabIndex = static_cast<int>(state.range(0));
    const auto activity = static_cast<Activity>(state.range(1));
    state.SetLabel(std::string(kTabs[tabIndex].label) + ", " + kActivities[activity]);
    const int count = bench::scaled(1200, 20);
    constexpr size_t kTexts = std::size(kLayouts);
    std::vector<double> wall[kTexts], cpu[kTexts];
    for (auto _ : state) {
        TextTabRig rig;
        if (const std::string why = rig.build(tabIndex, activity); !why.empty()) {
            state.SkipWithError(why.c_str());
            return;
        }
        double spent = 0;
        for (int frame = 0; frame < count; ++frame) {
            // Each text's frame comes after each other text's alike often.
            for (size_t k = 0; k < kTexts; ++k) {
                const size_t i = (static_cast<size_t>(frame) + k) % kTexts;
                rig.turnTo(i);
                rig.act(activity, frame);
                const double cpu0 = threadCpuMs();
                const auto t0 = Clock::now();
                rig.deliver();
                rig.screen->renderFrame(true);
                wall[i].push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
                cpu[i].push_back(threadCpuMs() - cpu0);
                spent += wall[i].back();
            }
        }
        state.SetIterationTime(spent / 1000);
    }
    const char* const names[] = {"short", "long", "one_line"};
    for (size_t i = 0; i < kTexts; ++i) {
        const std::string name = names[i];
        state.counters[name + "_median_ms"] = percentile(wall[i], 0.5);
        state.counters[name + "_p95_ms"] = percentile(wall[i], 0.95);
        state.counters[name + "_cpu_p95_ms"] = percentile(cpu[i], 0.95);
        if (i > 0) {
            state.counters[name + "_x_short"] = percentile(wall[i], 0.95) / percentile(wall[0], 0.95);
            state.counters[name + "_x_short_cpu"] = percentile(cpu[i], 0.95) / percentile(cpu[0], 0.95);
        }
    }
}

} // namespace

BENCHMARK(BM_TextTabFrame)
    ->ArgsProduct({{0, 1}, {kIdle, kScroll, kScrollSelected, kType}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

int main(int argc, char** argv) { return bench::runOffscreen(argc, argv); }
