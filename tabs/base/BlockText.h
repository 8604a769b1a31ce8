// One archive block that a tab holds as bytes and shows as text: the block
// record, a copy of its bytes (loads above kMaxLoadSize are refused), how
// those bytes read as text, and the widgets that describe them - the kind,
// size and stored-size labels, the Raw / Compressed / Crypted storage boxes
// and the text box. Shared by the text-file tabs and the scene tab.
// Main thread only.
#pragma once

#include "tabs/base/TextView.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/CMem.h>

#include <array>

namespace Zelkoran {
class Panel;
class WidgetTextEdit;
} // namespace Zelkoran

// The ids of the holder's widgets on the tab's panel.
struct BlockTextWidgets {
    int typeLabel;
    int sizeLabel;
    int blockSizeLabel;
    int raw;
    int compressed;
    int crypted;
    int text;
};

class BlockText {
public:
    using string = Zelkoran::String;

    static constexpr uint64_t kMaxLoadSize = 1073741824;

    BlockText(Zelkoran::Panel* panel, const BlockTextWidgets& ids);
    ~BlockText();
    BlockText(const BlockText&) = delete;
    BlockText& operator=(const BlockText&) = delete;

    // The three labels and the storage boxes, in font.
    void createInfoWidgets(int font);
    // The multi-line text box right of the tab panel, width x height.
    Zelkoran::WidgetTextEdit* createTextBox(int font, int width, int height);

    Zelkoran::Archive::Block& block() { return m_block; }
    const Zelkoran::Archive::Block& block() const { return m_block; }
    unsigned char* bytes() const { return m_bytes; }
    int size() const { return m_size; }
    // How the held bytes read as text, for the text box's fill and rebuild.
    ASCIIMode& mode() { return m_mode; }
    bool& endsWithNewline() { return m_endsWithNewline; }

    // Frees the held bytes and takes bytes (may be null) in their place.
    void replace(unsigned char* bytes, int size);
    // Nothing held, binary mode.
    void release();
    // A copy (module 15) of the bytes of a loaded block of minSize to
    // kMaxLoadSize bytes; null for any other size or without memory.
    static unsigned char* copyLoaded(const Zelkoran::Archive::Block& loaded, uint64_t minSize);
    // The record's block, loaded from archive, held as a copy; the boxes
    // show how it is stored. 0, or -1 with nothing new held.
    int load(Zelkoran::Archive& archive, uint64_t minSize);
    // The record takes the sizes and storage archive's index gives its block.
    void readBack(const Zelkoran::Archive& archive);

    // The no-content labels and an empty text box.
    void showNoContent() const;
    // The type label reads as no content.
    bool showsNoContent() const;
    void showKind(const char* text) const;
    // Size and stored-size labels and the storage box of the held block;
    // nothing while nothing is held.
    void showSizes() const;
    // Ticks the boxes of mode: Compressed and Crypted together for a block
    // compressed, then encrypted.
    void showStorageMode(uint32_t mode) const;
    // The same on any panel's boxes raw, compressed, crypted.
    static void showStorageMode(Zelkoran::Panel& panel, const std::array<int, 3>& boxes, uint32_t mode);
    // A click on one of the storage boxes: the record takes its mode as
    // archive stores it (followArchive), shown. False for any other widget.
    bool takeStorageBox(int widgetId, const Zelkoran::Archive* archive);
    // Under an encrypted index the record's storage becomes encrypted and
    // the boxes show it: a plain block would give its content away without
    // the key. Compressed then means compressed, then encrypted; Crypted
    // encrypted only; Raw is no choice (storageBoxOffered false). A block
    // shown as stored keeps its storage until a box is clicked or it is
    // saved: the boxes tell how its bytes lie in the file.
    void followArchive(const Zelkoran::Archive* archive);
    // The storage the next save writes under archive, shown.
    void storageForSave(const Zelkoran::Archive* archive);
    // The record's storage and whether it is its stored block's: what a
    // refused save puts back, so the boxes keep telling how the block lies.
    struct Storage {
        uint32_t mode;
        bool asStored;
    };
    Storage storage() const { return {m_block.storage, m_asStored}; }
    void putBack(const Storage& kept);
    bool storageBoxOffered(int widgetId, const Zelkoran::Archive* archive) const;
    std::array<int, 3> storageBoxes() const { return {m_ids.raw, m_ids.compressed, m_ids.crypted}; }

private:
    Zelkoran::Panel* m_panel;
    BlockTextWidgets m_ids;
    Zelkoran::Archive::Block m_block;
    unsigned char* m_bytes = nullptr;
    int m_size = 0;
    ASCIIMode m_mode = AM_BINARY;
    bool m_endsWithNewline = false;
    bool m_asStored = false; // the record's storage is its stored block's
};
