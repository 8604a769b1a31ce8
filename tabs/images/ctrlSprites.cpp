#include "tabs/images/ctrlSprites.h"

#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/base/TabControls.h"

#include <Zelkoran/GFX.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Timer.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <algorithm>
#include <iterator>

using namespace Zelkoran;

namespace {

constexpr int kPanelHeight = 720;
constexpr int kAnimLabelTop = 424;
constexpr int kFrameLabelTop = 625;
constexpr int kMaxCellSide = 4096;
constexpr int kMaxFrameMs = 20000;
constexpr int kNewFrameMs = 500;
constexpr uint32_t kGridColour = 0xFF000080;
constexpr uint32_t kAnimColour = 0x0000FFFF;
constexpr uint32_t kFrameColour = 0x00FF00FF;
// The playing animation: its corner in the preview area and its frame.
constexpr float kPlayMargin = 10;
constexpr uint32_t kPlayFrameColour = 0x000000FF;

const char* const kStates[CtrlSprites::kStateRows] = {"Normal",  "Up",      "Down",     "Left",     "Right",
                                                      "UpLeft",  "UpRight", "DownLeft", "DownRight"};
constexpr int kTypeRows = static_cast<int>(std::size(CtrlSprites::kTypes));
const char* const kTypeNames[kTypeRows] = {"Loop", "PingPong", "OneShot", "OneShotReverse", "Random"};

const CtrlImageResource::Kind kSpriteKind{"Sprite", "sprite", "defaultSprite",
                                          "The image could not be converted to a sprite."};

// "Animations 2/5".
CtrlBase::string makeCounterLabel(const char* prefix, int a, int b)
{
    String first, second;
    Main::instance()->tool()->intToStrDec(a, first);
    Main::instance()->tool()->intToStrDec(b, second);
    return CtrlBase::string(prefix) + " " + first + "/" + second;
}

} // namespace

CtrlSprites::CtrlSprites(ResourceManager* rm, GlobalStatus* gs)
    : CtrlImageResourceOf("Sprites", TAB_SPRITES, "ZK7_SPRITE", kSpriteKind, rm, gs)
{
    tabServices().panel().baseWidget()->setSize(200, kPanelHeight);
    createWidgets();
    CtrlSprites::onNew();
}

CtrlSprites::~CtrlSprites() { CtrlSprites::closeResources(); }

void CtrlSprites::createWidgets()
{
    Panel& tabPanel = tabServices().panel();
    ResourceManager& art = tabServices().resources();
    const int font = art.get(SR_FONT);
    addNumberRow({SW_OFFSET_X_LABEL, "OffsetLabelX", "Offset X:", 5, SW_OFFSET_X, "OffsetX", 60, 45, 0, kMaxCellSide,
                  "Spritesheet column width in pixels", 394});
    addNumberRow({SW_OFFSET_Y_LABEL, "OffsetLabelY", "Y:", 123, SW_OFFSET_Y, "OffsetY", 140, 45, 0, kMaxCellSide,
                  "Spritesheet row height in pixels", 394});
    ui::addButton(tabPanel, {.name = "AnimMinus", .id = SW_ANIM_MINUS, .x = ui::left(20), .y = ui::top(421), .w = 20,
                             .h = kRowHeight, .text = "<-", .tooltip = "Select previous animation"});
    ui::addLabel(tabPanel, {.name = "NumAnim", .id = SW_NUM_ANIM, .x = ui::centred(), .y = ui::top(kAnimLabelTop),
                            .text = "Animations 0/0", .font = font});
    ui::addButton(tabPanel, {.name = "AnimPlus", .id = SW_ANIM_PLUS, .x = ui::right(-20), .y = ui::top(421), .w = 20,
                             .h = kRowHeight, .text = "->", .tooltip = "Select next animation"});
    ui::addLabel(tabPanel, {.name = "Status", .id = SW_STATE_LABEL, .x = ui::left(26), .y = ui::top(448),
                            .text = "Status", .font = font});
    ui::addLabel(tabPanel, {.name = "Type", .id = SW_TYPE_LABEL, .x = ui::right(-52), .y = ui::top(448), .text = "Type",
                            .font = font});
    // The type list is the wider: "OneShotReverse" must show whole.
    const struct {
        ui::WidgetSpec spec;
        const char* const* rows;
        int count;
    } lists[] = {
        {{.name = "SprStatus", .id = SW_STATE, .x = ui::left(12), .y = ui::top(463), .w = 62, .h = 71, .font = font,
          .tooltip = "Animation status"},
         kStates, kStateRows},
        {{.name = "SprType", .id = SW_TYPE, .x = ui::right(-10), .y = ui::top(463), .w = 104, .h = 71, .font = font,
          .tooltip = "Animation playback type"},
         kTypeNames, kTypeRows},
    };
    for (const auto& entry : lists) {
        WidgetList* list = ui::addList(tabPanel, entry.spec);
        if (!list)
            continue;
        list->clearItems();
        for (int i = 0; i < entry.count; ++i)
            list->addItem(entry.rows[i]);
        for (int state : {WS_HOVERED, WS_PRESSED})
            list->setBackgroundColor(200, 200, 195, state);
    }
    addNumberRow({SW_HOT_X_LABEL, "HotSpotXLabel", "HotSpot X:", 5, SW_HOT_X, "HotSpotXSpr", 142, 45, -256, 256,
                  "Animation hotspot X", 542, SW_HOT_X_MODE, "HotSpotXModeSpr"});
    addNumberRow({SW_HOT_Y_LABEL, "HotSpotYLabel", "Y:", 51, SW_HOT_Y, "HotSpotYSpr", 142, 45, -256, 256,
                  "Animation hotspot Y", 567, SW_HOT_Y_MODE, "HotSpotYModeSpr"});
    addNumberRow({SW_FRAME_START_LABEL, "FramesStartLabel", "Frame Start:", 5, SW_FRAME_START, "FrameStart", 75, 37, 0,
                  kMaxCellSide, "First frame of the animation", 595});
    addNumberRow({SW_FRAME_END_LABEL, "FramesEndLabel", "End:", 119, SW_FRAME_END, "FrameEnd", 151, 37, 0, kMaxCellSide,
                  "Last frame of the animation", 595});
    ui::addButton(tabPanel, {.name = "FrameMinus", .id = SW_FRAME_MINUS, .x = ui::left(18), .y = ui::top(622), .w = 20,
                             .h = kRowHeight, .text = "<-", .tooltip = "Select previous frame"});
    ui::addLabel(tabPanel, {.name = "NumFrames", .id = SW_NUM_FRAMES, .x = ui::centred(), .y = ui::top(kFrameLabelTop),
                            .text = "Frames 0/0", .font = font});
    ui::addButton(tabPanel, {.name = "FramePlus", .id = SW_FRAME_PLUS, .x = ui::right(-18), .y = ui::top(622), .w = 20,
                             .h = kRowHeight, .text = "->", .tooltip = "Select next frame"});
    addNumberRow({SW_DURATION_LABEL, "FrameDuration", "Frame Duration:", 20, SW_FRAME_MS, "FrameMS", 107, 40, 0,
                  kMaxFrameMs, "Frame duration in milliseconds", 649});
    // The unit after the field, as no run of blanks in the caption is sure
    // to be as wide as the field in the editor's font.
    ui::addLabel(tabPanel, {.name = "FrameDurationUnit", .id = SW_DURATION_UNIT, .x = ui::left(148), .y = ui::top(652),
                            .text = "ms", .font = font});
    if (WidgetCheckBox* grid = ui::addSpriteCheckBox(tabPanel, {.name = "ShowGrid", .id = SW_SHOW_GRID,
                                                                .x = ui::centred(), .y = ui::bottom(-15),
                                                                .tooltip = "Show or hide the sprite grid"},
                                                                art.getClone(SS_GRID)))
        grid->setChecked(true);
}

int CtrlSprites::beforeResourceSave()
{
    current()->orderAnimState(-1);
    return 0;
}

int CtrlSprites::processEvent(int widgetId, int data)
{
    int r = 0;
    if (!handleImageEvent(widgetId, data, r))
        return r;
    bool refresh = false;
    if (widgetId == IW_IMPORT) {
        iAnimIndex = 0;
        if (current()->getAnimRangeIndex(0, &iFrameIndex, nullptr) != 0)
            iFrameIndex = 0;
        refresh = true;
    } else if (!handleOwnEvent(widgetId, data, refresh)) {
        return r;
    }
    for (int id : {SW_SHOW_GRID, SW_OFFSET_X, SW_OFFSET_Y, SW_HOT_X_MODE, SW_HOT_Y_MODE, SW_HOT_X, SW_HOT_Y,
                   SW_FRAME_START, SW_FRAME_END, SW_FRAME_MS, SW_ANIM_MINUS, SW_ANIM_PLUS, SW_FRAME_MINUS,
                   SW_FRAME_PLUS, SW_STATE, SW_TYPE})
        tabServices().setUsable(id, r == 0);
    applyWidgets(widgetId, refresh);
    return r;
}

bool CtrlSprites::handleOwnEvent(int widgetId, int data, bool& refresh)
{
    Sprite* s = current();
    switch (widgetId) {
    case SW_SHOW_GRID: bShowGrid = isTicked(SW_SHOW_GRID); break;
    case SW_ANIM_MINUS:
    case SW_ANIM_PLUS: {
        const int next = iAnimIndex + (widgetId == SW_ANIM_PLUS ? 1 : -1);
        if (s && next >= 0 && next < s->getAnimCount()) {
            iAnimIndex = next;
            s->selectAnimIndex(iAnimIndex);
            // The widgets are read for the frame the animation starts on,
            // so the frame time shown is that frame's.
            iFrameIndex = s->getFrameCurrent();
            refresh = true;
        }
        break;
    }
    case SW_FRAME_MINUS:
    case SW_FRAME_PLUS: {
        // Browsing stays inside the animation's range: frames outside it are not played.
        const int next = iFrameIndex + (widgetId == SW_FRAME_PLUS ? 1 : -1);
        int first = 0, last = -1;
        if (s && s->getAnimRangeIndex(iAnimIndex, &first, &last) == 0 && next >= first && next <= last) {
            s->selectFrameIndex(iAnimIndex, next);
            iFrameIndex = s->getFrameCurrent();
            refresh = true;
        }
        break;
    }
    case SW_STATE:
        if (!s)
            return false;
        if (data >= 1 && data <= kStateRows)
            s->setAnimStateIndex(iAnimIndex, static_cast<uint16_t>((data - 1) * 256));
        setDirty(true);
        break;
    case SW_TYPE:
        if (!s)
            return false;
        if (data >= 1 && data <= kTypeRows)
            s->setAnimTypeIndex(iAnimIndex, kTypes[data - 1]);
        // Selecting the animation again moves it to its first frame: the
        // widgets follow, or the shown frame's time would land on that one.
        s->selectAnimIndex(iAnimIndex);
        iFrameIndex = s->getFrameCurrent();
        refresh = true;
        setDirty(true);
        break;
    default: break;
    }
    return true;
}

void CtrlSprites::applyWidgets(int widgetId, bool refresh)
{
    Panel& tabPanel = tabServices().panel();
    Sprite* s = current();
    if (s)
        s->pause();
    const Image* ref = s ? Main::instance()->imageMgr()->get(s->getImage()) : nullptr;
    if (!ref)
        ref = Main::instance()->imageMgr()->get(iImageID);
    const int w = ref ? ref->getWidth() : 1, h = ref ? ref->getHeight() : 1;
    const int x = widgetInt(tabPanel, SW_OFFSET_X, 0, w, 0), y = widgetInt(tabPanel, SW_OFFSET_Y, 0, h, 0);
    const int cellW = x ? x : w, cellH = y ? y : h;
    if (s) {
        int oldW = 0, oldH = 0;
        s->getOffset(&oldW, &oldH);
        s->setOffset(cellW, cellH);
        // A new cut can drop the current animation or frame (the sprite
        // then falls back to the first): the widgets show what the sprite
        // holds now before anything below is written back.
        const bool recut = cellW != oldW || cellH != oldH;
        if (recut) {
            iAnimIndex = s->getAnimCurrentIndex();
            iFrameIndex = s->getFrameCurrent();
        }
        if (refresh || recut || cellW != iLastCellWidth) {
            iLastCellWidth = cellW;
            updateData();
        }
        if (widgetId == SW_OFFSET_X || widgetId == SW_OFFSET_Y)
            setDirty(true);
        iAnimIndex = s->getAnimCurrentIndex();
    }
    setLabel(tabPanel, SW_NUM_ANIM, s ? makeCounterLabel("Animations", iAnimIndex + 1, s->getAnimCount()) : "Animations 0/0",
             kAnimLabelTop);
    if (s) {
        for (int id : {SW_STATE, SW_TYPE})
            if (WidgetList* list = tabPanel.getList(id); list && list->getSelectedIndex() == 0)
                list->setSelectedIndex(1);
        s->setAnimHotSpotIndex(iAnimIndex, hotSpotWidgetsToValue(&tabPanel, SW_HOT_X_MODE, SW_HOT_X),
                               hotSpotWidgetsToValue(&tabPanel, SW_HOT_Y_MODE, SW_HOT_Y));
        if (widgetId == SW_HOT_X || widgetId == SW_HOT_Y || widgetId == SW_HOT_X_MODE || widgetId == SW_HOT_Y_MODE)
            setDirty(true);
        const int n = s->getFrameCountIndex(iAnimIndex);
        const int first = widgetInt(tabPanel, SW_FRAME_START, 1, n, 1);
        const int last = widgetInt(tabPanel, SW_FRAME_END, n, n, first);
        s->setAnimRangeIndex(iAnimIndex, first - 1, last - 1);
        if (widgetId == SW_FRAME_START || widgetId == SW_FRAME_END)
            setDirty(true);
        // A range that leaves the shown frame out moves it to the nearest
        // frame inside; the duration field then shows that frame's time
        // instead of writing the one it showed into it.
        if (const int shown = s->getFrameCurrent(); shown < first - 1 || shown > last - 1) {
            s->selectFrameIndex(iAnimIndex, std::clamp(shown, first - 1, last - 1));
            uint16_t ms = 0;
            if (s->getFrameTimeIndex(iAnimIndex, s->getFrameCurrent(), &ms) == 0)
                setNumber(SW_FRAME_MS, ms);
        }
        iFrameIndex = s->getFrameCurrent();
    }
    setLabel(tabPanel, SW_NUM_FRAMES,
             s ? makeCounterLabel("Frames", iFrameIndex + 1, s->getFrameCountIndex(iAnimIndex)) : "Frames 0/0",
             kFrameLabelTop);
    const int ms = widgetInt(tabPanel, SW_FRAME_MS, 0, kMaxFrameMs, 0);
    if (s) {
        s->setFrameTimeIndex(iAnimIndex, iFrameIndex, static_cast<uint16_t>(ms));
        if (widgetId == SW_FRAME_MS)
            setDirty(true);
    }
}

int CtrlSprites::updateData()
{
    Panel& tabPanel = tabServices().panel();
    CtrlImages::updateData();
    Sprite* s = current();
    if (!s)
        return 0;
    s->pause();
    // Right after a load the indexes are unknown: the sprite's current
    // animation and frame are the ones the widgets show and write back.
    if (iAnimIndex < 0)
        iAnimIndex = s->getAnimCurrentIndex();
    if (iFrameIndex < 0)
        iFrameIndex = s->getFrameCurrent();
    int w = 0, h = 0;
    s->getOffset(&w, &h);
    setNumber(SW_OFFSET_X, static_cast<float>(w));
    setNumber(SW_OFFSET_Y, static_cast<float>(h));
    uint16_t state = 0;
    if (s->getAnimStateIndex(iAnimIndex, &state) != 0)
        return 0;
    if (const int k = state >> 8; k < kStateRows)
        selectRow(SW_STATE, k + 1);
    int type = 1;
    if (s->getAnimTypeIndex(iAnimIndex, &type) != 0)
        return 0;
    for (int i = 0; i < kTypeRows; ++i)
        if (kTypes[i] == type)
            selectRow(SW_TYPE, i + 1);
    int hx = 0, hy = 0;
    if (s->getAnimHotSpotIndex(iAnimIndex, &hx, &hy) != 0)
        return 0;
    updateHotSpotAxisWidgets(&tabPanel, hx, SW_HOT_X_MODE, SW_HOT_X);
    updateHotSpotAxisWidgets(&tabPanel, hy, SW_HOT_Y_MODE, SW_HOT_Y);
    int first = 0, last = 0;
    if (s->getAnimRangeIndex(iAnimIndex, &first, &last) != 0)
        return 0;
    setNumber(SW_FRAME_START, static_cast<float>(first + 1));
    setNumber(SW_FRAME_END, static_cast<float>(last + 1));
    if (iFrameIndex < first)
        iFrameIndex = first;
    uint16_t ms = 0;
    if (s->getFrameTimeIndex(iAnimIndex, iFrameIndex, &ms) == 0)
        setNumber(SW_FRAME_MS, ms);
    return 0;
}

int CtrlSprites::render(int value)
{
    CtrlImages::render(value);
    Sprite* s = current();
    if (!s)
        return 0;
    const PreviewClip clip(tabServices());
    int ow = 0, oh = 0;
    s->getOffset(&ow, &oh);
    const float cw = static_cast<float>(ow) * fZoom, ch = static_cast<float>(oh) * fZoom;
    if (!(cw > 0) || !(ch > 0))
        return 0;
    if (bShowGrid)
        drawCellGrid(cw, ch, kGridColour);
    const auto outline = [](float l, float t, float r, float b, uint32_t rgba) {
        GFX::lineV(l, t, b, rgba, 0);
        GFX::lineV(r, t, b, rgba, 0);
        GFX::lineH(l, r, t, rgba, 0);
        GFX::lineH(l, r, b, rgba, 0);
    };
    const float x0 = rImg.x, y0 = rImg.y;
    const float top = y0 + static_cast<float>(iAnimIndex) * ch, bottom = top + ch - 1;
    outline(x0, top, x0 + static_cast<float>(s->getFrameCountIndex(iAnimIndex)) * cw - 1, bottom, kAnimColour);
    const float left = x0 + static_cast<float>(iFrameIndex) * cw;
    outline(left, top, left + cw - 1, bottom, kFrameColour);
    drawPlayingAnimation(*s, cw, ch);
    return 0;
}

void CtrlSprites::drawPlayingAnimation(Sprite& s, float cw, float ch)
{
    Image* sheet = Main::instance()->imageMgr()->get(s.getImage());
    const uint64_t now = Main::instance()->timer()->getTicks();
    if (!sheet || iAnimIndex < 0)
        return;
    if (iPlayingAnim != iAnimIndex) {
        iPlayingAnim = iAnimIndex;
        uPlayStart = now;
    }
    const int frame = s.frameAt(iAnimIndex, now - uPlayStart);
    int ow = 0, oh = 0;
    s.getOffset(&ow, &oh);
    const SDL_FRect src{static_cast<float>(frame * ow), static_cast<float>(iAnimIndex * oh), static_cast<float>(ow),
                        static_cast<float>(oh)};
    const float x = kPreviewLeft + kPlayMargin, y = kPreviewTop + kPlayMargin;
    const SDL_FRect dst{x, y, cw, ch};
    GFX::rectFilled(x - 1, y - 1, x + cw + 1, y + ch + 1, 0xFFFFFFFF, 0);
    sheet->render(0, &src, &dst);
    GFX::rect(x - 1, y - 1, x + cw + 1, y + ch + 1, kPlayFrameColour, 0);
    // Keep frames coming while the animation plays.
    tabServices().screen().invalidate();
}

int CtrlSprites::onNew()
{
    Panel& tabPanel = tabServices().panel();
    closeResources();
    if (CtrlImages::onNew() != 0)
        return -1;
    for (int id : {SW_OFFSET_X, SW_OFFSET_Y, SW_HOT_X, SW_HOT_Y})
        setNumber(id, 0);
    for (int id : {SW_HOT_X_MODE, SW_HOT_Y_MODE, SW_STATE, SW_TYPE})
        selectRow(id, 1);
    setNumber(SW_FRAME_START, 1);
    setNumber(SW_FRAME_END, 1);
    setNumber(SW_FRAME_MS, kNewFrameMs);
    setLabel(tabPanel, SW_NUM_ANIM, "Animations 0/0", kAnimLabelTop);
    setLabel(tabPanel, SW_NUM_FRAMES, "Frames 0/0", kFrameLabelTop);
    return 0;
}

int CtrlSprites::closeResources()
{
    CtrlImageResource::closeResources();
    iAnimIndex = iFrameIndex = iLastCellWidth = -1;
    iPlayingAnim = -1;
    return 0;
}
