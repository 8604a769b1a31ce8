#include "tabs/effects/effectAppearanceLists.h"

#include "tabs/base/TabControls.h"
#include "tabs/effects/ctrlEffectsListEdit.h"
#include "tabs/effects/effectWidgets.h"

#include <Zelkoran/Panel.h>

#include <string>

using namespace Zelkoran;
namespace ew = effectwidgets;
using namespace effectlists;

namespace {

const SDL_Color kWhite{255, 255, 255, 255};

auto colorKeyList(ParticleEmitter* e)
{
    return ListAccess{[e] { return e->getColorKeys(); },
                      [e](const Vector<ParticleColorKey>& list) { return e->setColorKeys(list); }, sameColorKey};
}

auto tintList(ParticleEmitter* e)
{
    return ListAccess{[e] { return e->getTintPalette(); },
                      [e](const Vector<SDL_Color>& list) { return e->setTintPalette(list); }, byPosition};
}

auto scaleKeyList(ParticleEmitter* e)
{
    return ListAccess{[e] { return e->getScaleKeys(); },
                      [e](const Vector<ParticleScaleKey>& list) { return e->setScaleKeys(list); }, sameScaleKey};
}

// The colour of a hex field, false when its text is not "#RRGGBBAA".
bool hexColour(Panel* p, int id, SDL_Color& c)
{
    const WidgetTextEdit* edit = p ? p->getTextEdit(id) : nullptr;
    return edit && parseHexColorRGBA(edit->getText(), c.r, c.g, c.b, c.a);
}

// A key added after key selection: halfway to the next one, with its value.
template <typename Key>
auto keyAfter(int selection)
{
    return [selection](const Vector<Key>& keys, Key& key) {
        if (keys.empty() || selection < 0 || static_cast<size_t>(selection) >= keys.size())
            return false;
        key = keys[static_cast<size_t>(selection)];
        key.time = midpointTime(keys, static_cast<size_t>(selection));
        return true;
    };
}

} // namespace

EffectAppearanceLists::EffectAppearanceLists(EffectContext& shared, const EffectFloatingPanel& appearancePanel)
    : context(shared), appearance(appearancePanel)
{
}

void EffectAppearanceLists::updateAppearanceData()
{
    if (!panel())
        return;
    const FillingWidgets filling(context);
    updateColorKeyData();
    updateTintPaletteData();
    updateColorRampPreview();
    updateScaleKeyData();
}

void EffectAppearanceLists::updateColorRampPreview()
{
    Panel* p = panel();
    const ParticleEmitter* e = context.emitter();
    const Vector<ParticleColorKey> none;
    const Vector<ParticleColorKey>& keys = e ? e->getColorKeys() : none;
    for (int i = 0; i < kSwatches; ++i) {
        const SDL_Color c = rampColor(keys, i);
        ew::setSwatch(p, PW_RAMP_SWATCH + i, c.r, c.g, c.b);
    }
}

void EffectAppearanceLists::select(int comboId)
{
    int32_t& selection = comboId == PW_COLOR_KEY ? colorKey : comboId == PW_TINT_ENTRY ? tintEntry : scaleKey;
    selection = ew::comboRow(panel(), comboId) - 1;
    updateAppearanceData();
}

bool EffectAppearanceLists::edited()
{
    updateAppearanceData();
    return true;
}

void EffectAppearanceLists::updateColorKeyData()
{
    Panel* p = panel();
    WidgetComboBox* combo = p ? p->getComboBox(PW_COLOR_KEY) : nullptr;
    if (!combo) {
        colorKey = 0;
        return;
    }
    combo->clearItems();
    const ParticleEmitter* e = context.emitter();
    if (!e) {
        colorKey = 0;
        return;
    }
    const Vector<ParticleColorKey>& keys = e->getColorKeys();
    if (keys.empty())
        return;
    colorKey = clampSelection(colorKey, keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        combo->addItem(keyLabel(static_cast<int>(i) + 1, keys[i].time).c_str());
    combo->setSelectedIndex(colorKey + 1);
    const ParticleColorKey& k = keys[static_cast<size_t>(colorKey)];
    ew::setNumber(p, PW_COLOR_TIME, k.time);
    ew::setText(p, PW_COLOR_TEXT, hexColorRGBA(k.color.r, k.color.g, k.color.b, k.color.a).c_str());
    ew::setSwatch(p, PW_COLOR_SWATCH, k.color.r, k.color.g, k.color.b);
}

void EffectAppearanceLists::updateTintPaletteData()
{
    Panel* p = panel();
    WidgetComboBox* combo = p ? p->getComboBox(PW_TINT_ENTRY) : nullptr;
    if (!combo)
        return;
    combo->clearItems();
    for (int i = 0; i < kSwatches; ++i)
        ew::setSwatch(p, PW_TINT_SWATCH_0 + i, 255, 255, 255);
    const ParticleEmitter* e = context.emitter();
    if (!e)
        return;
    const Vector<SDL_Color>& palette = e->getTintPalette();
    if (palette.empty()) {
        // What "+" would add, rather than a colour the effect does not have.
        tintEntry = 0;
        ew::setText(p, PW_TINT_TEXT, hexColorRGBA(255, 255, 255, 255).c_str());
        ew::setSwatch(p, PW_TINT_SWATCH, 255, 255, 255);
        return;
    }
    tintEntry = clampSelection(tintEntry, palette.size());
    for (size_t i = 0; i < palette.size(); ++i)
        combo->addItem(("Tint " + std::to_string(i + 1)).c_str());
    combo->setSelectedIndex(tintEntry + 1);
    const SDL_Color& c = palette[static_cast<size_t>(tintEntry)];
    ew::setText(p, PW_TINT_TEXT, hexColorRGBA(c.r, c.g, c.b, c.a).c_str());
    ew::setSwatch(p, PW_TINT_SWATCH, c.r, c.g, c.b);
    for (int i = 0; i < kSwatches; ++i) {
        const SDL_Color& s = palette[tintEntryForSwatch(palette.size(), i)];
        ew::setSwatch(p, PW_TINT_SWATCH_0 + i, s.r, s.g, s.b);
    }
}

void EffectAppearanceLists::updateScaleKeyData()
{
    Panel* p = panel();
    WidgetComboBox* combo = p ? p->getComboBox(PW_SCALE_KEY) : nullptr;
    if (!combo)
        return;
    combo->clearItems();
    const ParticleEmitter* e = context.emitter();
    if (!e)
        return;
    const Vector<ParticleScaleKey>& keys = e->getScaleKeys();
    if (keys.empty()) {
        scaleKey = 0;
        return;
    }
    scaleKey = clampSelection(scaleKey, keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        combo->addItem(keyLabel(static_cast<int>(i) + 1, keys[i].time).c_str());
    combo->setSelectedIndex(scaleKey + 1);
    ew::setNumber(p, PW_SCALE_TIME, keys[static_cast<size_t>(scaleKey)].time);
    ew::setNumber(p, PW_SCALE_VALUE, keys[static_cast<size_t>(scaleKey)].scale);
}

bool EffectAppearanceLists::applyColorKeyWidgets()
{
    Panel* p = panel();
    ParticleEmitter* e = context.emitter();
    ParticleColorKey key{ew::numberValue(p, PW_COLOR_TIME, 0), {}};
    if (!p || !e || !hexColour(p, PW_COLOR_TEXT, key.color))
        return false;
    if (!listEditDone(replaceEntry(colorKeyList(e), key, colorKey)))
        return false;
    return edited();
}

bool EffectAppearanceLists::addColorKey()
{
    ParticleEmitter* e = context.emitter();
    if (!e || !listEditDone(appendEntry(colorKeyList(e), ParticleEmitter::kMaxColorKeys,
                                        keyAfter<ParticleColorKey>(colorKey), colorKey)))
        return false;
    return edited();
}

bool EffectAppearanceLists::deleteColorKey()
{
    ParticleEmitter* e = context.emitter();
    if (!e || !listEditDone(removeEntry(colorKeyList(e), 1, colorKey)))
        return false;
    return edited();
}

bool EffectAppearanceLists::applyTintPaletteWidgets()
{
    Panel* p = panel();
    ParticleEmitter* e = context.emitter();
    SDL_Color colour{};
    if (!p || !e || !hexColour(p, PW_TINT_TEXT, colour))
        return false;
    if (!listEditDone(replaceEntry(tintList(e), colour, tintEntry)))
        return false;
    return edited();
}

bool EffectAppearanceLists::addTintPaletteEntry()
{
    ParticleEmitter* e = context.emitter();
    const int selection = tintEntry;
    const auto make = [selection](const Vector<SDL_Color>& palette, SDL_Color& colour) {
            const bool inside = selection >= 0 && static_cast<size_t>(selection) < palette.size();
            colour = inside ? palette[static_cast<size_t>(selection)] : kWhite;
            return true;
        };
    if (!e || !listEditDone(appendEntry(tintList(e), ParticleEmitter::kMaxTints, make, tintEntry)))
        return false;
    return edited();
}

bool EffectAppearanceLists::deleteTintPaletteEntry()
{
    ParticleEmitter* e = context.emitter();
    if (!e || !listEditDone(removeEntry(tintList(e), 1, tintEntry)))
        return false;
    return edited();
}

bool EffectAppearanceLists::applyScaleKeyWidgets()
{
    Panel* p = panel();
    ParticleEmitter* e = context.emitter();
    if (!p || !e)
        return false;
    const ParticleScaleKey key{ew::numberValue(p, PW_SCALE_TIME, 0), ew::numberValue(p, PW_SCALE_VALUE, 1)};
    if (!listEditDone(replaceEntry(scaleKeyList(e), key, scaleKey)))
        return false;
    return edited();
}

bool EffectAppearanceLists::addScaleKey()
{
    ParticleEmitter* e = context.emitter();
    if (!e || !listEditDone(appendEntry(scaleKeyList(e), ParticleEmitter::kMaxScaleKeys,
                                        keyAfter<ParticleScaleKey>(scaleKey), scaleKey)))
        return false;
    return edited();
}

bool EffectAppearanceLists::deleteScaleKey()
{
    ParticleEmitter* e = context.emitter();
    if (!e || !listEditDone(removeEntry(scaleKeyList(e), 1, scaleKey)))
        return false;
    return edited();
}
