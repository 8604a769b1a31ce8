#include "tabs/scenes/import/SceneImportProgress.h"

#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"

#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <SDL_events.h>
#include <SDL_surface.h>

#include <algorithm>
#include <chrono>
#include <string>

using namespace Zelkoran;

namespace {

using Clock = std::chrono::steady_clock;
// Events are pumped this often during a long step: the window keeps being
// drawn and a cancel is honoured well within half a second.
constexpr auto kPumpInterval = std::chrono::milliseconds(50);

int g_progressPanels = 0;
// The open progress panel (one at a time: it is modal) and when it opened.
int g_openPanel = 0;
Clock::time_point g_opened;

// While a long step runs, the bar shows that step's own percent, as the
// label beside it does; the whole conversion's range and step come back
// with the next step.
struct StageBar {
    bool active = false;
    int min = 0, max = 0, value = 0;
} g_stage;

void endStage(WidgetProgress* bar)
{
    if (!g_stage.active)
        return;
    g_stage.active = false;
    bar->setRange(g_stage.min, g_stage.max);
    bar->setValue(g_stage.value);
}

constexpr const char* kVideoImportTips =
    "Use short clips and select only the time range that contains useful motion.\n\n"
    "Recommended starting point for compressed video:\n"
    "- Match mode: Average color error\n"
    "- Match: 95.0% to 96.5%\n"
    "- Frames: 8 to 32\n"
    "- Tile size: same as your target map grid\n\n"
    "If too many cells become animated:\n"
    "- reduce Duration\n"
    "- reduce Frames\n"
    "- lower Match slightly\n\n"
    "If different tiles are merged incorrectly:\n"
    "- increase Match\n"
    "- try Pixel deviation for lossless or very clean sources\n\n"
    "Avoid very low Match values. They can create small atlases, but may merge different tiles incorrectly.\n\n"
    "Compressed videos usually need Average color error because codec artifacts make identical tiles differ "
    "slightly.";

} // namespace

int refreshSceneImportProgressUI(Main* main)
{
    SDL_Event event;
    while (main->update(&event)) {
        if (event.type == SDL_QUIT) {
            SDL_PushEvent(&event);
            return 0;
        }
        const bool cancelClicked = event.type == kGUIEventType && event.user.code == GE_ACTION &&
                                   g_openPanel > 0 && event.user.windowID == uint32_t(g_openPanel) &&
                                   reinterpret_cast<intptr_t>(event.user.data1) == PW_CANCEL;
        if (cancelClicked || (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE))
            return 0;
    }
    return 1;
}

bool stepSceneImportProgress(WidgetProgress* progress, int value)
{
    if (!progress)
        return true;
    endStage(progress);
    progress->setValue(value);
    return refreshSceneImportProgressUI(Main::instance()) != 0;
}

FrameTileProgress sceneImportStage(WidgetProgress* progress, const char* stage)
{
    if (!progress)
        return {};
    return [progress, stage = std::string(stage), started = false,
            last = Clock::time_point()](double done) mutable {
        const Clock::time_point now = Clock::now();
        if (started && now - last < kPumpInterval)
            return true;
        started = true;
        last = now;
        const int percent = std::clamp(int(done * 100.0), 0, 100);
        if (!g_stage.active) {
            g_stage = {true, progress->getMin(), progress->getMax(), progress->getValue()};
            progress->setRange(0, 100);
        }
        progress->setValue(percent);
        if (WidgetLabel* label = progress->getPanel() ? progress->getPanel()->getLabel(PW_LABEL) : nullptr) {
            const long long seconds =
                std::chrono::duration_cast<std::chrono::seconds>(now - g_opened).count();
            label->setText((stage + ": " + std::to_string(percent) + "% (" + std::to_string(seconds) + " s)").c_str());
        }
        return refreshSceneImportProgressUI(Main::instance()) != 0;
    };
}

ImportProgress widgetImportProgress(WidgetProgress* bar)
{
    return {[bar](int min, int max) {
                if (bar) {
                    g_stage.active = false;
                    bar->setRange(min, max);
                }
            },
            [bar] { return !bar ? 0 : g_stage.active ? g_stage.value : bar->getValue(); },
            [bar](int value) { return stepSceneImportProgress(bar, value); },
            [bar](const char* stage) { return sceneImportStage(bar, stage); }};
}

VideoImportProgressUI openVideoImportProgressUI(Main* main, ResourceManager* resources, const char* title,
                                                int frames)
{
    VideoImportProgressUI ui;
    const std::string n = std::to_string(g_progressPanels++);
    int id = 0;
    Panel* dialog = ui::addPanel(("VideoImportProgress" + n).c_str(), id);
    if (!dialog)
        return ui;
    const int font = resources ? resources->get(SR_FONT) : 0;
    Widget* base = dialog->baseWidget();
    base->setBorderCorner(4, WS_ALL);
    base->setFont(font, WS_ALL);
    base->setSize(330, 130);
    base->setBackgroundColor(240, 240, 240, WS_ALL);
    base->setBorderColor(116, 129, 147, 255, WS_ALL);
    base->setPosition(Position(0, PH_CENTER), Position(0, PH_CENTER));
    dialog->setPanelType(PT_MODAL, 0);
    if (WidgetLabel* caption = dialog->createLabel(("VideoImportTitle" + n).c_str(), PW_TITLE)) {
        const int white = main->fontMgr()->getBuiltin("Arial12White");
        if (white > 0)
            caption->setFont(white, WS_ALL);
        caption->setFeatures(WF_NO_BG, false);
        caption->setBackgroundColor(104, 118, 138, WS_ALL);
        caption->setSize(330, 25);
        caption->setPosition(0, 0);
        caption->setText(title ? title : "", Position(0, PH_CENTER), Position(2, PH_CENTER));
    }
    if (WidgetLabel* label = dialog->createLabel(("VideoImportProgressLabel" + n).c_str(), PW_LABEL)) {
        label->setFont(font, WS_ALL);
        label->setBackgroundColor(240, 240, 240, WS_ALL);
        label->setText("Creating animated tile layer...");
        label->setPosition(18, 43);
    }
    if (WidgetProgress* bar = dialog->createProgress(("VideoImportProgressBar" + n).c_str(), PW_BAR)) {
        bar->setSize(294, 14);
        bar->setRange(0, std::max(frames, 1) + 3);
        bar->setValue(0);
        bar->setBackgroundColor(48, 112, 192, 2);
        bar->setBackgroundColor(190, 190, 190, 1);
        bar->setPosition(18, 68);
        ui.progressBar = bar;
    }
    if (WidgetButton* cancel = dialog->createButton(("VideoImportCancel" + n).c_str(), PW_CANCEL)) {
        cancel->setFont(font, WS_ALL);
        cancel->setText("Cancel");
        cancel->setSize(80, 22);
        cancel->setPosition(125, 94);
        cancel->setTooltip("Stop the import; nothing is written");
    }
    base->show();
    ui.panelId = id;
    g_openPanel = id;
    g_opened = Clock::now();
    refreshSceneImportProgressUI(main); // a quit stays queued; the first step sees it
    return ui;
}

void closeVideoImportProgressUI(Main* main, VideoImportProgressUI& ui)
{
    if (ui.panelId > 0)
        main->guiMgr()->close(ui.panelId);
    if (ui.panelId == g_openPanel) {
        g_openPanel = 0;
        g_stage.active = false;
    }
    ui.panelId = 0;
    ui.progressBar = nullptr;
}

void showVideoImportHelp() { Main::instance()->tool()->messageBox("Video Import Tips", kVideoImportTips, 1, 3, 0, -1, -1); }
