// The image-family tabs whose resource owns its image: cursors, tile sets,
// sprites and fonts. They share list selection, reload, release, save and
// delete, and the conversion of an imported image into a new resource; each
// tab supplies its engine manager's calls and its own widgets. Main thread only.
#pragma once

#include "tabs/images/ctrlImages.h"

#include <cstdint>

class CtrlImageResource : public CtrlImages {
public:
    // The words a tab's messages are made of.
    struct Kind {
        const char* noun;        // "Sprite": titles and the save notice
        const char* lower;       // "sprite": "Could not get the sprite."
        const char* defaultName; // the new resource's name when the name field is empty
        const char* assignFailed; // box text when assignImage refuses the image
    };

    // Nothing selected: 0; the selected block loaded (its image shown): 0;
    // -1 after the load's error box.
    int onListBox() override;
    int onSave() override;
    int onDelete() override;
    // Releases the resource; an image the resource does not own (just
    // imported, or left by a failed conversion) is closed too. Zoom back to 1. 0.
    int closeResources() override;
    int reloadImageResource(const string& name) override;

protected:
    CtrlImageResource(const string& name, int checkBoxID, const char* type, const Kind& kind, ResourceManager* rm,
                      GlobalStatus* gs);

    // --- the engine manager's calls, on itemHandle ---
    virtual int createResource(const char* name) = 0;
    virtual int loadResource(const char* name) = 0;
    virtual bool resourceExists() const = 0;
    virtual int resourceImage() const = 0;
    virtual void closeResource() = 0;
    // 0 when the resource has the name already; else the manager's rename.
    virtual int renameResource(const char* name) = 0;
    virtual int removeResource(const char* name) = 0;
    // assignImage(iImageID, 1).
    virtual int assignResourceImage() = 0;
    // Writes the resource as the block name, whatever its own name.
    virtual int saveResourceBlock(const char* name) = 0;
    // Before the block is written, after the rename: 0, or -1 after its own message.
    virtual int beforeResourceSave() { return 0; }
    // The box shown when assignResourceImage returned rc (not 0).
    virtual void reportAssignFailure(int rc);

    // After an import: a new resource named after the name field (or the
    // kind's default name) takes the imported image, and the tab is dirty:
    // true. Otherwise, after a box, the imported image is released, the tab
    // is back to New and result holds processEvent(0, 0): false.
    bool convertImportedImage(int& result);
    // The image tab's handling of an event, then an import's conversion:
    // false when the event ends there (result is what processEvent
    // returns: -1, or the failed conversion's), else true with result the
    // image tab's.
    bool handleImageEvent(int widgetId, int data, int& result);

    // Whole cells of cw x ch screen pixels over the placed image, each
    // outlined on its own (neighbours show a two-pixel border), drawn only
    // where they meet the preview area.
    void drawCellGrid(float cw, float ch, uint32_t rgba) const;
    // Sets the preview area as the clip rectangle and restores the previous
    // one when it goes.
    class PreviewClip {
    public:
        explicit PreviewClip(const TabServices& services);
        ~PreviewClip();
        PreviewClip(const PreviewClip&) = delete;
        PreviewClip& operator=(const PreviewClip&) = delete;

    private:
        Zelkoran::Screen& m_screen;
        SDL_Rect m_previous{};
        bool m_hadClip = false;
    };

    // --- widgets of the tabs' own rows ---
    // Height of their fields, combo boxes and small buttons.
    static constexpr int kRowHeight = 19;
    // A number field of minimum..maximum whose top is top, its caption at
    // captionX level with its text; with a modeName, a hotspot row: the
    // mode combo box (Manual, Center, Size) at 68 between them.
    struct NumberRow {
        int captionId;
        const char* captionName;
        const char* caption;
        float captionX;
        int fieldId;
        const char* fieldName;
        float fieldX;
        int fieldWidth;
        int minimum;
        int maximum;
        const char* tooltip;
        float top;
        int modeId = 0;
        const char* modeName = nullptr;
    };
    void addNumberRow(const NumberRow& row) const;
    bool isTicked(int id) const;
    void setNumber(int id, float value) const;
    void selectRow(int id, int row) const;

    const Kind kind;
};
