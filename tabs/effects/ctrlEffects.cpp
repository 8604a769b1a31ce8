#include "tabs/effects/ctrlEffects.h"

#include "services/EditorLog.h"
#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/effects/effectWidgets.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>

#include <SDL.h>

#include <cstdio>

using namespace Zelkoran;

namespace {

constexpr int kNoticeMs = 2000;
constexpr const char* kKind = "Particle";

ParticleMgr* particles() { return Main::instance()->particleMgr(); }

} // namespace

CtrlEffects::CtrlEffects(ResourceManager* rm, GlobalStatus* gs)
    : CtrlBase("Effects", TAB_EFFECTS, rm, gs), context(tabServices()), mainPanel(context), advanced(context),
      particleEvents(context, advanced.window()), appearance(context),
      preview(context, advanced.window(), appearance.window())
{
    setBlockType("ZK7_PARTICLE");
    if (Widget* base = tabServices().panel().baseWidget())
        base->setSize(200, 960);
    mainPanel.create();
    advanced.createAdvancedPanel();
    appearance.createAppearancePanel();
    mainPanel.populatePresetList();
    particleEvents.populateSubPresetList();
    mainPanel.populateVisualResourceLists();
    CtrlEffects::onNew();
}

CtrlEffects::~CtrlEffects() { CtrlEffects::closeResources(); }

int CtrlEffects::update()
{
    preview.update();
    return 0;
}

int CtrlEffects::render(int)
{
    preview.render();
    return 0;
}

int CtrlEffects::handleMouseEvent(SDL_Event* event)
{
    if (event)
        preview.handleMouse(*event, mainPanel.burstSize());
    takeEdits();
    return 0;
}

void CtrlEffects::takeEdits()
{
    if (context.takeEdited())
        setDirty(true);
}

bool CtrlEffects::handlePreviewEvent(int widgetId, ParticleEmitter* e)
{
    if (preview.handleButton(widgetId))
        return true;
    switch (widgetId) {
    case EW_PRESET:
        if (context.updatingWidgets || !e)
            return true;
        if (!mainPanel.applyPreset(e))
            return true;
        preview.playFromCentre();
        updateData();
        setDirty(true);
        return true;
    case EW_ADVANCED: advanced.window().setOpen(!advanced.window().isOpen()); return true;
    case EW_ADVANCED_CLOSE: advanced.window().setOpen(false); return true;
    case EW_APPEARANCE:
        if (!appearance.window().isOpen())
            appearance.lists().updateAppearanceData();
        appearance.window().setOpen(!appearance.window().isOpen());
        return true;
    case EW_APPEARANCE_CLOSE: appearance.window().setOpen(false); return true;
    default: return false;
    }
}

int CtrlEffects::processEvent(int widgetId, int data)
{
    if (CtrlBase::processEvent(widgetId, data) == -1)
        return -1;
    ParticleEmitter* e = context.emitter();
    bool consumed = handlePreviewEvent(widgetId, e);
    if (!consumed) {
        const int appearanceEvent = appearance.handleAppearanceEvent(widgetId);
        if (appearanceEvent == EffectAppearancePanel::kScaleKeysEdited)
            advanced.mirrorScaleKeys();
        consumed = appearanceEvent != 0 || particleEvents.handleParticleEventsEvent(widgetId);
    }
    if (!consumed && !context.updatingWidgets && e) {
        int applied = mainPanel.applyMainEmitterWidget(widgetId, e);
        if (applied == 0)
            applied = advanced.applyAdvancedEmitterWidget(widgetId, e);
        if (applied == EffectAdvancedPanel::kScaleRampApplied) {
            appearance.lists().updateAppearanceData();
            applied = 1;
        }
        if (applied == 1)
            setDirty(true);
        else if (applied != 0)
            updateData();
    }
    updateEffectWidgetStates();
    takeEdits();
    return context.effect > 0 ? 0 : 4;
}

int CtrlEffects::updateData()
{
    ParticleEmitter* e = context.emitter();
    if (!e)
        return 0;
    preview.forgetOneShots();
    particleEvents.selectFirst();
    context.updatingWidgets = true;
    mainPanel.fill(e);
    advanced.fill(e);
    particleEvents.updateTimedBurstData();
    particleEvents.updateSubEmitterData();
    appearance.lists().updateAppearanceData();
    context.updatingWidgets = false;
    processEvent(0, 0);
    return 0;
}

int CtrlEffects::resetWidgets()
{
    CtrlBase::resetWidgets();
    advanced.window().suspend();
    appearance.window().suspend();
    return 0;
}

void CtrlEffects::updateEffectWidgetStates()
{
    const bool open = context.effect > 0;
    if (!open)
        tabServices().setUsable(BW_SAVE, false);
    mainPanel.updateStates(open);
    advanced.updateStates(open);
    particleEvents.updateStates(open);
    appearance.updateStates(open);
}

int CtrlEffects::onListBox()
{
    const bool wasDirty = isDirty();
    if (CtrlBase::onListBox() != 0)
        return -1;
    const string name = tabServices().selectedListName();
    if (name == getCurrentItemName())
        return 0;
    const int id = particles()->load(tabServices().status().iArchiveID, name.c_str());
    if (id > 0) {
        closeResources();
        context.effect = id;
        setCurrentItemName(name);
        // The position is not stored: a loaded effect plays where a new one does.
        preview.setPreviewPosition(preview.centreX(), preview.centreY(), false);
        mainPanel.populateVisualResourceLists();
        updateData();
        reportMissingVisual(name);
        return 0;
    }
    char text[256];
    std::snprintf(text, sizeof(text), "Particle effect '%s' could not be loaded.\n\nError code: %d", name.c_str(), id);
    editorLog().msg(LOG_ERROR, "\n[CtrlEffects] Error: could not load particle effect '%s' (error %d).\n",
                      name.c_str(), id);
    selectBlockListItemByName(getCurrentItemName());
    if (WidgetTextEdit* field = tabServices().panel().getTextEdit(BW_NAME))
        field->setText(getCurrentItemName().c_str());
    setDirty(wasDirty);
    tabServices().messageBox("Loading resource", text, MBB_OK, MBT_ERROR, 0);
    return -1;
}

void CtrlEffects::reportMissingVisual(const string& name) const
{
    const ParticleEmitter* e = context.emitter();
    if (!e || !*e->getMissingVisual())
        return;
    int visual = PV_PIXEL;
    e->getVisual(&visual, nullptr, nullptr);
    tabServices().messageBox("Loading resource",
                             "Particle effect '" + name + "' is shown without what it names that could not be loaded:\n" +
                                 (visual == PV_SPRITE ? "sprite \"" : "image \"") + e->getMissingVisual() + "\"",
                             MBB_OK, MBT_WARNING, 0);
}

int CtrlEffects::onNew()
{
    closeResources();
    if (CtrlBase::onNew() != 0)
        return -1;
    context.effect = particles()->create("Effect", 10);
    ParticleEmitter* e = context.emitter();
    if (!e) {
        context.effect = 0;
        tabServices().messageBox("New effect", "Particle effect could not be created.", MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    e->applyPreset(PEP_DEFAULT);
    e->setPosition(preview.centreX(), preview.centreY());
    mainPanel.populateVisualResourceLists();
    updateData();
    setDirty(false);
    return 0;
}

int CtrlEffects::onSave()
{
    return resourceSave.save(kKind, "Particle effect name cannot be empty.", [this](const string& name) {
        ParticleEmitter* e = context.emitter();
        if (!e) {
            tabServices().notifySaveError(kKind, "Could not get the particle effect.", kNoticeMs);
            return -1;
        }
        // Another stored effect of that name would be replaced without a word.
        if (name != getCurrentItemName() && storedEffectNamed(name)) {
            tabServices().notifySaveWarning(kKind, "Could not rename the particle effect.", kNoticeMs);
            return -1;
        }
        const string before = e->getName();
        if (particles()->setName(context.effect, name.c_str()) < 0) {
            tabServices().notifySaveWarning(kKind, "Could not rename the particle effect.", kNoticeMs);
            return -1;
        }
        if (const int rc = e->save(tabServices().status().iArchiveID, name.c_str()); rc != 0) {
            // The emitter keeps the name it is stored under.
            particles()->setName(context.effect, before.c_str());
            tabServices().notifySaveFailure(kKind, "Could not save the particle effect.", rc);
            return -1;
        }
        return 0;
    });
}

bool CtrlEffects::storedEffectNamed(const string& name) const
{
    const Archive* archive = Main::instance()->archiveMgr()->get(tabServices().status().iArchiveID);
    return archive && archive->blockSearch(Archive::Block(name.c_str(), getBlockType())) >= 0;
}

int CtrlEffects::onDelete()
{
    return resourceSave.deleteSelected(
        kKind, [this](const string& name) { return particles()->remove(tabServices().status().iArchiveID, name.c_str()); },
        "Particle effect could not be deleted.");
}

int CtrlEffects::closeResources()
{
    mainPanel.closeBorrowedVisualResource();
    particles()->closeOneShots();
    if (context.effect > 0)
        particles()->close(context.effect);
    context.effect = 0;
    preview.reset();
    return 0;
}

int CtrlEffects::onActivate()
{
    preview.resume();
    // Other tabs may have added or removed images and sprites meanwhile.
    mainPanel.populateVisualResourceLists();
    if (ParticleEmitter* e = context.emitter()) {
        {
            const FillingWidgets filling(context);
            mainPanel.fillVisual(e);
        }
        updateEffectWidgetStates();
    }
    advanced.window().resume();
    appearance.window().resume();
    return 0;
}

int CtrlEffects::onDeactivate()
{
    preview.suspend();
    advanced.window().suspend();
    appearance.window().suspend();
    return 0;
}
