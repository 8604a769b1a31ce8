// The application controller between the main loop and the editor tabs: it
// owns the thirteen tabs, keeps track of the active one, runs the archive
// actions of the menu bar's buttons, hands every other GUI event to the
// active tab, keeps title, buttons and tab check boxes in step with
// GlobalStatus, and draws the active tab or the background picture.
// Main thread only.
#pragma once

#include "services/FixedPanelIds.h"

#include <Zelkoran/CMem.h>

#include <cstdint>
#include <functional>

union SDL_Event;
class CtrlBase;
class GlobalStatus;
class ResourceManager;
struct KeyBuffer;

namespace Zelkoran {
class Archive;
class Panel;
}

class Menu {
public:
    using string = Zelkoran::String;

    // Menu bar buttons, made by the resource manager.
    using enum eMenuButton;

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
    // the active tab (tab check boxes) and goes to the active tab. Events of
    // a panel the active tab shows as content (panelId, see
    // CtrlBase::takesEventsFrom) are dropped. -1 when the menu panel is
    // missing, else 0.
    int processEvent(int widgetId, int data, int panelId = 0);
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
    // Creates an archive at a path chosen in a file dialog and opens it
    // (after closing the open one, when the user agrees).
    int onNew();
    int onLoad();
    // Opens the archive at path ("" = ask; ".qel" is appended when the
    // extension is another): upgrades a QELv1 file, asks for keys as
    // needed, migrates legacy blocks, and replaces the open archive (when
    // the user agrees to close it). Failures are shown in a message box.
    int load(const string& path);
    int onImportXML();
    // path: the interchange document to import ("" = ask).
    int importXML(const string& path);
    // The key panel: sets the key, encrypts or decrypts the index. 0 done
    // or cancelled, 256 quit, -1 without an archive or the key panel.
    int onSecure();
    // The tools panel with the open archive's facts, its block table and
    // the defragment/resize: 0 after OK or without an archive or the panel
    // (after a message), 256 quit, -1 after a cancelled key prompt or a
    // failed rewrite (which leaves no archive open).
    int onTools();
    // The block table of the open archive, every index entry: 0 after OK or
    // without an archive or the panel, 256 quit.
    int onShowBlocks() const;
    // Asks, then closes the open archive and forgets it: 0, or -1 when the
    // user keeps it.
    int onClose();
    // The information panel; its change-log button opens the change log
    // beside the executable. 0, or 256 quit.
    int onInfo() const;

    // Runs the panel modally: shows it and drains the engine's events until
    // a drain ends with a non-zero result, then hides it. A GUI action event
    // gives fn(widget id); a quit request gives 256, which stands against
    // every later event of its drain and is posted again for the main loop.
    // -1 when the panel does not exist.
    int runModalPanel(int panelId, const std::function<int(int widgetId)>& fn) const;
    // The key prompt titled prompt: 1 with the typed key (its first 32
    // bytes) in key; 2 cancelled, confirmed empty or no key panel (key
    // untouched then); 256 quit.
    int secureModalPanel(const char* prompt, KeyBuffer& key) const;
    // Gives the archive the key typed into the key panel and remembers it:
    // 0, or -1 after telling the user why not.
    int setQELKeyFromSecurePanel(Zelkoran::Archive* archive, Zelkoran::Panel* panel);
    // Replaces the remembered key by the first min(length, 32) bytes of key;
    // a null key or length 0 leaves none remembered.
    void rememberQELKey(const void* key, uint32_t length);

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
    // Tells the user why the open archive refused a change since the last
    // pass (its file replaced, deleted or write-protected), naming the file.
    void reportRefusedChange() const;
    void applySecuredState(Zelkoran::Panel* menu);
    void relabelCheckBox(Zelkoran::Panel* menu, const CtrlBase* tab, int count) const;
    Zelkoran::Panel* securePanel() const;
    void dressLockPanel(Zelkoran::Panel* panel, const Zelkoran::Archive& archive) const;
    // The archive at path opened with its key (asked for as needed) and its
    // legacy blocks migrated: the archive id, or -1 (after a message, unless
    // the user cancelled the key prompt).
    int openArchive(const string& path, KeyBuffer& key, bool& keyUsed);
    // Creating an archive truncates: true when nothing is at path or the
    // user agrees to replace it.
    static bool mayReplaceFile(const char* title, const string& path);

    GlobalStatus* pGlobalStatus = nullptr;
    ResourceManager* pResourceManager = nullptr;
    Zelkoran::Vector<CtrlBase*> vCtrls;
    int iActiveCheckBoxID = 0;
    uint8_t bLastLoaded = 0;
    uint8_t bLastSecured = 0;
    uint8_t bInitialised = 0;
};
