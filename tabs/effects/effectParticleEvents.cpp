#include "tabs/effects/effectParticleEvents.h"

#include "tabs/effects/ctrlEffectsListEdit.h"
#include "tabs/effects/effectWidgets.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>

#include <algorithm>
#include <cstdio>

using namespace Zelkoran;
namespace ew = effectwidgets;
using namespace effectlists;

namespace {

auto burstList(ParticleEmitter* e)
{
    return ListAccess{[e] { return e->getBursts() ? *e->getBursts() : Vector<ParticleBurst>{}; },
                      [e](const Vector<ParticleBurst>& list) { return e->setBursts(list); }, sameBurst};
}

auto subEmitterList(ParticleEmitter* e)
{
    return ListAccess{[e] { return e->getSubEmitters() ? *e->getSubEmitters() : Vector<ParticleSubEmitter>{}; },
                      [e](const Vector<ParticleSubEmitter>& list) { return e->setSubEmitters(list); }, byPosition};
}

} // namespace

EffectParticleEvents::EffectParticleEvents(EffectContext& shared, const EffectFloatingPanel& advancedPanel)
    : context(shared), advanced(advancedPanel)
{
}

void EffectParticleEvents::selectFirst()
{
    burstSelection = 0;
    subSelection = 0;
}

void EffectParticleEvents::populateSubPresetList()
{
    WidgetComboBox* combo = panel() ? panel()->getComboBox(AW_SUB_PRESET) : nullptr;
    if (!combo)
        return;
    subPresets.clear();
    subPresetNames.clear();
    combo->clearItems();
    combo->addItem("None");
    ParticleMgr* particles = Main::instance()->particleMgr();
    for (int i = 0; i < particles->getPresetCount(); ++i) {
        const ParticlePresetDesc* d = particles->getPresetDesc(i);
        if (!d || !d->subEmitter)
            continue;
        subPresets.push_back(d->preset);
        subPresetNames.push_back(d->name);
        combo->addItem(d->name);
    }
    combo->setSelectedIndex(1);
}

bool EffectParticleEvents::handleParticleEventsEvent(int id)
{
    // The change an id asks for; selection rows have none.
    bool (EffectParticleEvents::*change)() = nullptr;
    switch (id) {
    case AW_BURST_TIME:
    case AW_BURST_COUNT: change = &EffectParticleEvents::applyTimedBurstWidgets; break;
    case AW_BURST_ADD: change = &EffectParticleEvents::addTimedBurst; break;
    case AW_BURST_DELETE: change = &EffectParticleEvents::deleteTimedBurst; break;
    case AW_SUB_PRESET:
    case AW_SUB_DEATH:
    case AW_SUB_COLLISION:
    case AW_SUB_PROBABILITY:
    case AW_SUB_INHERITANCE: change = &EffectParticleEvents::applySubEmitterWidgets; break;
    case AW_SUB_ADD: change = &EffectParticleEvents::addSubEmitter; break;
    case AW_SUB_DELETE: change = &EffectParticleEvents::deleteSubEmitter; break;
    case AW_BURST_LIST:
    case AW_SUB_LIST: break;
    default: return false;
    }
    if (context.updatingWidgets)
        return true;
    const bool bursts = id == AW_BURST_TIME || id == AW_BURST_COUNT || id == AW_BURST_ADD || id == AW_BURST_DELETE
                        || id == AW_BURST_LIST;
    // Answers a selection and a refused change alike.
    void (EffectParticleEvents::*refresh)() =
        bursts ? &EffectParticleEvents::updateTimedBurstData : &EffectParticleEvents::updateSubEmitterData;
    if (!change) {
        (bursts ? burstSelection : subSelection) = ew::comboRow(panel(), id) - 1;
        (this->*refresh)();
    } else if ((this->*change)()) {
        context.markEdited();
    } else {
        (this->*refresh)();
    }
    return true;
}

void EffectParticleEvents::updateTimedBurstData()
{
    Panel* p = panel();
    if (!p)
        return;
    const FillingWidgets filling(context);
    WidgetComboBox* combo = p->getComboBox(AW_BURST_LIST);
    if (combo)
        combo->clearItems();
    const ParticleEmitter* e = context.emitter();
    const Vector<ParticleBurst>* list = e ? e->getBursts() : nullptr;
    if (!list || list->empty()) {
        burstSelection = -1;
        ew::setNumber(p, AW_BURST_TIME, 0);
        ew::setNumber(p, AW_BURST_COUNT, 1);
    } else {
        burstSelection = clampSelection(burstSelection, list->size());
        for (size_t i = 0; combo && i < list->size(); ++i)
            combo->addItem(burstLabel(static_cast<int>(i) + 1, (*list)[i]).c_str());
        ew::setCombo(p, AW_BURST_LIST, burstSelection + 1);
        const ParticleBurst& b = (*list)[static_cast<size_t>(burstSelection)];
        ew::setNumber(p, AW_BURST_TIME, b.time);
        ew::setNumber(p, AW_BURST_COUNT, static_cast<float>(b.count));
    }
}

void EffectParticleEvents::updateSubEmitterData()
{
    Panel* p = panel();
    if (!p)
        return;
    const FillingWidgets filling(context);
    WidgetComboBox* combo = p->getComboBox(AW_SUB_LIST);
    if (combo)
        combo->clearItems();
    const ParticleEmitter* e = context.emitter();
    const Vector<ParticleSubEmitter>* list = e ? e->getSubEmitters() : nullptr;
    auto presetIndex = [this](uint32_t preset) {
        const auto it = std::find(subPresets.begin(), subPresets.end(), static_cast<eParticleEffectPreset>(preset));
        return it == subPresets.end() ? -1 : static_cast<int>(it - subPresets.begin());
    };
    if (!list || list->empty()) {
        subSelection = -1;
        ew::setCombo(p, AW_SUB_PRESET, 1);
        ew::setChecked(p, AW_SUB_DEATH, true);
        ew::setChecked(p, AW_SUB_COLLISION, false);
        ew::setNumber(p, AW_SUB_PROBABILITY, 1);
        ew::setNumber(p, AW_SUB_INHERITANCE, 0);
    } else {
        subSelection = clampSelection(subSelection, list->size());
        for (size_t i = 0; combo && i < list->size(); ++i) {
            const int k = presetIndex((*list)[i].preset);
            char text[80];
            std::snprintf(text, sizeof(text), "%d: %s", static_cast<int>(i) + 1,
                          k < 0 ? "Unknown" : subPresetNames[static_cast<size_t>(k)].c_str());
            combo->addItem(text);
        }
        ew::setCombo(p, AW_SUB_LIST, subSelection + 1);
        const ParticleSubEmitter& s = (*list)[static_cast<size_t>(subSelection)];
        const int k = presetIndex(s.preset);
        ew::setCombo(p, AW_SUB_PRESET, k < 0 ? 1 : k + 2);
        ew::setChecked(p, AW_SUB_DEATH, (s.triggers & PST_DEATH) != 0);
        ew::setChecked(p, AW_SUB_COLLISION, (s.triggers & PST_COLLISION) != 0);
        ew::setNumber(p, AW_SUB_PROBABILITY, s.probability);
        ew::setNumber(p, AW_SUB_INHERITANCE, s.velocityInheritance);
    }
}

bool EffectParticleEvents::applyTimedBurstWidgets()
{
    Panel* p = panel();
    ParticleEmitter* e = context.emitter();
    if (!p || !e)
        return false;
    const ParticleBurst burst{ew::numberValue(p, AW_BURST_TIME, 0), burstCount(ew::numberValue(p, AW_BURST_COUNT, 1))};
    if (!listEditDone(replaceEntry(burstList(e), burst, burstSelection)))
        return false;
    updateTimedBurstData();
    return true;
}

bool EffectParticleEvents::addTimedBurst()
{
    ParticleEmitter* e = context.emitter();
    if (!e)
        return false;
    const int base = burstSelection;
    const auto make = [base](const Vector<ParticleBurst>& list, ParticleBurst& burst) {
            if (list.empty()) {
                burst = ParticleBurst{0, 1};
                return true;
            }
            const ParticleBurst& from =
                list[base >= 0 && static_cast<size_t>(base) < list.size() ? static_cast<size_t>(base) : list.size() - 1];
            burst = ParticleBurst{nextBurstTime(from.time), from.count};
            return true;
        };
    if (!listEditDone(appendEntry(burstList(e), ParticleEmitter::kMaxBursts, make, burstSelection)))
        return false;
    updateTimedBurstData();
    return true;
}

bool EffectParticleEvents::deleteTimedBurst()
{
    ParticleEmitter* e = context.emitter();
    if (!e || !listEditDone(removeEntry(burstList(e), 0, burstSelection)))
        return false;
    updateTimedBurstData();
    return true;
}

bool EffectParticleEvents::applySubEmitterWidgets()
{
    Panel* p = panel();
    ParticleEmitter* e = context.emitter();
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
    if (!listEditDone(replaceEntry(subEmitterList(e), entry, subSelection)))
        return false;
    updateSubEmitterData();
    return true;
}

bool EffectParticleEvents::addSubEmitter()
{
    ParticleEmitter* e = context.emitter();
    if (!e || subPresets.empty())
        return false;
    const ParticleSubEmitter first{subPresets.front(), PST_DEATH, 1, 0};
    const auto make = [first](const Vector<ParticleSubEmitter>&, ParticleSubEmitter& entry) {
            entry = first;
            return true;
        };
    if (!listEditDone(appendEntry(subEmitterList(e), ParticleEmitter::kMaxSubEmitters, make, subSelection)))
        return false;
    updateSubEmitterData();
    return true;
}

bool EffectParticleEvents::deleteSubEmitter()
{
    ParticleEmitter* e = context.emitter();
    if (!e || !listEditDone(removeEntry(subEmitterList(e), 0, subSelection)))
        return false;
    updateSubEmitterData();
    return true;
}

void EffectParticleEvents::updateStates(bool open)
{
    Panel* p = panel();
    if (!p)
        return;
    const ParticleEmitter* e = open ? context.emitter() : nullptr;
    const int bursts = e && e->getBursts() ? static_cast<int>(e->getBursts()->size()) : 0;
    const int subs = e && e->getSubEmitters() ? static_cast<int>(e->getSubEmitters()->size()) : 0;
    const bool burstSelected = burstSelection >= 0 && burstSelection < bursts;
    const bool subSelected = subSelection >= 0 && subSelection < subs;
    ew::setUsable(p, AW_BURST_LIST, open && bursts > 0);
    ew::setUsable(p, AW_BURST_ADD, open && bursts < 16);
    for (int id : {AW_BURST_DELETE, AW_BURST_TIME, AW_BURST_COUNT})
        ew::setUsable(p, id, open && burstSelected);
    ew::setUsable(p, AW_SUB_LIST, open && subs > 0);
    ew::setUsable(p, AW_SUB_ADD, open && subs < 8 && !subPresets.empty());
    for (int id : {AW_SUB_DELETE, AW_SUB_PRESET, AW_SUB_DEATH, AW_SUB_COLLISION, AW_SUB_PROBABILITY,
                   AW_SUB_INHERITANCE})
        ew::setUsable(p, id, open && subSelected);
}
