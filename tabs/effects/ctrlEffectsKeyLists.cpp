// The appearance lists: colour keys, tint palette and scale keys, filled
// from the emitter and edited through whole copies (ctrlEffectsListEdit.h).
#include "tabs/effects/ctrlEffects.h"
#include "tabs/effects/ctrlEffectsListEdit.h"
#include "tabs/effects/ctrlEffectsWidgets.h"

#include "services/EditorLog.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Tool.h>

using namespace Zelkoran;
namespace ew = effectwidgets;
using namespace effectlists;

namespace {

constexpr size_t kMaxColorKeys = 8;
constexpr size_t kMaxTints = 16;
constexpr size_t kMaxScaleKeys = 8;
const SDL_Color kWhite{255, 255, 255, 255};

ListAccess<ParticleColorKey> colorKeyList(ParticleEmitter* e)
{
    return {[e] { return e->getColorKeys(); },
            [e](const Vector<ParticleColorKey>& list) { return e->setColorKeys(list); }, sameColorKey};
}

ListAccess<SDL_Color> tintList(ParticleEmitter* e)
{
    return {[e] { return e->getTintPalette(); }, [e](const Vector<SDL_Color>& list) { return e->setTintPalette(list); },
            {}};
}

ListAccess<ParticleScaleKey> scaleKeyList(ParticleEmitter* e)
{
    return {[e] { return e->getScaleKeys(); },
            [e](const Vector<ParticleScaleKey>& list) { return e->setScaleKeys(list); }, sameScaleKey};
}

// The colour of a hex field, false when its text is not "#RRGGBBAA".
bool hexColour(Panel* p, int id, SDL_Color& c)
{
    const WidgetTextEdit* edit = p ? p->getTextEdit(id) : nullptr;
    return edit && CtrlBase::parseHexColorRGBA(edit->getText(), c.r, c.g, c.b, c.a);
}

// A key added after key selection: halfway to the next one, with its value.
template <typename Key>
std::function<bool(const Vector<Key>&, Key&)> keyAfter(int selection)
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

bool CtrlEffects::listEditDone(int result) const
{
    if (result == RC_ERR_NO_MEMORY) {
        editorLog().msg(LOG_ERROR, "\n[CtrlEffects] Error: out of memory while editing a particle list.\n");
        showBox("Particle effect", "There is not enough memory for this change.\nThe effect was left as it was.",
                MBB_OK, MBT_ERROR, 0);
    }
    return result == RC_OK;
}

void CtrlEffects::updateColorKeyData()
{
    Panel* p = appearancePanel();
    WidgetComboBox* combo = p ? p->getComboBox(PW_COLOR_KEY) : nullptr;
    if (!combo) {
        selectedColorKey = 0;
        return;
    }
    combo->clearItems();
    const ParticleEmitter* e = emitter();
    if (!e) {
        selectedColorKey = 0;
        return;
    }
    const Vector<ParticleColorKey>& keys = e->getColorKeys();
    if (keys.empty())
        return;
    selectedColorKey = clampSelection(selectedColorKey, keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        combo->addItem(keyLabel(static_cast<int>(i) + 1, keys[i].time).c_str());
    combo->setSelectedIndex(selectedColorKey + 1);
    const ParticleColorKey& k = keys[static_cast<size_t>(selectedColorKey)];
    ew::setNumber(p, PW_COLOR_TIME, k.time);
    ew::setText(p, PW_COLOR_TEXT, hexColorRGBA(k.color.r, k.color.g, k.color.b, k.color.a).c_str());
    ew::setSwatch(p, PW_COLOR_SWATCH, k.color.r, k.color.g, k.color.b);
}

void CtrlEffects::updateTintPaletteData()
{
    Panel* p = appearancePanel();
    WidgetComboBox* combo = p ? p->getComboBox(PW_TINT_ENTRY) : nullptr;
    if (!combo)
        return;
    combo->clearItems();
    for (int i = 0; i < kSwatches; ++i)
        ew::setSwatch(p, PW_TINT_SWATCH_0 + i, 255, 255, 255);
    const ParticleEmitter* e = emitter();
    if (!e)
        return;
    const Vector<SDL_Color>& palette = e->getTintPalette();
    if (palette.empty()) {
        // What "+" would add, rather than a colour the effect does not have.
        selectedTintEntry = 0;
        ew::setText(p, PW_TINT_TEXT, hexColorRGBA(255, 255, 255, 255).c_str());
        ew::setSwatch(p, PW_TINT_SWATCH, 255, 255, 255);
        return;
    }
    selectedTintEntry = clampSelection(selectedTintEntry, palette.size());
    for (size_t i = 0; i < palette.size(); ++i)
        combo->addItem(("Tint " + std::to_string(i + 1)).c_str());
    combo->setSelectedIndex(selectedTintEntry + 1);
    const SDL_Color& c = palette[static_cast<size_t>(selectedTintEntry)];
    ew::setText(p, PW_TINT_TEXT, hexColorRGBA(c.r, c.g, c.b, c.a).c_str());
    ew::setSwatch(p, PW_TINT_SWATCH, c.r, c.g, c.b);
    for (int i = 0; i < kSwatches; ++i) {
        const SDL_Color& s = palette[tintEntryForSwatch(palette.size(), i)];
        ew::setSwatch(p, PW_TINT_SWATCH_0 + i, s.r, s.g, s.b);
    }
}

void CtrlEffects::updateScaleKeyData()
{
    Panel* p = appearancePanel();
    WidgetComboBox* combo = p ? p->getComboBox(PW_SCALE_KEY) : nullptr;
    if (!combo)
        return;
    combo->clearItems();
    const ParticleEmitter* e = emitter();
    if (!e)
        return;
    const Vector<ParticleScaleKey>& keys = e->getScaleKeys();
    if (keys.empty()) {
        selectedScaleKey = 0;
        return;
    }
    selectedScaleKey = clampSelection(selectedScaleKey, keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        combo->addItem(keyLabel(static_cast<int>(i) + 1, keys[i].time).c_str());
    combo->setSelectedIndex(selectedScaleKey + 1);
    ew::setNumber(p, PW_SCALE_TIME, keys[static_cast<size_t>(selectedScaleKey)].time);
    ew::setNumber(p, PW_SCALE_VALUE, keys[static_cast<size_t>(selectedScaleKey)].scale);
}

bool CtrlEffects::applyColorKeyWidgets()
{
    Panel* p = appearancePanel();
    ParticleEmitter* e = emitter();
    ParticleColorKey key{ew::numberValue(p, PW_COLOR_TIME, 0), {}};
    if (!p || !e || !hexColour(p, PW_COLOR_TEXT, key.color))
        return false;
    if (!listEditDone(replaceEntry(colorKeyList(e), key, selectedColorKey)))
        return false;
    updateAppearanceData();
    return true;
}

bool CtrlEffects::addColorKey()
{
    ParticleEmitter* e = emitter();
    if (!e || !listEditDone(appendEntry(colorKeyList(e), kMaxColorKeys, keyAfter<ParticleColorKey>(selectedColorKey),
                                        selectedColorKey)))
        return false;
    updateAppearanceData();
    return true;
}

bool CtrlEffects::deleteColorKey()
{
    ParticleEmitter* e = emitter();
    if (!e || !listEditDone(removeEntry(colorKeyList(e), 1, selectedColorKey)))
        return false;
    updateAppearanceData();
    return true;
}

bool CtrlEffects::applyTintPaletteWidgets()
{
    Panel* p = appearancePanel();
    ParticleEmitter* e = emitter();
    SDL_Color colour{};
    if (!p || !e || !hexColour(p, PW_TINT_TEXT, colour))
        return false;
    if (!listEditDone(replaceEntry(tintList(e), colour, selectedTintEntry)))
        return false;
    updateAppearanceData();
    return true;
}

bool CtrlEffects::addTintPaletteEntry()
{
    ParticleEmitter* e = emitter();
    const int selection = selectedTintEntry;
    const std::function<bool(const Vector<SDL_Color>&, SDL_Color&)> make =
        [selection](const Vector<SDL_Color>& palette, SDL_Color& colour) {
            const bool inside = selection >= 0 && static_cast<size_t>(selection) < palette.size();
            colour = inside ? palette[static_cast<size_t>(selection)] : kWhite;
            return true;
        };
    if (!e || !listEditDone(appendEntry(tintList(e), kMaxTints, make, selectedTintEntry)))
        return false;
    updateAppearanceData();
    return true;
}

bool CtrlEffects::deleteTintPaletteEntry()
{
    ParticleEmitter* e = emitter();
    if (!e || !listEditDone(removeEntry(tintList(e), 1, selectedTintEntry)))
        return false;
    updateAppearanceData();
    return true;
}

bool CtrlEffects::applyScaleKeyWidgets()
{
    Panel* p = appearancePanel();
    ParticleEmitter* e = emitter();
    if (!p || !e)
        return false;
    const ParticleScaleKey key{ew::numberValue(p, PW_SCALE_TIME, 0), ew::numberValue(p, PW_SCALE_VALUE, 1)};
    if (!listEditDone(replaceEntry(scaleKeyList(e), key, selectedScaleKey)))
        return false;
    mirrorScaleKeys();
    updateAppearanceData();
    return true;
}

bool CtrlEffects::addScaleKey()
{
    ParticleEmitter* e = emitter();
    if (!e || !listEditDone(appendEntry(scaleKeyList(e), kMaxScaleKeys, keyAfter<ParticleScaleKey>(selectedScaleKey),
                                        selectedScaleKey)))
        return false;
    mirrorScaleKeys();
    updateAppearanceData();
    return true;
}

bool CtrlEffects::deleteScaleKey()
{
    ParticleEmitter* e = emitter();
    if (!e || !listEditDone(removeEntry(scaleKeyList(e), 1, selectedScaleKey)))
        return false;
    mirrorScaleKeys();
    updateAppearanceData();
    return true;
}
