// The application controller between the main loop and the editor tabs: it
// owns the thirteen tabs, keeps track of the active one, runs the archive
// actions of the menu bar's buttons, hands every other GUI event to the
// active tab, keeps title, buttons and tab check boxes in step with
// GlobalStatus, and draws the active tab or the background picture.
// Main thread only.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstdint>

union SDL_Event;
class CtrlBase;
class GlobalStatus;
class ResourceManager;

namespace Zelkoran {
class Panel;
}

class Menu {
public:
    using string = Zelkoran::String;

    // Menu bar buttons.
    enum eMenuButton : int {
        MB_NEW = 200,
        MB_LOAD = 201,
        MB_IMPORT_XML = 202,
        MB_LOCK = 203,
        MB_UNLOCK = 204,
        MB_TOOLS = 205,
        MB_CLOSE = 206,
        MB_INFO = 207,
    };

    // Creates the thirteen tabs; a missing menu panel or a tab that cannot
    // be allocated ends the program through the engine's fatal-error routine.
    Menu(GlobalStatus* gs, ResourceManager* rm);
    ~Menu();
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    // Once per pass of the main loop: applies a changed archive or secured
    // state, rebuilds every block list when GlobalStatus asks for it; then
    // the active tab's update (0 without one).
    int update();
    // A GUI event (widget id, value): menu buttons run their action and
    // return its result as the main loop takes it; any other id may switch
    // the active tab (tab check boxes) and goes to the active tab. -1 when
    // the menu panel is missing, else 0.
    int processEvent(int widgetId, int data);
    // The active tab's, 0 without one.
    int refreshWidgets();
    int handleMouseEvent(SDL_Event* event);
    // The screen's render callback; menu is the Menu. The active tab's
    // render, or -1 after drawing the background picture.
    static int render(int value, void* menu);
    // name + "(" + count + ")".
    string buildCheckBoxLabel(const string& name, int count) const;
    // Every tab hidden and its check box unchecked; with enable <= 0 also
    // reset, labelled with a count of 0 and disabled. 0, or -1 without the
    // menu panel.
    int updateCtrlPanels(int enable);

    // Archive actions of the menu bar. Each returns 0 on success, -1 when
    // nothing was done, and 256 for a quit request seen in its dialogs.
    int onNew();
    int onLoad();
    // path: the archive to open ("" = ask).
    int load(const string& path);
    int onImportXML();
    // path: the interchange document to import ("" = ask).
    int importXML(const string& path);
    int onSecure();
    int onTools();
    int onClose();
    int onInfo();

    // Check box id of the active tab, 0 when none.
    int getActiveCheckBoxID() const { return iActiveCheckBoxID; }
    // The tabs in creation order.
    const Zelkoran::Vector<CtrlBase*>& getCtrls() const { return vCtrls; }

protected:
    // Appends a newly created tab; null (no memory for it) ends the program.
    void adoptTab(CtrlBase* tab, const char* tabName);

private:
    template <class Tab>
    void addTab(const char* tabName);
    Zelkoran::Panel* menuPanel() const;
    CtrlBase* activeCtrl() const;
    void applyArchiveState(Zelkoran::Panel* menu);
    void applySecuredState(Zelkoran::Panel* menu);
    void relabelCheckBox(Zelkoran::Panel* menu, const CtrlBase* tab, int count) const;

    GlobalStatus* pGlobalStatus = nullptr;
    ResourceManager* pResourceManager = nullptr;
    Zelkoran::Vector<CtrlBase*> vCtrls;
    int iActiveCheckBoxID = 0;
    uint8_t bLastLoaded = 0;
    uint8_t bLastSecured = 0;
    uint8_t bInitialised = 0;
};
