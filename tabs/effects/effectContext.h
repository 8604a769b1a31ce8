// What the effect tab shares with its parts: the services, the open
// emitter, the tab's dirty mark and the guard that tells widgets being
// filled from the emitter from a user's edit.
#pragma once

#include <functional>

class GlobalStatus;
class ResourceManager;

namespace Zelkoran {
class ParticleEmitter;
} // namespace Zelkoran

struct EffectContext {
    ResourceManager* rm = nullptr;
    GlobalStatus* status = nullptr;
    std::function<Zelkoran::ParticleEmitter*()> emitter; // null while no effect is open
    std::function<void()> markDirty;
    // While set, widget events are the tab's own filling, not edits.
    bool updatingWidgets = false;
};

// Sets the context's guard for one scope and restores what it was.
class FillingWidgets {
public:
    explicit FillingWidgets(EffectContext& shared) : context(shared), was(shared.updatingWidgets)
    {
        shared.updatingWidgets = true;
    }
    ~FillingWidgets() { context.updatingWidgets = was; }
    FillingWidgets(const FillingWidgets&) = delete;
    FillingWidgets& operator=(const FillingWidgets&) = delete;

private:
    EffectContext& context;
    bool was;
};
