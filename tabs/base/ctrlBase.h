// The abstract editor tab: the part every tab shares. It owns the tab's
// check box on the menu bar and its base panel (block list, scroll slider,
// New/Save/Delete, name field, dirty indicator), lists the open archive's
// blocks of the tab's type and turns the base panel's events into calls of
// the tab's virtual operations. It also carries the steps every tab's save
// and delete share (name check, list and dirty bookkeeping, notices), which
// the save parts a tab owns call; what else its parts share is on the tab's
// services. Main thread only.
#pragma once

#include "services/CMemSkarden.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/TabServices.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/CMem.h>
#include <Zelkoran/Types.h>

#include <cstring>
#include <functional>

union SDL_Event;
class GlobalStatus;
class ResourceManager;

namespace Zelkoran {
class Panel;
class Screen;
} // namespace Zelkoran

class CtrlBase;

// Accepts blocks of blockType whose name does not begin with '#'.
inline bool acceptsByDefault(const Zelkoran::Archive::Block& block, const char (&blockType)[16])
{
    // Both types are zero-padded: a fixed-size compare, inlined, for lists of millions.
    return std::memcmp(block.type, blockType, sizeof(blockType)) == 0 && block.name[0] != '#';
}

class CtrlBase : public CMemSkarden {
public:
    using string = Zelkoran::String;
    // Decides whether a block of the archive's index appears in the list.
    using BlockFilter = std::function<bool(const Zelkoran::Archive::Block&)>;

    // The base panel's widget ids, the same in every tab.
    using enum eBaseWidget;

    // Creates the tab's check box and base panel; a missing manager or
    // status, or a check box, panel or screen that cannot be had, ends the
    // program through the engine's fatal-error routine.
    CtrlBase(const string& name, int checkBoxId, ResourceManager* rm, GlobalStatus* gs);
    virtual ~CtrlBase();
    CtrlBase(const CtrlBase&) = delete;
    CtrlBase& operator=(const CtrlBase&) = delete;

    // Rebuilds the block list from the open archive. 0 or -1.
    virtual int parseQEL();
    // Slider range and position, Delete and Save enabling, name length. 0 or -1.
    virtual int refreshWidgets();
    // A GUI event of a widget (data: the event's value). -1 when the base
    // panel lacks its list or slider; else the handler's or refresh's result.
    virtual int processEvent(int widgetId, int data);
    virtual int update();
    // Draws the tab's preview; the argument is the render callback's.
    virtual int render(int value) = 0;
    // Back to the state without an archive: empty list, then the tab's onNew. 0.
    virtual int resetWidgets();
    virtual int handleMouseEvent(SDL_Event* event);
    virtual int onActivate();
    virtual int onDeactivate();
    // A row of the block list was chosen: its name goes to the name field.
    virtual int onListBox();
    // Nothing selected, empty name, clean. 0.
    virtual int onNew();
    // Loads the block shown again, as the archive holds it now (another
    // path, such as Import XML, may have replaced it); back to New when it
    // is no longer listed. 0 when none is shown, else onListBox's or
    // onNew's result.
    int reloadShown();
    virtual int onSave() = 0;
    virtual int onDelete() = 0;
    // Copies the loaded resource's properties into the tab's widgets.
    virtual int updateData() = 0;
    // Releases the loaded resource (itemHandle) and sets itemHandle to 0.
    virtual int closeResources() = 0;
    // False for the GUI events of panel panelId (GE events carry it), which
    // the tab shows as content rather than as its own controls.
    virtual bool takesEventsFrom(int /*panelId*/) const { return true; }

    int getCheckBoxID() const { return checkBoxId; }
    const string& getName() const { return tabName; }
    bool isDirty() const { return dirty; }
    // Items of the block list.
    int getNumItems() const;
    // Shows or hides the whole base panel. 0.
    int show() const;
    int hide() const;
    void setDirty(bool isDirty);
    // One step of the pulse of the unsaved-changes frame (80 steps a period);
    // hidden while clean or while Save is disabled.
    void updateDirtyIndicator();
    // Selects the first row named exactly name: 1; else no selection: 0.
    int selectBlockListItemByName(const string& name);
    // Lists the live blocks of the tab's type that filter accepts, keeping
    // the selection by name. 0 or -1.
    int rebuildBlockList(const BlockFilter& filter);

    // The tab's services, lent to its parts.
    const TabServices& tabServices() const { return services; }
    // The block the tab has selected or loaded; "" when none.
    const string& getCurrentItemName() const { return currentItemName; }
    void setCurrentItemName(const string& name) { currentItemName = name; }

    // The steps every tab's save and delete share, for the tab and the
    // parts that save for it.
    // name = the name field's whole text; false after a warning when empty
    // or longer than a block name holds.
    bool readRequiredBlockName(string& name, const string& prefix, const string& message) const;
    // Reparse flag, list rebuilt with name selected (when listed), clean
    // state, success notice. 0.
    int finishResourceSave(const string& kind, const string& name);
    // Drops the selected row, sets the reparse flag and returns to New. 0.
    int finishResourceDelete();
    // After a failed delete: the block is listed, selected and loaded again. -1.
    int recoverResourceDeleteFailure(const string& name);
    // Rebuilds the list and makes name the clean, selected current item: 0;
    // when name is empty or not listed nothing is selected: -1; parseQEL's
    // failure passes through with nothing else changed.
    int refreshBlockListAndSelect(const string& name);
    // Clean state, then the timed kind + " saved." notice.
    void notifySaveSuccess(const string& kind);

protected:
    // The block type the tab lists, zero-padded; the tab's constructor sets it.
    const char (&getBlockType() const)[16] { return blockType; }
    void setBlockType(const char* type);
    // Engine id of the resource the tab has loaded; 0 when none.
    int getItemHandle() const { return itemHandle; }
    void setItemHandle(int id) { itemHandle = id; }

private:
    // The tab's parts and the tabs derived from this one reach the panel,
    // screen, resources and status through services.
    string currentItemName;
    char blockType[16];
    Zelkoran::Panel* panel = nullptr;
    Zelkoran::Screen* screen = nullptr;
    ResourceManager* resourceManager = nullptr;
    int itemHandle = 0;
    GlobalStatus* globalStatus = nullptr;
    int checkBoxId = 0;
    int dirtyTick = 0;
    bool dirty = false;
    string tabName;
    TabServices services;
};

