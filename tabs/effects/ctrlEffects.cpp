#include "tabs/effects/ctrlEffects.h"

#include "services/EditorLog.h"
#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/GFX.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Timer.h>
#include <Zelkoran/Tool.h>

#include <SDL.h>

#include <cstdio>

using namespace Zelkoran;

namespace {

constexpr int kTabCheckBoxId = 225;
constexpr int kNoticeMs = 2000;
constexpr int kInfoPeriodMs = 250;
constexpr int kMaxInfoText = 63;
constexpr const char* kKind = "Particle";
constexpr uint32_t kBlack = 0x000000FF;
constexpr uint32_t kWhite = 0xFFFFFFFF;

// When the info labels change next: one time for the whole program.
uint64_t g_nextInfoTicks = 0;

ParticleMgr* particles() { return Main::instance()->particleMgr(); }

const char* driverName(int driver)
{
    static const char* const names[] = {"default", "soft", "ogl",  "gles2", "vulkan", "d3d9",
                                        "d3d11",   "d3d12", "x11", "metal", "gpu"};
    return driver >= 0 && driver < static_cast<int>(std::size(names)) ? names[driver] : "n/a";
}

// Whether (x, y) lies on the shown base widget of panel.
bool onShownPanel(Panel* panel, bool visible, float x, float y)
{
    if (!panel || !visible)
        return false;
    const Widget* base = panel->baseWidget();
    if (!base->isShown())
        return false;
    const SDL_Rect r = base->getRect();
    return x >= static_cast<float>(r.x) && x < static_cast<float>(r.x + r.w) && y >= static_cast<float>(r.y)
           && y < static_cast<float>(r.y + r.h);
}

} // namespace

void setEffectTooltip(Widget* widget, const char* text)
{
    if (widget)
        widget->setTooltip(text);
}

CtrlEffects::CtrlEffects(ResourceManager* rm, GlobalStatus* gs) : CtrlBase("Effects", kTabCheckBoxId, rm, gs)
{
    Main::instance()->tool()->szCopy(blockType, "ZK7_PARTICLE", sizeof(blockType));
    if (Widget* base = panel->baseWidget())
        base->setSize(200, 960);
    backgroundImageId = resourceManager->get(SR_BG_BLOCKY);
    createMainWidgets();
    createAdvancedPanel(rm);
    createAppearancePanel(rm);
    populatePresetList();
    populateSubPresetList();
    populateVisualResourceLists();
    CtrlEffects::onNew();
}

CtrlEffects::~CtrlEffects()
{
    CtrlEffects::closeResources();
    for (int id : {advancedPanelId, appearancePanelId})
        if (id > 0)
            Main::instance()->guiMgr()->close(id);
}

ParticleEmitter* CtrlEffects::emitter() const { return itemHandle > 0 ? particles()->get(itemHandle) : nullptr; }

Panel* CtrlEffects::advancedPanel() const
{
    return advancedPanelId > 0 ? Main::instance()->guiMgr()->getPanel(advancedPanelId) : nullptr;
}

Panel* CtrlEffects::appearancePanel() const
{
    return appearancePanelId > 0 ? Main::instance()->guiMgr()->getPanel(appearancePanelId) : nullptr;
}

float CtrlEffects::contentCentreX() const { return static_cast<float>(globalStatus->iWidth - 200) * 0.5f + 200; }
float CtrlEffects::contentCentreY() const { return static_cast<float>(globalStatus->iHeight - 40) * 0.5f + 40; }

void CtrlEffects::setPreviewPosition(float x, float y, bool markDirty)
{
    ParticleEmitter* e = emitter();
    if (!e)
        return;
    e->setPosition(x, y);
    if (markDirty)
        setDirty(true);
}

bool CtrlEffects::isInContentArea(float x, float y) const
{
    return x >= 200 && x < static_cast<float>(globalStatus->iWidth) && y >= 40
           && y < static_cast<float>(globalStatus->iHeight);
}

bool CtrlEffects::isInModelessPanel(float x, float y) const
{
    return onShownPanel(advancedPanel(), advancedPanelVisible, x, y)
           || onShownPanel(appearancePanel(), appearancePanelVisible, x, y);
}

void CtrlEffects::populatePresetList()
{
    WidgetComboBox* combo = panel->getComboBox(EW_PRESET);
    if (!combo)
        return;
    presets.clear();
    combo->clearItems();
    for (int i = 0; i < particles()->getPresetCount(); ++i) {
        if (const ParticlePresetDesc* d = particles()->getPresetDesc(i)) {
            presets.push_back(d->preset);
            combo->addItem(d->name);
        }
    }
    if (!presets.empty())
        combo->setSelectedIndex(1);
}

int CtrlEffects::update()
{
    ParticleEmitter* e = emitter();
    if (!e || !(previewState == PS_PLAYING || (previewState == PS_STOPPED && oneShotsAlive)))
        return 0;
    particles()->update(Main::instance()->getLogicDeltaTime());
    if (e->status() == PES_FINISHED) {
        previewState = PS_STOPPED;
        oneShotsAlive = particles()->getCount() > 1;
    } else if (oneShotsAlive && particles()->getCount() <= 1) {
        oneShotsAlive = false;
    }
    return 0;
}

void CtrlEffects::drawBackground()
{
    const float w = static_cast<float>(globalStatus->iWidth), h = static_cast<float>(globalStatus->iHeight);
    const bool black = !panel || checked(EW_BG_BLACK);
    if (!black && checked(EW_BG_CHECKER)) {
        Image* tile = Main::instance()->imageMgr()->get(backgroundImageId);
        if (!tile || tile->getWidth() < 1 || tile->getHeight() < 1)
            return;
        const float tw = static_cast<float>(tile->getWidth()), th = static_cast<float>(tile->getHeight());
        for (float y = 40; y < h; y += th)
            for (float x = 200; x < w; x += tw) {
                const SDL_FRect dst{x, y, tw, th};
                tile->render(0, nullptr, &dst);
            }
        return;
    }
    GFX::rectFilled(200, 40, w, h, !black && checked(EW_BG_WHITE) ? kWhite : kBlack, 0);
}

int CtrlEffects::render(int)
{
    screen = Main::instance()->configMgr()->get(0);
    if (!screen)
        return 0;
    screen->clear(128, 128, 128, 255);
    SDL_Rect saved{};
    const bool clipped = screen->getClipRect(saved);
    const SDL_Rect area{200, 40, globalStatus->iWidth - 200, globalStatus->iHeight - 40};
    screen->setClipRect(&area);
    drawBackground();
    if (emitter() && (previewState != PS_STOPPED || oneShotsAlive))
        particles()->render(0);
    screen->setClipRect(clipped ? &saved : nullptr);
    const uint64_t now = SDL_GetTicks64();
    if (now >= g_nextInfoTicks) {
        updateInfoLabel();
        g_nextInfoTicks = now + kInfoPeriodMs;
    }
    return 0;
}

void CtrlEffects::updateInfoLabel()
{
    const ParticleEmitter* e = emitter();
    char text[256];
    std::snprintf(text, sizeof(text), "Live: %d (%u)", e ? e->getLiveCount() : 0,
                  Main::instance()->timer()->getCurrentRFR());
    text[kMaxInfoText] = '\0';
    if (WidgetLabel* label = panel->getLabel(EW_INFO))
        label->setText(text);
    std::snprintf(text, sizeof(text), "Render: %s", screen ? driverName(screen->getDriverInUse()) : "n/a");
    text[kMaxInfoText] = '\0';
    if (WidgetLabel* label = panel->getLabel(EW_RENDER_INFO))
        label->setText(text);
}

int CtrlEffects::handleMouseEvent(SDL_Event* event)
{
    ParticleEmitter* e = emitter();
    if (!event || !e)
        return 0;
    switch (event->type) {
    case SDL_MOUSEBUTTONDOWN: {
        const float x = static_cast<float>(event->button.x), y = static_cast<float>(event->button.y);
        if (isInModelessPanel(x, y)) {
            if (event->button.button == SDL_BUTTON_LEFT)
                previewDragging = false;
            return 0;
        }
        if (!isInContentArea(x, y))
            return 0;
        if (event->button.button == SDL_BUTTON_LEFT) {
            previewDragging = true;
            setPreviewPosition(x, y, true);
        } else if (event->button.button == SDL_BUTTON_RIGHT) {
            setPreviewPosition(x, y, true);
            e->play();
            e->burst(widgetInt(EW_BURST, 32, 65536, 1));
            previewState = PS_PLAYING;
        }
        break;
    }
    case SDL_MOUSEBUTTONUP:
        if (event->button.button == SDL_BUTTON_LEFT)
            previewDragging = false;
        break;
    case SDL_MOUSEMOTION: {
        const float x = static_cast<float>(event->motion.x), y = static_cast<float>(event->motion.y);
        if (previewDragging && !isInModelessPanel(x, y)) {
            e->setPosition(x, y);
            setDirty(true);
        }
        break;
    }
    default: break;
    }
    return 0;
}

void CtrlEffects::resetPauseBox() { setChecked(EW_PAUSE, false); }

bool CtrlEffects::handlePreviewEvent(int widgetId, ParticleEmitter* e)
{
    auto togglePanel = [](Panel* p, bool& visible, bool show) {
        if (!p)
            return;
        visible = show;
        show ? p->baseWidget()->show() : p->baseWidget()->hide();
    };
    switch (widgetId) {
    case EW_PLAY:
        if (e && e->play()) {
            previewState = PS_PLAYING;
            oneShotsAlive = false;
            resetPauseBox();
        }
        return true;
    case EW_PAUSE:
        if (!e)
            return true;
        if (previewState == PS_PLAYING && e->pause()) {
            previewState = PS_PAUSED;
            setChecked(EW_PAUSE, true);
        } else if (previewState == PS_PAUSED && e->play()) {
            previewState = PS_PLAYING;
            resetPauseBox();
        } else {
            // Stopped: the box shows the state, not the click.
            setChecked(EW_PAUSE, previewState == PS_PAUSED);
        }
        return true;
    case EW_STOP:
        if (e) {
            e->stop();
            e->clear();
        }
        particles()->closeOneShots();
        previewState = PS_STOPPED;
        oneShotsAlive = false;
        resetPauseBox();
        return true;
    case EW_PRESET: {
        if (updatingWidgets || !e)
            return true;
        const size_t index = static_cast<size_t>(std::max(comboRow(EW_PRESET), 1) - 1);
        if (index >= presets.size() || !e->applyPreset(presets[index]))
            return true;
        closeBorrowedVisualResource();
        setPreviewPosition(contentCentreX(), contentCentreY(), false);
        e->play();
        previewState = PS_PLAYING;
        oneShotsAlive = false;
        updateData();
        setDirty(true);
        return true;
    }
    case EW_BG_CHECKER:
    case EW_BG_WHITE:
    case EW_BG_BLACK:
        // One choice: the clicked box ends up the only ticked one.
        for (int id : {EW_BG_CHECKER, EW_BG_WHITE, EW_BG_BLACK})
            setChecked(id, id == widgetId);
        return true;
    case EW_ADVANCED: togglePanel(advancedPanel(), advancedPanelVisible, !advancedPanelVisible); return true;
    case EW_ADVANCED_CLOSE:
        togglePanel(advancedPanel(), advancedPanelVisible, false);
        advancedPanelVisible = false;
        return true;
    case EW_APPEARANCE:
        if (!appearancePanelVisible)
            updateAppearanceData();
        togglePanel(appearancePanel(), appearancePanelVisible, !appearancePanelVisible);
        return true;
    case EW_APPEARANCE_CLOSE:
        togglePanel(appearancePanel(), appearancePanelVisible, false);
        appearancePanelVisible = false;
        return true;
    default: return false;
    }
}

int CtrlEffects::processEvent(int widgetId, int data)
{
    if (CtrlBase::processEvent(widgetId, data) == -1)
        return -1;
    ParticleEmitter* e = emitter();
    const bool consumed =
        handlePreviewEvent(widgetId, e) || handleAppearanceEvent(widgetId) != 0 || handleParticleEventsEvent(widgetId);
    if (!consumed && !updatingWidgets && e) {
        int applied = applyMainEmitterWidget(widgetId, e);
        if (applied == 0)
            applied = applyAdvancedEmitterWidget(widgetId, e);
        if (applied == 1)
            setDirty(true);
        else if (applied != 0)
            updateData();
    }
    updateEffectWidgetStates();
    return itemHandle > 0 ? 0 : 4;
}

int CtrlEffects::onListBox()
{
    const bool wasDirty = dirty;
    if (CtrlBase::onListBox() != 0)
        return -1;
    const WidgetList* list = panel->getList(BW_LIST);
    const string name = list && list->getSelectedIndex() > 0 ? list->getSelectedText() : "";
    if (name == currentItemName)
        return 0;
    const int id = particles()->load(globalStatus->iArchiveID, name.c_str());
    if (id > 0) {
        closeResources();
        itemHandle = id;
        currentItemName = name;
        // The position is not stored: a loaded effect plays where a new one does.
        setPreviewPosition(contentCentreX(), contentCentreY(), false);
        previewState = PS_STOPPED;
        populateVisualResourceLists();
        updateData();
        return 0;
    }
    char text[256];
    std::snprintf(text, sizeof(text), "Particle effect '%s' could not be loaded.\n\nError code: %d", name.c_str(), id);
    editorLog().msg(LOG_ERROR, "\n[CtrlEffects] Error: could not load particle effect '%s' (error %d).\n",
                      name.c_str(), id);
    selectBlockListItemByName(currentItemName);
    if (WidgetTextEdit* field = panel->getTextEdit(BW_NAME))
        field->setText(currentItemName.c_str());
    setDirty(wasDirty);
    showBox("Loading resource", text, MBB_OK, MBT_ERROR, 0);
    return -1;
}

int CtrlEffects::onNew()
{
    closeResources();
    if (CtrlBase::onNew() != 0)
        return -1;
    itemHandle = particles()->create("Effect", 10);
    ParticleEmitter* e = emitter();
    if (!e) {
        itemHandle = 0;
        showBox("New effect", "Particle effect could not be created.", MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    e->applyPreset(PEP_DEFAULT);
    e->setPosition(contentCentreX(), contentCentreY());
    previewState = PS_STOPPED;
    populateVisualResourceLists();
    updateData();
    clearDirtyState();
    return 0;
}

int CtrlEffects::resetWidgets()
{
    CtrlBase::resetWidgets();
    onNew();
    return 0;
}

int CtrlEffects::onSave()
{
    return saveResource(kKind, "Particle effect name cannot be empty.", [this](const string& name) {
        ParticleEmitter* e = emitter();
        if (!e) {
            notifySaveError(kKind, "Could not get the particle effect.", kNoticeMs);
            return -1;
        }
        // Another stored effect of that name would be replaced without a word.
        if (name != currentItemName && storedEffectNamed(name)) {
            notifySaveWarning(kKind, "Could not rename the particle effect.", kNoticeMs);
            return -1;
        }
        if (particles()->setName(itemHandle, name.c_str()) < 0) {
            notifySaveWarning(kKind, "Could not rename the particle effect.", kNoticeMs);
            return -1;
        }
        if (e->save(globalStatus->iArchiveID, name.c_str()) != 0) {
            notifySaveError(kKind, "Could not save the particle effect.", kNoticeMs);
            return -1;
        }
        return 0;
    });
}

bool CtrlEffects::storedEffectNamed(const string& name) const
{
    const Archive* archive = Main::instance()->archiveMgr()->get(globalStatus->iArchiveID);
    return archive && archive->blockSearch(Archive::Block(name.c_str(), blockType)) >= 0;
}

int CtrlEffects::onDelete()
{
    const WidgetList* list = panel->getList(BW_LIST);
    if (!list || list->getSelectedIndex() == 0)
        return -1;
    const string name = list->getSelectedText();
    const string question = "Are you sure you want to delete \"" + name + "\" Particle?";
    if (showBox("Delete Particle", question, MBB_YESNO, MBT_INFORMATION, 0) != MBB_YES)
        return -1;
    closeResources();
    if (particles()->remove(globalStatus->iArchiveID, name.c_str()) != 0) {
        showBox("Delete Particle", "Particle effect could not be deleted.", MBB_OK, MBT_ERROR, 0);
        return recoverResourceDeleteFailure(name);
    }
    return finishResourceDelete();
}

void CtrlEffects::closeBorrowedVisualResource()
{
    if (borrowedVisualId > 0) {
        if (borrowedVisualKind == PV_IMAGE)
            Main::instance()->imageMgr()->close(borrowedVisualId);
        else if (borrowedVisualKind == PV_SPRITE)
            Main::instance()->spriteMgr()->close(borrowedVisualId);
    }
    borrowedVisualId = 0;
    borrowedVisualKind = 0;
}

int CtrlEffects::closeResources()
{
    closeBorrowedVisualResource();
    particles()->closeOneShots();
    if (itemHandle > 0)
        particles()->close(itemHandle);
    itemHandle = 0;
    previewState = PS_STOPPED;
    oneShotsAlive = false;
    previewDragging = false;
    resetPauseBox();
    return 0;
}

int CtrlEffects::onActivate()
{
    ParticleEmitter* e = emitter();
    if (e && previewState == PS_PLAYING)
        e->play();
    // Other tabs may have added or removed images and sprites meanwhile.
    populateVisualResourceLists();
    if (e) {
        const bool guard = updatingWidgets;
        updatingWidgets = true;
        updateVisualWidgets(e);
        updatingWidgets = guard;
        updateEffectWidgetStates();
    }
    setChecked(EW_PAUSE, previewState == PS_PAUSED);
    if (advancedPanelVisible)
        if (Panel* p = advancedPanel())
            p->baseWidget()->show();
    if (appearancePanelVisible)
        if (Panel* p = appearancePanel())
            p->baseWidget()->show();
    return 0;
}

int CtrlEffects::onDeactivate()
{
    ParticleEmitter* e = emitter();
    if (e && previewState == PS_PLAYING)
        e->pause(); // previewState stays: activation resumes it
    for (Panel* p : {advancedPanel(), appearancePanel()})
        if (p)
            p->baseWidget()->hide();
    previewDragging = false;
    return 0;
}
