// Timed bursts and sub-emitters of the advanced panel: their lists, the
// selected entry's fields and the routing of their events.
#include "tabs/effects/ctrlEffects.h"
#include "tabs/effects/ctrlEffectsListEdit.h"
#include "tabs/effects/ctrlEffectsWidgets.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>

#include <algorithm>
#include <cstdio>

using namespace Zelkoran;
namespace ew = effectwidgets;
using namespace effectlists;

namespace {

constexpr size_t kMaxBursts = 16;
constexpr size_t kMaxSubEmitters = 8;

ListAccess<ParticleBurst> burstList(ParticleEmitter* e)
{
    return {[e] { return e->getBursts() ? *e->getBursts() : Vector<ParticleBurst>{}; },
            [e](const Vector<ParticleBurst>& list) { return e->setBursts(list); }, sameBurst};
}

ListAccess<ParticleSubEmitter> subEmitterList(ParticleEmitter* e)
{
    return {[e] { return e->getSubEmitters() ? *e->getSubEmitters() : Vector<ParticleSubEmitter>{}; },
            [e](const Vector<ParticleSubEmitter>& list) { return e->setSubEmitters(list); }, {}};
}

} // namespace

bool CtrlEffects::handleParticleEventsEvent(int id)
{
    // The change an id asks for; selection rows have none.
    bool (CtrlEffects::*change)() = nullptr;
    switch (id) {
    case AW_BURST_TIME:
    case AW_BURST_COUNT: change = &CtrlEffects::applyTimedBurstWidgets; break;
    case AW_BURST_ADD: change = &CtrlEffects::addTimedBurst; break;
    case AW_BURST_DELETE: change = &CtrlEffects::deleteTimedBurst; break;
    case AW_SUB_PRESET:
    case AW_SUB_DEATH:
    case AW_SUB_COLLISION:
    case AW_SUB_PROBABILITY:
    case AW_SUB_INHERITANCE: change = &CtrlEffects::applySubEmitterWidgets; break;
    case AW_SUB_ADD: change = &CtrlEffects::addSubEmitter; break;
    case AW_SUB_DELETE: change = &CtrlEffects::deleteSubEmitter; break;
    case AW_BURST_LIST:
    case AW_SUB_LIST: break;
    default: return false;
    }
    if (updatingWidgets)
        return true;
    const bool bursts = id == AW_BURST_TIME || id == AW_BURST_COUNT || id == AW_BURST_ADD || id == AW_BURST_DELETE
                        || id == AW_BURST_LIST;
    // Answers a selection and a refused change alike.
    void (CtrlEffects::*refresh)() = bursts ? &CtrlEffects::updateTimedBurstData : &CtrlEffects::updateSubEmitterData;
    if (!change) {
        (bursts ? selectedBurst : selectedSubEmitter) = ew::comboRow(advancedPanel(), id) - 1;
        (this->*refresh)();
    } else if ((this->*change)()) {
        setDirty(true);
    } else {
        (this->*refresh)();
    }
    return true;
}

void CtrlEffects::updateTimedBurstData()
{
    Panel* p = advancedPanel();
    if (!p)
        return;
    const bool guard = updatingWidgets;
    updatingWidgets = true;
    WidgetComboBox* combo = p->getComboBox(AW_BURST_LIST);
    if (combo)
        combo->clearItems();
    const ParticleEmitter* e = emitter();
    const Vector<ParticleBurst>* list = e ? e->getBursts() : nullptr;
    if (!list || list->empty()) {
        selectedBurst = -1;
        ew::setNumber(p, AW_BURST_TIME, 0);
        ew::setNumber(p, AW_BURST_COUNT, 1);
    } else {
        selectedBurst = clampSelection(selectedBurst, list->size());
        for (size_t i = 0; combo && i < list->size(); ++i)
            combo->addItem(burstLabel(static_cast<int>(i) + 1, (*list)[i]).c_str());
        ew::setCombo(p, AW_BURST_LIST, selectedBurst + 1);
        const ParticleBurst& b = (*list)[static_cast<size_t>(selectedBurst)];
        ew::setNumber(p, AW_BURST_TIME, b.time);
        ew::setNumber(p, AW_BURST_COUNT, static_cast<float>(b.count));
    }
    updatingWidgets = guard;
}

void CtrlEffects::updateSubEmitterData()
{
    Panel* p = advancedPanel();
    if (!p)
        return;
    const bool guard = updatingWidgets;
    updatingWidgets = true;
    WidgetComboBox* combo = p->getComboBox(AW_SUB_LIST);
    if (combo)
        combo->clearItems();
    const ParticleEmitter* e = emitter();
    const Vector<ParticleSubEmitter>* list = e ? e->getSubEmitters() : nullptr;
    auto presetIndex = [this](uint32_t preset) {
        const auto it = std::find(subPresets.begin(), subPresets.end(), static_cast<eParticleEffectPreset>(preset));
        return it == subPresets.end() ? -1 : static_cast<int>(it - subPresets.begin());
    };
    if (!list || list->empty()) {
        selectedSubEmitter = -1;
        ew::setCombo(p, AW_SUB_PRESET, 1);
        ew::setChecked(p, AW_SUB_DEATH, true);
        ew::setChecked(p, AW_SUB_COLLISION, false);
        ew::setNumber(p, AW_SUB_PROBABILITY, 1);
        ew::setNumber(p, AW_SUB_INHERITANCE, 0);
    } else {
        selectedSubEmitter = clampSelection(selectedSubEmitter, list->size());
        for (size_t i = 0; combo && i < list->size(); ++i) {
            const int k = presetIndex((*list)[i].preset);
            char text[80];
            std::snprintf(text, sizeof(text), "%d: %s", static_cast<int>(i) + 1,
                          k < 0 ? "Unknown" : subPresetNames[static_cast<size_t>(k)].c_str());
            combo->addItem(text);
        }
        ew::setCombo(p, AW_SUB_LIST, selectedSubEmitter + 1);
        const ParticleSubEmitter& s = (*list)[static_cast<size_t>(selectedSubEmitter)];
        const int k = presetIndex(s.preset);
        ew::setCombo(p, AW_SUB_PRESET, k < 0 ? 1 : k + 2);
        ew::setChecked(p, AW_SUB_DEATH, (s.triggers & PST_DEATH) != 0);
        ew::setChecked(p, AW_SUB_COLLISION, (s.triggers & PST_COLLISION) != 0);
        ew::setNumber(p, AW_SUB_PROBABILITY, s.probability);
        ew::setNumber(p, AW_SUB_INHERITANCE, s.velocityInheritance);
    }
    updatingWidgets = guard;
}

bool CtrlEffects::applyTimedBurstWidgets()
{
    Panel* p = advancedPanel();
    ParticleEmitter* e = emitter();
    if (!p || !e)
        return false;
    const ParticleBurst burst{ew::numberValue(p, AW_BURST_TIME, 0), burstCount(ew::numberValue(p, AW_BURST_COUNT, 1))};
    if (!listEditDone(replaceEntry(burstList(e), burst, selectedBurst)))
        return false;
    updateTimedBurstData();
    return true;
}

bool CtrlEffects::addTimedBurst()
{
    ParticleEmitter* e = emitter();
    if (!e)
        return false;
    const int base = selectedBurst;
    const std::function<bool(const Vector<ParticleBurst>&, ParticleBurst&)> make =
        [base](const Vector<ParticleBurst>& list, ParticleBurst& burst) {
            if (list.empty()) {
                burst = ParticleBurst{0, 1};
                return true;
            }
            const ParticleBurst& from =
                list[base >= 0 && static_cast<size_t>(base) < list.size() ? static_cast<size_t>(base) : list.size() - 1];
            burst = ParticleBurst{nextBurstTime(from.time), from.count};
            return true;
        };
    if (!listEditDone(appendEntry(burstList(e), kMaxBursts, make, selectedBurst)))
        return false;
    updateTimedBurstData();
    return true;
}

bool CtrlEffects::deleteTimedBurst()
{
    ParticleEmitter* e = emitter();
    if (!e || !listEditDone(removeEntry(burstList(e), 0, selectedBurst)))
        return false;
    updateTimedBurstData();
    return true;
}

bool CtrlEffects::applySubEmitterWidgets()
{
    Panel* p = advancedPanel();
    ParticleEmitter* e = emitter();
    if (!p || !e)
        return false;
    const WidgetComboBox* presetCombo = p->getComboBox(AW_SUB_PRESET);
    const int row = presetCombo ? presetCombo->getSelectedIndex() : 0;
    if (row < 2 || static_cast<size_t>(row - 2) >= subPresets.size())
        return false;
    const bool death = ew::checked(p, AW_SUB_DEATH), collision = ew::checked(p, AW_SUB_COLLISION);
    if (!death && !collision) {
        // An entry never loses its last trigger.
        ew::setChecked(p, AW_SUB_DEATH, true);
        return false;
    }
    const ParticleSubEmitter entry{subPresets[static_cast<size_t>(row - 2)],
                                   (death ? uint32_t(PST_DEATH) : 0u) | (collision ? uint32_t(PST_COLLISION) : 0u),
                                   ew::numberValue(p, AW_SUB_PROBABILITY, 1), ew::numberValue(p, AW_SUB_INHERITANCE, 0)};
    if (!listEditDone(replaceEntry(subEmitterList(e), entry, selectedSubEmitter)))
        return false;
    updateSubEmitterData();
    return true;
}

bool CtrlEffects::addSubEmitter()
{
    ParticleEmitter* e = emitter();
    if (!e || subPresets.empty())
        return false;
    const ParticleSubEmitter first{subPresets.front(), PST_DEATH, 1, 0};
    const std::function<bool(const Vector<ParticleSubEmitter>&, ParticleSubEmitter&)> make =
        [first](const Vector<ParticleSubEmitter>&, ParticleSubEmitter& entry) {
            entry = first;
            return true;
        };
    if (!listEditDone(appendEntry(subEmitterList(e), kMaxSubEmitters, make, selectedSubEmitter)))
        return false;
    updateSubEmitterData();
    return true;
}

bool CtrlEffects::deleteSubEmitter()
{
    ParticleEmitter* e = emitter();
    if (!e || !listEditDone(removeEntry(subEmitterList(e), 0, selectedSubEmitter)))
        return false;
    updateSubEmitterData();
    return true;
}
