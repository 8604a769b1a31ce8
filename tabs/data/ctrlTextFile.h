// A tab that holds one archive block as raw bytes, shows them as editable
// text when they are plain text, and writes them back raw, compressed or
// encrypted. It also imports a whole file as the block's content, exports
// the content beside the archive and deletes blocks. What differs between
// tabs of this kind comes from a constant TextFileCtrlConfig.
// Main thread only.
#pragma once

#include "tabs/base/BlockText.h"
#include "tabs/base/RawBlockSave.h"
#include "tabs/base/SelectionSwitch.h"
#include "tabs/base/ctrlBase.h"

#include <Zelkoran/Archive.h>

// Everything a text-file tab needs to know about its kind of block. The
// texts are static and never freed.
struct TextFileCtrlConfig {
    const char* tabName;
    int checkBoxId;
    const char* blockType; // at most 15 characters
    const char* noun;      // the resource's name in messages ("XML", "File")
    int importButtonId;
    int exportButtonId;
    int typeLabelId;
    int sizeLabelId;
    int blockSizeLabelId;
    int rawCheckBoxId;
    int compressedCheckBoxId;
    int cryptedCheckBoxId;
    int textBoxId;
    // Description / pattern pairs, each followed by a NUL, one more NUL at the end.
    const char* fileFilter;
    const char* importMessageTitle;
    const char* openDialogTitle;
    const char* exportMessageTitle;
    const char* importTooltip;
    const char* exportTooltip;
    // Leaves blocks named *.tmx, *.tsx and *.tx (any case) out of the list.
    bool excludeTiledFiles;
};

class CtrlTextFile : public CtrlBase {
public:
    // Loads above this size are refused; imports are limited to INT_MAX bytes.
    static constexpr uint64_t kMaxLoadSize = BlockText::kMaxLoadSize;

    CtrlTextFile(const TextFileCtrlConfig& config, ResourceManager* rm, GlobalStatus* gs);
    ~CtrlTextFile() override;

    // The blocks shouldAddBlockToList accepts. 0 or -1.
    int parseQEL() override;
    // -1 when the base panel refused the event, 4 when no content is held
    // afterwards, else 0.
    int processEvent(int widgetId, int data) override;
    // A grey screen. 0.
    int render(int value) override;
    // No content: the "No file" state with compressed storage. 0 or -1.
    int onNew() override;
    // Drops the held content. 0.
    int closeResources() override;
    // Labels and storage boxes for the held content. 0.
    int updateData() override;
    // Loads the selected block unless it is the current item already. 0 or -1.
    int onListBox() override;
    // Writes the content (the text box's lines for text) under the name
    // field's name with the chosen storage. 0 or -1 after a message.
    int onSave() override;
    // Deletes the selected block after a Yes. 0 or -1.
    int onDelete() override;

    // A chosen file becomes the content. 0, or -1 (cancelled, or after a message).
    int onImport();
    // Writes the held bytes into the folder of archivePath under the name
    // field's text (else the selected block's name). 0, or -1 (refused, or
    // after a message).
    int onExport(const string& archivePath) const;
    // Classifies the held bytes and fills the text box. 0.
    int checkASCII();
    bool shouldAddBlockToList(const Zelkoran::Archive::Block& candidate) const;

private:
    void createWidgets();
    // The tab's own reaction to one of its widgets.
    void onWidget(int widgetId);
    // The no-content look (after a failed load too, so that nothing stale
    // can be saved under the newly selected name).
    void showNoContent();
    // Enables Save, Export, the storage boxes and the text box as the held
    // content allows. True when nothing is held.
    bool showContentWidgets();
    // The bytes a save writes: the held ones, or the text box's lines for
    // text. 0, or -1 after a message.
    int prepareSaveBuffer();
    string noun() const { return config.noun; }

    TextFileCtrlConfig config;
    BlockText held;
    const RawBlockSave rawBlockSave{*this};
    const SelectionSwitch selectionSwitch{*this};
};
