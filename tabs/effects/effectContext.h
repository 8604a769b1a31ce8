// What the effect tab shares with its parts: the services, the open
// emitter, the edits made since the tab last looked, and the guard that
// tells widgets being filled from the emitter from a user's edit.
#pragma once

class TabServices;

namespace Zelkoran {
class ParticleEmitter;
} // namespace Zelkoran

class EffectContext {
public:
    explicit EffectContext(const TabServices& tabServices) : services(tabServices) {}
    EffectContext(const EffectContext&) = delete;
    EffectContext& operator=(const EffectContext&) = delete;

    // Null while no effect is open.
    Zelkoran::ParticleEmitter* emitter() const;
    // A part changed the open effect; widget reactions run outside the
    // tab's event handling, so the tab picks the mark up afterwards.
    void markEdited() { edited = true; }
    // Whether anything was edited since the last call.
    bool takeEdited()
    {
        const bool was = edited;
        edited = false;
        return was;
    }

    const TabServices& services;
    // The open emitter's id; 0 while none.
    int effect = 0;
    // While set, widget events are the tab's own filling, not edits.
    bool updatingWidgets = false;

private:
    bool edited = false;
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
