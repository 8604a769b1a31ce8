#include "tabs/effects/effectAppearancePanel.h"

#include "services/ResourceManager.h"
#include "tabs/base/TabControls.h"
#include "tabs/base/TabServices.h"
#include "tabs/effects/ctrlEffectsListEdit.h"
#include "tabs/effects/effectWidgets.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Tool.h>

using namespace Zelkoran;
namespace ew = effectwidgets;
using namespace effectlists;

namespace {

using W = EffectWidgetIds;

constexpr int kPanelWidth = 300;
constexpr int kPanelHeight = 420;
// Right of the advanced panel, so that both open side by side.
constexpr int kPanelX = 712, kPanelY = 60;
constexpr int kFrameWidth = 290;
constexpr int kHexWidth = 96;
// Right of the "Colour:" and "Scale:" captions, the widest of the fields' rows.
constexpr int kColourFieldX = 60;
// The swatch rows start clear of "Palette:", the widest caption, and end
// inside the frame.
int swatchX(int i) { return 62 + 19 * i; }

// One group: frame, title, the selection row and its "+" and "-".
struct Group {
    int frameId;
    const char* frameName;
    int top, height;
    const char* tooltip;
    int titleId;
    const char* titleName;
    const char* title;
    int captionId;
    const char* captionName;
    const char* caption;
    int comboId;
    const char* comboName;
    const char* comboTooltip;
    int addId;
    const char* addName;
    const char* addTooltip;
    int deleteId;
    const char* deleteName;
    const char* deleteTooltip;
};

// clang-format off
const Group kGroups[] = {
    {W::PW_COLOR_FRAME, "ColourKeysFrame", 30, 118, "Lifetime colour key settings", 1738, "ColourKeysTitle", "Colour keys",
     1742, "ColourKeyLabel", "Key:", W::PW_COLOR_KEY, "ColourKey", "Select a lifetime colour key",
     W::PW_COLOR_ADD, "AddColourKey", "Add a colour key", W::PW_COLOR_DELETE, "DeleteColourKey", "Delete the selected colour key"},
    {W::PW_TINT_FRAME, "TintFrame", 156, 104, "Random tint palette settings", 1752, "TintTitle", "Tint palette",
     1753, "TintEntryLabel", "Entry:", W::PW_TINT_ENTRY, "TintEntry", "Select a random tint palette entry",
     W::PW_TINT_ADD, "AddTintEntry", "Add a tint palette entry", W::PW_TINT_DELETE, "DeleteTintEntry", "Delete the selected tint palette entry"},
    {W::PW_SCALE_FRAME, "ScaleKeysFrame", 268, 111, "Lifetime scale key settings", 1776, "ScaleKeysTitle", "Scale keys",
     1777, "ScaleKeyLabel", "Key:", W::PW_SCALE_KEY, "ScaleKey", "Select a lifetime scale key",
     W::PW_SCALE_ADD, "AddScaleKey", "Add a scale key", W::PW_SCALE_DELETE, "DeleteScaleKey", "Delete the selected scale key"},
};
// clang-format on

using ui::left;
using ui::top;
using ew::addCaption;

// Whether the field has the keyboard focus with an invalid text: the user
// is typing, nothing is applied yet.
bool stillTyping(Panel* p, int widgetId, bool valid)
{
    const Widget* w = p ? p->getWidgetByID(widgetId) : nullptr;
    return !valid && w && w->hasFocus();
}

String indexed(const char* prefix, int i)
{
    String digits;
    Main::instance()->tool()->intToStrDec(i, digits);
    return prefix + digits;
}

} // namespace

EffectAppearancePanel::EffectAppearancePanel(EffectContext& shared)
    : context(shared), keyLists(shared, floating)
{
}

void EffectAppearancePanel::createAppearancePanel()
{
    if (panel())
        return;
    const TabServices& services = context.services;
    Panel* created = floating.create(indexed("EffectsAppearance", EW_APPEARANCE).c_str(), kPanelWidth, kPanelHeight,
                                     kPanelX, kPanelY,
                                     {PW_TITLE, "AppearanceTitle", "Appearance", "Particle appearance controls"});
    if (!created)
        return;
    Panel& p = *created;
    const int font = services.resources().get(SR_FONT);
    ui::addButton(p, {.name = "CloseAppearance", .id = EW_APPEARANCE_CLOSE, .x = ui::right(-15),
                      .y = ui::bottom(-15), .w = 54, .h = 21, .text = "Close",
                      .tooltip = "Hide particle appearance controls"});

    // The hex fields keep what was typed when committed: the tab applies a
    // valid colour and answers an invalid one with the entry's own colour.
    auto hexField = [this, &p, &services](const char* name, int iconId, int textId, int swatchId, int y,
                                          const char* tooltip, bool (EffectAppearanceLists::*apply)()) {
        WidgetTextEdit* edit = createColorField(services, &p,
                                                {.name = name, .iconId = iconId, .editId = textId,
                                                 .swatchId = swatchId, .x = kColourFieldX, .y = y,
                                                 .tooltip = tooltip, .initHex = "#FFFFFFFF", .textWidth = kHexWidth},
                                                [this, apply](Widget&) {
                                               if (context.updatingWidgets)
                                                   return;
                                               // A refused pick must not stay on show.
                                               if ((keyLists.*apply)())
                                                   context.markEdited();
                                               else
                                                   keyLists.updateAppearanceData();
                                           });
        if (!edit)
            return;
        const WidgetReaction restoreInvalid = [this](Widget& w) {
            uint8_t r, g, b, a;
            if (!parseHexColorRGBA(static_cast<WidgetTextEdit&>(w).getText(), r, g, b, a))
                keyLists.updateAppearanceData();
        };
        edit->setOnValueCommitted(restoreInvalid);
        edit->setOnFocusLost(restoreInvalid);
    };
    auto timeField = [&p, font](const char* captionName, int captionId, int y, const char* name, int id) {
        addCaption(p, font, captionName, captionId, "Time:", 12, y + 3);
        if (WidgetNumberEdit* n = ew::addFloatNumber(p,
                                                     {.name = name, .id = id, .x = left(kColourFieldX), .y = top(y),
                                                      .w = 80, .h = 19, .font = font,
                                                      .tooltip = "Normalized particle lifetime position"},
                                                     0, 1, 0))
            n->setStep(0.01f);
    };
    auto swatches = [&p](const char* prefix, int firstId, int y, const char* tooltip) {
        for (int i = 0; i < kSwatches; ++i)
            ew::addSwatch(p, {.name = indexed(prefix, i).c_str(), .id = firstId + i, .x = left(swatchX(i)),
                              .y = top(y), .w = 18, .h = 18, .tooltip = tooltip});
    };

    for (const Group& g : kGroups) {
        ui::addOutline(p, {.name = g.frameName, .id = g.frameId, .x = left(5), .y = top(g.top), .w = kFrameWidth,
                           .h = g.height, .tooltip = g.tooltip});
        addCaption(p, font, g.titleName, g.titleId, g.title, 12, g.top + 5, g.tooltip);
        addCaption(p, font, g.captionName, g.captionId, g.caption, 12, g.top + 26);
        ui::addComboBox(p, {.name = g.comboName, .id = g.comboId, .x = left(50), .y = top(g.top + 23), .w = 118,
                            .h = 19, .font = font, .tooltip = g.comboTooltip});
        ui::addButton(p, {.name = g.addName, .id = g.addId, .x = left(176), .y = top(g.top + 23), .w = 20, .h = 19,
                          .text = "+", .tooltip = g.addTooltip});
        ui::addButton(p, {.name = g.deleteName, .id = g.deleteId, .x = left(202), .y = top(g.top + 23), .w = 20,
                          .h = 19, .text = "-", .tooltip = g.deleteTooltip});
        if (g.frameId == PW_COLOR_FRAME) {
            timeField("ColourTimeLabel", 1744, 76, "ColourTime", PW_COLOR_TIME);
            addCaption(p, font, "ColourValueLabel", 1748, "Colour:", 12, 102);
            hexField("ColourValue", PW_COLOR_ICON, PW_COLOR_TEXT, PW_COLOR_SWATCH, 99, "Selected colour key",
                     &EffectAppearanceLists::applyColorKeyWidgets);
            addCaption(p, font, "RampLabel", 1762, "Ramp:", 12, 126, "Preview of the lifetime colour keys");
            swatches("RampSwatch", PW_RAMP_SWATCH, 122, "Lifetime colour ramp preview");
        } else if (g.frameId == PW_TINT_FRAME) {
            addCaption(p, font, "TintColourLabel", 1757, "Colour:", 12, 205);
            hexField("TintColour", PW_TINT_ICON, PW_TINT_TEXT, PW_TINT_SWATCH, 202, "Selected tint palette colour",
                     &EffectAppearanceLists::applyTintPaletteWidgets);
            addCaption(p, font, "TintPreviewLabel", 1785, "Palette:", 12, 228,
                       "Preview of all selected tint palette colours");
            swatches("TintPreviewSwatch", PW_TINT_SWATCH_0, 225, "Selected tint palette preview");
        } else {
            timeField("ScaleTimeLabel", 1781, 314, "ScaleTime", PW_SCALE_TIME);
            addCaption(p, font, "ScaleValueLabel", 1783, "Scale:", 12, 340);
            ew::addFloatNumber(p,
                               {.name = "ScaleValue", .id = PW_SCALE_VALUE, .x = left(kColourFieldX), .y = top(337),
                                .w = 80, .h = 19, .font = font,
                                .tooltip = "Particle scale at the selected lifetime position"},
                               0, 10000, 1);
        }
    }
}

int EffectAppearancePanel::handleAppearanceEvent(int id)
{
    if (id < PW_COLOR_KEY || id > PW_SCALE_VALUE)
        return 0;
    // The change an id asks for; selection rows have none.
    bool (EffectAppearanceLists::*change)() = nullptr;
    switch (id) {
    case PW_COLOR_KEY:
    case PW_TINT_ENTRY:
    case PW_SCALE_KEY: break;
    case PW_COLOR_ADD: change = &EffectAppearanceLists::addColorKey; break;
    case PW_COLOR_DELETE: change = &EffectAppearanceLists::deleteColorKey; break;
    case PW_COLOR_TIME:
    case PW_COLOR_TEXT: change = &EffectAppearanceLists::applyColorKeyWidgets; break;
    case PW_TINT_ADD: change = &EffectAppearanceLists::addTintPaletteEntry; break;
    case PW_TINT_DELETE: change = &EffectAppearanceLists::deleteTintPaletteEntry; break;
    case PW_TINT_TEXT: change = &EffectAppearanceLists::applyTintPaletteWidgets; break;
    case PW_SCALE_ADD: change = &EffectAppearanceLists::addScaleKey; break;
    case PW_SCALE_DELETE: change = &EffectAppearanceLists::deleteScaleKey; break;
    case PW_SCALE_TIME:
    case PW_SCALE_VALUE: change = &EffectAppearanceLists::applyScaleKeyWidgets; break;
    default: return 0;
    }
    if (context.updatingWidgets)
        return 1;
    if (!change) {
        keyLists.select(id);
        return 1;
    }
    if ((id == PW_COLOR_TEXT || id == PW_TINT_TEXT) && hexHeldBack(id))
        return 1;
    if (!(keyLists.*change)()) {
        keyLists.updateAppearanceData();
        return 1;
    }
    context.markEdited();
    const bool scaleKeys = id == PW_SCALE_ADD || id == PW_SCALE_DELETE || id == PW_SCALE_TIME || id == PW_SCALE_VALUE;
    return scaleKeys ? kScaleKeysEdited : 1;
}

bool EffectAppearancePanel::hexHeldBack(int id) const
{
    Panel* p = panel();
    const WidgetTextEdit* edit = p ? p->getTextEdit(id) : nullptr;
    SDL_Color c{};
    const bool valid = edit && parseHexColorRGBA(edit->getText(), c.r, c.g, c.b, c.a);
    if (stillTyping(p, id, valid))
        return true;
    const ParticleEmitter* e = context.emitter();
    if (!valid || !e)
        return false;
    // The entry's own colour again (a restored or re-confirmed text) is no edit.
    const auto same = [&c](const SDL_Color& o) { return o.r == c.r && o.g == c.g && o.b == c.b && o.a == c.a; };
    if (id == PW_TINT_TEXT) {
        const Vector<SDL_Color>& palette = e->getTintPalette();
        const size_t entry = static_cast<size_t>(keyLists.selectedTintEntry());
        return keyLists.selectedTintEntry() >= 0 && entry < palette.size() && same(palette[entry]);
    }
    const Vector<ParticleColorKey>& keys = e->getColorKeys();
    const size_t key = static_cast<size_t>(keyLists.selectedColorKey());
    return keyLists.selectedColorKey() >= 0 && key < keys.size() && same(keys[key].color)
           && keys[key].time == ew::numberValue(p, PW_COLOR_TIME, 0);
}

void EffectAppearancePanel::updateStates(bool open)
{
    Panel* p = panel();
    if (!p)
        return;
    for (int id : {PW_COLOR_KEY, PW_COLOR_ADD, PW_COLOR_DELETE, PW_COLOR_TIME, PW_COLOR_ICON, PW_COLOR_TEXT,
                   PW_COLOR_SWATCH, PW_TINT_ENTRY, PW_TINT_ADD, PW_TINT_DELETE, PW_TINT_ICON, PW_TINT_TEXT,
                   PW_TINT_SWATCH, PW_SCALE_KEY, PW_SCALE_ADD, PW_SCALE_DELETE, PW_SCALE_TIME, PW_SCALE_VALUE})
        ew::setUsable(p, id, open);
    ew::setUsable(p, EW_APPEARANCE_CLOSE, true);
    const ParticleEmitter* e = open ? context.emitter() : nullptr;
    const size_t keys = e ? e->getColorKeys().size() : 0;
    const size_t tints = e ? e->getTintPalette().size() : 0;
    const size_t scales = e ? e->getScaleKeys().size() : 0;
    ew::setUsable(p, PW_COLOR_ADD, e && keys < 8);
    ew::setUsable(p, PW_TINT_ADD, e && tints < 16);
    ew::setUsable(p, PW_SCALE_ADD, e && scales < 8);
    ew::setUsable(p, PW_COLOR_DELETE, e && keys > 1);
    ew::setUsable(p, PW_TINT_DELETE, e && tints > 1);
    ew::setUsable(p, PW_SCALE_DELETE, e && scales > 1);
}
