// The abstract editor tab: the part every tab shares. It owns the tab's
// check box on the menu bar and its base panel (block list, scroll slider,
// New/Save/Delete, name field, dirty indicator), lists the open archive's
// blocks of the tab's type and turns the base panel's events into calls of
// the tab's virtual operations. Main thread only.
#pragma once

#include "app/CMemSkarden.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/AudioTrack.h>
#include <Zelkoran/CMem.h>

#include <functional>

union SDL_Event;
class GlobalStatus;
class ResourceManager;

namespace Zelkoran {
class Panel;
class Screen;
} // namespace Zelkoran

class CtrlBase : public CMemSkarden {
public:
    using string = Zelkoran::String;
    // Decides whether a block of the archive's index appears in the list.
    using BlockFilter = std::function<bool(const Zelkoran::Archive::Block&)>;

    // Base panel widget ids, the same in every tab.
    enum eBaseWidget : int {
        BW_LIST = 105,
        BW_SLIDER = 106,
        BW_NEW = 107,
        BW_SAVE = 108,
        BW_DELETE = 109,
        BW_TITLE = 110,
        BW_NAME_LABEL = 111,
        BW_NAME = 112,
        BW_DIRTY_FRAME = 115,
    };

    static constexpr int kMaxBlockName = 63;

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
    // Back to the state without an archive. 0.
    virtual int resetWidgets();
    virtual int handleMouseEvent(SDL_Event* event);
    virtual int onActivate();
    virtual int onDeactivate();
    // A row of the block list was chosen: its name goes to the name field.
    virtual int onListBox();
    // Nothing selected, empty name, clean. 0.
    virtual int onNew();
    virtual int onSave() = 0;
    virtual int onDelete() = 0;
    // Copies the loaded resource's properties into the tab's widgets.
    virtual int updateData() = 0;
    // Releases the loaded resource (itemHandle) and sets itemHandle to 0.
    virtual int closeResources() = 0;

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
    // Lists the live blocks filter accepts, keeping the selection by name. 0 or -1.
    int rebuildBlockList(const BlockFilter& filter);
    // Integer of a number edit (truncated) or text edit (empty: defaultValue),
    // clamped to maximum, then minimum; defaultValue when there is no such widget.
    int widgetInt(int widgetId, int defaultValue, int maximum, int minimum) const;

    // The tag of one of the four tag check boxes; defaultTag for any other id.
    static Zelkoran::eAudioTrackTag audioTagFromWidgetID(int widgetId, int musicId, int sfxId, int voiceId,
                                                         int customId, Zelkoran::eAudioTrackTag defaultTag);
    // Ticks the box of tag (defaultTag when tag is not 1..4) and clears the others.
    static void applyAudioTagToWidgets(Zelkoran::Panel* panel, int tag, int musicId, int sfxId, int voiceId,
                                       int customId, Zelkoran::eAudioTrackTag defaultTag);
    // The tag of the first ticked box in the order music, effect, voice, custom.
    static Zelkoran::eAudioTrackTag selectedAudioTagFromWidgets(Zelkoran::Panel* panel, int musicId, int sfxId,
                                                                int voiceId, int customId,
                                                                Zelkoran::eAudioTrackTag defaultTag);

protected:
    // Accepts blocks of blockType whose name does not begin with '#'.
    bool acceptsByDefault(const Zelkoran::Archive::Block& block) const;
    void clearDirtyState();

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
};
