#include "app/Menu.h"

#include "services/ArchiveFailureText.h"
#include "app/ErrorBox.h"
#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "services/Version.h"
#include "services/WidgetBuilders.h"
#include "tabs/base/blockTypeSlots.h"
#include "tabs/base/ctrlBase.h"
#include "tabs/data/ctrlAudioTracks.h"
#include "tabs/data/ctrlFiles.h"
#include "tabs/data/ctrlUndelete.h"
#include "tabs/data/ctrlVideos.h"
#include "tabs/data/ctrlXML.h"
#include "tabs/effects/ctrlEffects.h"
#include "tabs/gui/ctrlGUI.h"
#include "tabs/images/ctrlCursors.h"
#include "tabs/images/ctrlFonts.h"
#include "tabs/images/ctrlImages.h"
#include "tabs/images/ctrlSprites.h"
#include "tabs/images/ctrlTiles.h"
#include "tabs/scenes/ctrlScenes.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Internal.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>

#include <SDL_rect.h>

#include <new>

using namespace Zelkoran;

namespace {

constexpr const char* kRefusalTitle = "QEL file not written";

void enableButton(Panel* menu, int id)
{
    if (WidgetButton* button = menu->getButton(id))
        button->enable();
}

void disableButton(Panel* menu, int id)
{
    if (WidgetButton* button = menu->getButton(id))
        button->disable();
}

void showButton(Panel* menu, int id)
{
    if (WidgetButton* button = menu->getButton(id))
        button->show();
}

} // namespace

Menu::Menu(GlobalStatus* gs, ResourceManager* rm) : pGlobalStatus(gs), pResourceManager(rm)
{
    Panel* menu = menuPanel();
    if (!menu)
        Internal::fatalError("Menu panel resource is not available.", nullptr, 0);
    menu->baseWidget()->show();
    addTab<CtrlImages>("Images");
    addTab<CtrlCursors>("Cursors");
    addTab<CtrlTiles>("Tiles");
    addTab<CtrlSprites>("Sprites");
    addTab<CtrlFonts>("Fonts");
    addTab<CtrlGUI>("GUI");
    addTab<CtrlEffects>("Effects");
    addTab<CtrlAudioTracks>("Audio");
    addTab<CtrlVideos>("Videos");
    addTab<CtrlScenes>("Scenes");
    addTab<CtrlXML>("XML");
    addTab<CtrlFiles>("Files");
    addTab<CtrlUndelete>("Undelete");
}

Menu::~Menu()
{
    pGlobalStatus = nullptr;
    pResourceManager = nullptr;
    for (CtrlBase* tab : vCtrls)
        delete tab;
    Vector<CtrlBase*>().swap(vCtrls);
}

template <class Tab>
void Menu::addTab(const char* tabName)
{
    adoptTab(new (std::nothrow) Tab(pResourceManager, pGlobalStatus), tabName);
}

void Menu::adoptTab(CtrlBase* tab, const char* tabName)
{
    if (!tab) {
        const string message = string("Could not allocate the Skardy tab: ") + tabName + ".";
        Internal::fatalError(message.c_str(), nullptr, 0);
    }
    vCtrls.push_back(tab);
}

Panel* Menu::menuPanel() const
{
    const int id = pResourceManager->get(SR_MENU_PANEL);
    return id > 0 ? Main::instance()->guiMgr()->getPanel(id) : nullptr;
}

CtrlBase* Menu::activeCtrl() const
{
    for (CtrlBase* tab : vCtrls)
        if (tab && tab->getCheckBoxID() == iActiveCheckBoxID)
            return tab;
    return nullptr;
}

int Menu::update()
{
    if (Panel* menu = menuPanel()) {
        const bool loadedChanged = !bInitialised || pGlobalStatus->bArchiveLoaded != bLastLoaded;
        if (loadedChanged)
            applyArchiveState(menu);
        // Lock and Unlock follow the archive too: an archive opened without
        // encryption leaves the secured flag as it was, yet Lock must become usable.
        if (loadedChanged || pGlobalStatus->bSecured != bLastSecured)
            applySecuredState(menu);
        bInitialised = 1;
        if (pGlobalStatus->bReparseAll) {
            const BlockTypeSlots::Scope grouped(Main::instance()->archiveMgr()->get(pGlobalStatus->iArchiveID));
            for (CtrlBase* tab : vCtrls) {
                tab->parseQEL();
                relabelCheckBox(menu, tab, tab->getNumItems());
            }
            pGlobalStatus->bReparseAll = 0;
        }
    }
    reportRefusedChange();
    CtrlBase* active = activeCtrl();
    return active ? active->update() : 0;
}

void Menu::reportRefusedChange() const
{
    // A tab's Save tells its refusal itself; a delete says only that it
    // failed, and some writes (a cleanup after a failure) have no box at
    // all: their cause is told here, once.
    Archive* archive = Main::instance()->archiveMgr()->get(pGlobalStatus->iArchiveID);
    const int refusal = archive ? archive->takeRefusal() : 0;
    if (refusal != 0)
        showError(kRefusalTitle, archiveRefusalText(refusal, archive->getName()).c_str());
}

void Menu::applyArchiveState(Panel* menu)
{
    Screen* screen = Main::instance()->configMgr()->get(0);
    if (pGlobalStatus->bArchiveLoaded) {
        if (screen) {
            const string title = string(kSkardenNameVersion) + " - " + pGlobalStatus->sArchivePath;
            screen->setTitle(title.c_str());
        }
        enableButton(menu, MB_TOOLS);
        enableButton(menu, MB_CLOSE);
        updateCtrlPanels(1);
        if (iActiveCheckBoxID == 0 && !vCtrls.empty()) {
            CtrlBase* first = vCtrls.front();
            iActiveCheckBoxID = first->getCheckBoxID();
            if (WidgetCheckBox* box = menu->getCheckBox(iActiveCheckBoxID))
                box->setChecked(true);
            first->show();
            first->processEvent(0, 0);
        }
    } else {
        if (screen)
            screen->setTitle(kSkardenNameVersion);
        showButton(menu, MB_LOCK);
        disableButton(menu, MB_LOCK);
        disableButton(menu, MB_UNLOCK);
        disableButton(menu, MB_TOOLS);
        disableButton(menu, MB_CLOSE);
        updateCtrlPanels(0);
        iActiveCheckBoxID = 0;
    }
    bLastLoaded = pGlobalStatus->bArchiveLoaded;
}

// Lock and Unlock share one place; the enabled one is the one seen.
void Menu::applySecuredState(Panel* menu)
{
    if (!pGlobalStatus->bArchiveLoaded) {
        showButton(menu, MB_LOCK);
        disableButton(menu, MB_LOCK);
        disableButton(menu, MB_UNLOCK);
    } else if (pGlobalStatus->bSecured) {
        disableButton(menu, MB_LOCK);
        showButton(menu, MB_UNLOCK);
        enableButton(menu, MB_UNLOCK);
    } else {
        disableButton(menu, MB_UNLOCK);
        showButton(menu, MB_LOCK);
        enableButton(menu, MB_LOCK);
    }
    bLastSecured = pGlobalStatus->bSecured;
}

void Menu::relabelCheckBox(Panel* menu, const CtrlBase* tab, int count) const
{
    if (WidgetCheckBox* box = menu->getCheckBox(tab->getCheckBoxID()))
        box->setText(buildCheckBoxLabel(tab->getName(), count).c_str(), ui::centred(), ui::centred());
}

Menu::string Menu::buildCheckBoxLabel(const string& name, int count) const
{
    string digits;
    Main::instance()->tool()->intToStrDec(count, digits);
    return name + "(" + digits + ")";
}

int Menu::updateCtrlPanels(int enable)
{
    Panel* menu = menuPanel();
    if (!menu)
        return -1;
    for (CtrlBase* tab : vCtrls) {
        WidgetCheckBox* box = menu->getCheckBox(tab->getCheckBoxID());
        if (enable > 0) {
            if (box) {
                box->enable();
                box->setChecked(false);
            }
        } else {
            tab->resetWidgets();
            relabelCheckBox(menu, tab, 0);
            if (box) {
                box->disable();
                box->setChecked(false);
            }
        }
        tab->hide();
    }
    return 0;
}

int Menu::processEvent(int widgetId, int data, int panelId)
{
    Panel* menu = menuPanel();
    if (!menu)
        return -1;
    if (CtrlBase* active = activeCtrl(); active && !active->takesEventsFrom(panelId))
        return 0;
    switch (widgetId) {
    case MB_NEW: onNew(); return 0;
    case MB_LOAD: onLoad(); return 0;
    case MB_IMPORT_XML: onImportXML(); return 0;
    case MB_LOCK:
    case MB_UNLOCK: return onSecure();
    case MB_TOOLS: return onTools();
    case MB_CLOSE: return onClose();
    case MB_INFO: return onInfo();
    default: break;
    }
    for (CtrlBase* tab : vCtrls) {
        if (tab->getCheckBoxID() != widgetId)
            continue;
        CtrlBase* active = activeCtrl();
        if (tab == active) {
            // The click has just unchecked the active tab's box.
            if (WidgetCheckBox* box = menu->getCheckBox(widgetId))
                box->setChecked(true);
            continue;
        }
        if (active)
            active->onDeactivate();
        updateCtrlPanels(1);
        if (WidgetCheckBox* box = menu->getCheckBox(widgetId))
            box->setChecked(true);
        tab->show();
        tab->onActivate();
        iActiveCheckBoxID = widgetId;
    }
    if (CtrlBase* active = activeCtrl())
        active->processEvent(widgetId, data);
    return 0;
}

int Menu::refreshWidgets()
{
    CtrlBase* active = activeCtrl();
    return active ? active->refreshWidgets() : 0;
}

int Menu::handleMouseEvent(SDL_Event* event)
{
    CtrlBase* active = activeCtrl();
    return active ? active->handleMouseEvent(event) : 0;
}

int Menu::render(int value, void* menuObject)
{
    const Menu* self = static_cast<const Menu*>(menuObject);
    if (self->iActiveCheckBoxID != 0) {
        CtrlBase* active = self->activeCtrl();
        if (!active)
            return -1;
        active->updateDirtyIndicator();
        return active->render(value);
    }
    Main* engine = Main::instance();
    Screen* screen = engine->configMgr()->get(0);
    if (screen)
        screen->clear(255, 255, 255, 255);
    Image* background = engine->imageMgr()->get(self->pResourceManager->get(SR_BG_DEFAULT));
    if (background && screen) {
        const int x = (screen->getWidth() - background->getWidth()) / 2;
        const int y = (screen->getHeight() - background->getHeight()) / 2;
        const SDL_FRect destination{static_cast<float>(x), static_cast<float>(y),
                                    static_cast<float>(background->getWidth()),
                                    static_cast<float>(background->getHeight())};
        background->render(0, nullptr, &destination);
    }
    return -1;
}
