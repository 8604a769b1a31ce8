// The abstract editor tab: the part every tab shares. It owns the tab's
// check box on the menu bar and its base panel (block list, scroll slider,
// New/Save/Delete, name field, dirty indicator), lists the open archive's
// blocks of the tab's type and turns the base panel's events into calls of
// the tab's virtual operations. It also carries what every tab's save,
// delete and export have in common (messages, key, list and dirty
// bookkeeping) and the text view of block buffers. Main thread only.
#pragma once

#include "services/CMemSkarden.h"
#include "tabs/base/TabControls.h"
#include "tabs/base/TabServices.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/AudioTrack.h>
#include <Zelkoran/CMem.h>
#include <Zelkoran/Types.h>

#include <functional>
#include <string_view>

union SDL_Event;
class GlobalStatus;
class ResourceManager;

namespace Zelkoran {
class Panel;
class Screen;
class Widget;
class WidgetTextEdit;
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

    // The archive's limit, in bytes.
    static constexpr int kMaxBlockName = static_cast<int>(Zelkoran::kMaxBlockName);

    // How a block buffer is shown as text.
    enum ASCIIMode : int {
        AM_BINARY = -1,  // a byte text does not have: the edit is empty and disabled
        AM_ONE_LINE = 0, // no LF: one line (LF joins lines the user adds)
        AM_LF = 1,       // lines separated by LF
        AM_CRLF = 2,     // lines separated by CR LF
    };

    // A tab's own step of a save or delete, given the block name: 0 when it
    // succeeded. A failing save step has shown its message already.
    using NamedStep = std::function<int(const string& name)>;

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

    // The tab's services, lent to its parts.
    const TabServices& tabServices() const { return services; }

    using ChoiceBoxOption = ::ChoiceBoxOption;
    using ChoiceBoxOptions = ::ChoiceBoxOptions;
    int choiceBox(const string& title, const string& message, const ChoiceBoxOptions& options,
                  const string& cancelText) const
    {
        return ::choiceBox(services, title, message, options, cancelText);
    }

protected:
    // Enables or disables a widget of the base panel when it exists.
    void setUsable(int widgetId, bool usable) const;
    int showBox(const string& title, const string& text, int buttons, int type, int timeoutMs) const
    {
        return services.messageBox(title, text, buttons, type, timeoutMs);
    }
    // The name an export is written under: the name field's text, else the
    // selected row's; "" when neither has one.
    string exportName() const;
    // The block list's selected name; "" when no row is selected.
    string selectedListName() const;
    // A list pick in a tab that holds one block: the base handling, then 1
    // when another block was chosen (its name in `selected`, now the current
    // item, the held one dropped), 0 when the same one, -1 when refused.
    int switchToSelected(string& selected);
    // --- save, delete and export ---
    // The archive's text for blockAdd codes -72 and -477, else fallback.
    string getArchiveSaveErrorMessage(int code, const string& fallback) const;
    // Gives the archive the remembered key before an encrypted block is
    // written; false after a box titled title (no key, or a refused one).
    bool setArchiveKeyForEncryptedSave(Zelkoran::Archive* archive, const string& title) const;
    void notifySaveError(const string& prefix, const string& text, int timeoutMs) const
    {
        services.notifySaveError(prefix, text, timeoutMs);
    }
    // name = the name field's whole text; false after a warning when empty
    // or longer than a block name holds.
    bool readRequiredBlockName(string& name, const string& prefix, const string& message) const;
    bool acceptBlockName(const string& name, const string& prefix) const
    {
        return services.acceptBlockName(name, prefix);
    }
    int checkOverwrite(const string& path) const { return services.checkOverwrite(path); }
    // Rebuilds the list and makes name the clean, selected current item: 0;
    // when name is empty or not listed nothing is selected: -1; parseQEL's
    // failure passes through with nothing else changed.
    int refreshBlockListAndSelect(const string& name);
    // Clean state, then the timed kind + " saved." notice.
    void notifySaveSuccess(const string& kind);
    // Reparse flag, list rebuilt with name selected (when listed), clean
    // state, success notice. 0.
    int finishResourceSave(const string& kind, const string& name);
    // Drops the selected row, sets the reparse flag and returns to New. 0.
    int finishResourceDelete();
    // After a failed delete: the block is listed, selected and loaded again. -1.
    int recoverResourceDeleteFailure(const string& name);

    // The resource save: the required name, the tab's save (which reports
    // its own failure), then finishResourceSave. 0 or -1.
    int saveResource(const string& kind, const string& emptyNameMessage, const NamedStep& save);
    // The delete of the selected block after a Yes to the question; remove
    // is the engine's removal, failure the text shown when it fails (empty:
    // noun + " could not be deleted."). 0, or -1 when refused, cancelled or
    // failed (the block is then loaded again).
    int deleteSelectedResource(const string& noun, const NamedStep& remove, const string& failure = {});
    // The raw block save of a filled block (name, type, storage, data,
    // size) into the open archive: key for encrypted storage, blockAdd,
    // secured and reparse flags, list rebuilt with listedName selected
    // (empty when the tab's filter hides the block), refreshOwn, success
    // notice. Messages are titled with noun. 0 or -1.
    int saveRawBlock(const Zelkoran::Archive::Block& block, const string& noun, const string& listedName,
                     const std::function<void()>& refreshOwn);
    // The storage a new block starts with: plain, or encrypted while the
    // open archive's index or blocks are (Zelkoran::blockStorage).
    uint32_t newBlockStorage(uint32_t plain) const;

    // --- text view of block buffers ---
    // Classifies buffer (null: nothing happens) and, for text, fills the
    // multi-line text edit textEditId with its lines; mode and
    // endsWithNewline describe the buffer for rebuildTextBufferFromTextEdit.
    // Always 0.
    int checkAndPopulateASCII(const unsigned char* buffer, int length, ASCIIMode& mode, bool& endsWithNewline,
                              int textEditId);
    // The edit's lines joined as mode says, in a new buffer of module 15
    // that the caller frees with CMem::free. 0, or -1 with buffer null and
    // length 0 (binary mode, no edit, nothing to save, no memory).
    int rebuildTextBufferFromTextEdit(int textEditId, ASCIIMode mode, bool endsWithNewline, unsigned char*& buffer,
                                      int& length) const;

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
    TabServices services;

private:
    // Selects name and makes it the clean current item: true; else no
    // selection and no current item: false. List 105 must exist.
    bool selectSavedItem(const string& name);
};
