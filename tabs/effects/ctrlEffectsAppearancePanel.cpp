// The appearance panel: colour keys with their ramp, the random tint
// palette with its preview and the scale keys. The list editing behind it
// lives in ctrlEffectsKeyLists.cpp.
#include "tabs/effects/ctrlEffects.h"
#include "tabs/effects/ctrlEffectsListEdit.h"
#include "tabs/effects/ctrlEffectsWidgets.h"

#include "services/ResourceManager.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Tool.h>

using namespace Zelkoran;
namespace ew = effectwidgets;
using effectwidgets::addEffectButton;
using effectwidgets::addEffectCombo;
using effectwidgets::addEffectFrame;
using effectwidgets::addEffectLabel;
using effectwidgets::addEffectNumber;
using effectwidgets::addEffectSwatch;
using effectwidgets::createFloatingPanel;
using namespace effectlists;

namespace {

using W = CtrlEffects;

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
    {1737, "ColourKeysFrame", 30, 118, "Lifetime colour key settings", 1738, "ColourKeysTitle", "Colour keys",
     1742, "ColourKeyLabel", "Key:", W::PW_COLOR_KEY, "ColourKey", "Select a lifetime colour key",
     W::PW_COLOR_ADD, "AddColourKey", "Add a colour key", W::PW_COLOR_DELETE, "DeleteColourKey", "Delete the selected colour key"},
    {1751, "TintFrame", 156, 104, "Random tint palette settings", 1752, "TintTitle", "Tint palette",
     1753, "TintEntryLabel", "Entry:", W::PW_TINT_ENTRY, "TintEntry", "Select a random tint palette entry",
     W::PW_TINT_ADD, "AddTintEntry", "Add a tint palette entry", W::PW_TINT_DELETE, "DeleteTintEntry", "Delete the selected tint palette entry"},
    {1775, "ScaleKeysFrame", 268, 111, "Lifetime scale key settings", 1776, "ScaleKeysTitle", "Scale keys",
     1777, "ScaleKeyLabel", "Key:", W::PW_SCALE_KEY, "ScaleKey", "Select a lifetime scale key",
     W::PW_SCALE_ADD, "AddScaleKey", "Add a scale key", W::PW_SCALE_DELETE, "DeleteScaleKey", "Delete the selected scale key"},
};
// clang-format on

Position at(int x) { return Position(static_cast<float>(x), PH_LEFT); }
Position top(int y) { return Position(static_cast<float>(y), PH_TOP); }

String indexed(const char* prefix, int i)
{
    String digits;
    Main::instance()->tool()->intToStrDec(i, digits);
    return prefix + digits;
}

} // namespace

void CtrlEffects::createAppearancePanel(ResourceManager* rm)
{
    if (appearancePanelId > 0)
        return;
    appearancePanelId = createFloatingPanel(indexed("EffectsAppearance", EW_APPEARANCE).c_str(), kPanelWidth,
                                            kPanelHeight, kPanelX, kPanelY, PW_TITLE, "AppearanceTitle", "Appearance",
                                            "Particle appearance controls");
    Panel* p = appearancePanel();
    if (!p) {
        appearancePanelId = 0;
        return;
    }
    addEffectButton(p, "CloseAppearance", EW_APPEARANCE_CLOSE, "Close", 54, 21, Position(-15, PH_RIGHT),
                    Position(-15, PH_BOTTOM), "Hide particle appearance controls");

    // The hex fields keep what was typed when committed: the tab applies a
    // valid colour and answers an invalid one with the entry's own colour.
    auto colourField = [this, p, rm](const char* name, int iconId, int textId, int swatchId, int y,
                                     const char* tooltip, bool (CtrlEffects::*apply)()) {
        WidgetTextEdit* edit = createColorField(p, rm, name, iconId, textId, swatchId, kColourFieldX, y, tooltip, "#FFFFFFFF",
                                                kHexWidth, [this, apply](Widget&) {
                                                    if (updatingWidgets)
                                                        return;
                                                    // A refused pick must not stay on show.
                                                    if ((this->*apply)())
                                                        setDirty(true);
                                                    else
                                                        updateAppearanceData();
                                                });
        if (!edit)
            return;
        const WidgetReaction restoreInvalid = [this](Widget& w) {
            uint8_t r, g, b, a;
            if (!parseHexColorRGBA(static_cast<WidgetTextEdit&>(w).getText(), r, g, b, a))
                updateAppearanceData();
        };
        edit->setOnValueCommitted(restoreInvalid);
        edit->setOnFocusLost(restoreInvalid);
    };
    auto timeField = [p, rm](const char* captionName, int captionId, int y, const char* name, int id) {
        addEffectLabel(p, rm, captionName, captionId, "Time:", 12, y + 3, nullptr);
        if (WidgetNumberEdit* n = addEffectNumber(p, rm, name, id, 80, kColourFieldX, y, 0, 1, 0,
                                                  "Normalized particle lifetime position"))
            n->setStep(0.01f);
    };

    for (const Group& g : kGroups) {
        addEffectFrame(p, g.frameName, g.frameId, g.top, g.height, g.tooltip, 5, kFrameWidth);
        addEffectLabel(p, rm, g.titleName, g.titleId, g.title, 12, g.top + 5, g.tooltip);
        addEffectLabel(p, rm, g.captionName, g.captionId, g.caption, 12, g.top + 26, nullptr);
        addEffectCombo(p, rm, g.comboName, g.comboId, 118, 50, g.top + 23, g.comboTooltip);
        addEffectButton(p, g.addName, g.addId, "+", 20, 19, at(176), top(g.top + 23), g.addTooltip);
        addEffectButton(p, g.deleteName, g.deleteId, "-", 20, 19, at(202), top(g.top + 23), g.deleteTooltip);
        if (g.frameId == 1737) {
            timeField("ColourTimeLabel", 1744, 76, "ColourTime", PW_COLOR_TIME);
            addEffectLabel(p, rm, "ColourValueLabel", 1748, "Colour:", 12, 102, nullptr);
            colourField("ColourValue", PW_COLOR_ICON, PW_COLOR_TEXT, PW_COLOR_SWATCH, 99, "Selected colour key",
                        &CtrlEffects::applyColorKeyWidgets);
            addEffectLabel(p, rm, "RampLabel", 1762, "Ramp:", 12, 126, "Preview of the lifetime colour keys");
            for (int i = 0; i < kSwatches; ++i)
                addEffectSwatch(p, indexed("RampSwatch", i), PW_RAMP_SWATCH + i, swatchX(i), 122,
                                "Lifetime colour ramp preview");
        } else if (g.frameId == 1751) {
            addEffectLabel(p, rm, "TintColourLabel", 1757, "Colour:", 12, 205, nullptr);
            colourField("TintColour", PW_TINT_ICON, PW_TINT_TEXT, PW_TINT_SWATCH, 202, "Selected tint palette colour",
                        &CtrlEffects::applyTintPaletteWidgets);
            addEffectLabel(p, rm, "TintPreviewLabel", 1785, "Palette:", 12, 228,
                           "Preview of all selected tint palette colours");
            for (int i = 0; i < kSwatches; ++i)
                addEffectSwatch(p, indexed("TintPreviewSwatch", i), PW_TINT_SWATCH_0 + i, swatchX(i), 225,
                                "Selected tint palette preview");
        } else {
            timeField("ScaleTimeLabel", 1781, 314, "ScaleTime", PW_SCALE_TIME);
            addEffectLabel(p, rm, "ScaleValueLabel", 1783, "Scale:", 12, 340, nullptr);
            addEffectNumber(p, rm, "ScaleValue", PW_SCALE_VALUE, 80, kColourFieldX, 337, 0, 10000, 1,
                            "Particle scale at the selected lifetime position");
        }
    }
}

int CtrlEffects::handleAppearanceEvent(int id)
{
    if (id < PW_COLOR_KEY || id > PW_SCALE_VALUE)
        return 0;
    int32_t* selection = nullptr;
    bool (CtrlEffects::*change)() = nullptr;
    switch (id) {
    case PW_COLOR_KEY: selection = &selectedColorKey; break;
    case PW_TINT_ENTRY: selection = &selectedTintEntry; break;
    case PW_SCALE_KEY: selection = &selectedScaleKey; break;
    case PW_COLOR_ADD: change = &CtrlEffects::addColorKey; break;
    case PW_COLOR_DELETE: change = &CtrlEffects::deleteColorKey; break;
    case PW_COLOR_TIME:
    case PW_COLOR_TEXT: change = &CtrlEffects::applyColorKeyWidgets; break;
    case PW_TINT_ADD: change = &CtrlEffects::addTintPaletteEntry; break;
    case PW_TINT_DELETE: change = &CtrlEffects::deleteTintPaletteEntry; break;
    case PW_TINT_TEXT: change = &CtrlEffects::applyTintPaletteWidgets; break;
    case PW_SCALE_ADD: change = &CtrlEffects::addScaleKey; break;
    case PW_SCALE_DELETE: change = &CtrlEffects::deleteScaleKey; break;
    case PW_SCALE_TIME:
    case PW_SCALE_VALUE: change = &CtrlEffects::applyScaleKeyWidgets; break;
    default: return 0;
    }
    if (updatingWidgets)
        return 1;
    if (selection) {
        *selection = ew::comboRow(appearancePanel(), id) - 1;
        updateAppearanceData();
        return 1;
    }
    if ((id == PW_COLOR_TEXT || id == PW_TINT_TEXT) && hexHeldBack(id))
        return 1;
    if ((this->*change)())
        setDirty(true);
    else
        updateAppearanceData();
    return 1;
}

bool CtrlEffects::hexHeldBack(int id) const
{
    Panel* p = appearancePanel();
    const WidgetTextEdit* edit = p ? p->getTextEdit(id) : nullptr;
    SDL_Color c{};
    const bool valid = edit && parseHexColorRGBA(edit->getText(), c.r, c.g, c.b, c.a);
    if (stillTyping(p, id, valid))
        return true;
    const ParticleEmitter* e = emitter();
    if (!valid || !e)
        return false;
    // The entry's own colour again (a restored or re-confirmed text) is no edit.
    const auto same = [&c](const SDL_Color& o) { return o.r == c.r && o.g == c.g && o.b == c.b && o.a == c.a; };
    if (id == PW_TINT_TEXT) {
        const Vector<SDL_Color>& palette = e->getTintPalette();
        return selectedTintEntry >= 0 && static_cast<size_t>(selectedTintEntry) < palette.size()
               && same(palette[static_cast<size_t>(selectedTintEntry)]);
    }
    const Vector<ParticleColorKey>& keys = e->getColorKeys();
    return selectedColorKey >= 0 && static_cast<size_t>(selectedColorKey) < keys.size()
           && same(keys[static_cast<size_t>(selectedColorKey)].color)
           && keys[static_cast<size_t>(selectedColorKey)].time == ew::numberValue(p, PW_COLOR_TIME, 0);
}

void CtrlEffects::updateAppearanceData()
{
    if (!appearancePanel())
        return;
    const bool guard = updatingWidgets;
    updatingWidgets = true;
    updateColorKeyData();
    updateTintPaletteData();
    updateColorRampPreview();
    updateScaleKeyData();
    updatingWidgets = guard;
}

void CtrlEffects::updateColorRampPreview()
{
    Panel* p = appearancePanel();
    const ParticleEmitter* e = emitter();
    const Vector<ParticleColorKey> none;
    const Vector<ParticleColorKey>& keys = e ? e->getColorKeys() : none;
    for (int i = 0; i < kSwatches; ++i) {
        const SDL_Color c = rampColor(keys, i);
        ew::setSwatch(p, PW_RAMP_SWATCH + i, c.r, c.g, c.b);
    }
}

void CtrlEffects::updateAppearanceWidgetStates(bool open)
{
    Panel* p = appearancePanel();
    if (!p)
        return;
    for (int id : {PW_COLOR_KEY, PW_COLOR_ADD, PW_COLOR_DELETE, PW_COLOR_TIME, PW_COLOR_ICON, PW_COLOR_TEXT,
                   PW_COLOR_SWATCH, PW_TINT_ENTRY, PW_TINT_ADD, PW_TINT_DELETE, PW_TINT_ICON, PW_TINT_TEXT,
                   PW_TINT_SWATCH, PW_SCALE_KEY, PW_SCALE_ADD, PW_SCALE_DELETE, PW_SCALE_TIME, PW_SCALE_VALUE})
        ew::setUsable(p, id, open);
    ew::setUsable(p, EW_APPEARANCE_CLOSE, true);
    const ParticleEmitter* e = open ? emitter() : nullptr;
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
