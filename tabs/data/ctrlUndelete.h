// The tab of deleted blocks: lists the deleted index entries of the open
// archive (every type, hidden "#" names left out), shows the stored facts of
// the selected one and restores it. A cursor, sprite, tile set or font is
// restored together with its hidden image block, a document or panel with
// the deleted pictures it names, a map with the tile sets deleted with it;
// any other block whose name is taken by a live block comes back under a
// free numbered name. It edits nothing: New, Save and Delete stay disabled.
// Main thread only.
#pragma once

#include "tabs/base/ctrlBase.h"

#include <map>
#include <vector>

class CtrlUndelete : public CtrlBase {
public:
    enum eUndeleteWidget : int {
        UW_RAW = 1400,
        UW_COMPRESSED = 1401,
        UW_CRYPTED = 1402,
        UW_UNDELETE = 1403,
        UW_TYPE = 1404,
        UW_SIZE = 1405,
        UW_BLOCKSIZE = 1406,
    };

    CtrlUndelete(ResourceManager* rm, GlobalStatus* gs);
    ~CtrlUndelete() override;

    // Lists the deleted blocks; a selection whose entry is no longer listed
    // is dropped. 0.
    int parseQEL() override;
    // The base's, with New, Save and Delete kept disabled. 0 or -1.
    int refreshWidgets() override;
    // Scroll slider, Undelete button and list; 4 while nothing is
    // selected, else 0.
    int processEvent(int widgetId, int data) override;
    // Clears the screen to grey. 0.
    int render(int value) override;
    // Shows the selected deleted block: 0, or -1 when it is no longer a
    // deleted entry of the index (the widgets keep what they showed).
    int onListBox() override;
    // Nothing selected. 0, or -1 when the base panel lacks its list.
    int onNew() override;
    // The tab writes nothing. 0.
    int onSave() override;
    int onDelete() override;
    int onImport();
    int onExport(const string& name) const;
    // Type, sizes and storage mode of the selected block. 0.
    int updateData() override;
    int closeResources() override;
    // Restores the selected block: 0, or -1 after an error box.
    int onUndelete();

private:
    // Index positions of the listed deleted entries by name, in index order.
    // The list sorts its rows stably, so the k-th row of a name is the k-th
    // position: rows of one name stay apart.
    using Positions = std::vector<int32_t, Zelkoran::stl_allocator<int32_t>>;
    using PositionMap = std::map<string, Positions, std::less<>,
                                 Zelkoran::stl_allocator<std::pair<const string, Positions>>>;

    void clearSelection();
    // The storage boxes and the Undelete button usable while a block is shown.
    void showUsable(bool shown) const;
    // Index position of list row (1-based), or -1.
    int rowPosition(int row) const;
    // The error box "Block could not be recovered.\n" + reason. -1.
    int failUndelete(const char* reason) const;
    // Restores an owner of a hidden image together with that image. 0, or
    // -1 after the error box; on failure the image is deleted again.
    int undeleteWithImage(Zelkoran::Archive& archive, const char* prefix, const string& type);
    // Restores any other block, under a free numbered name when a live
    // block holds its own, with the pictures it names that are deleted
    // (a map's, a panel's) and a map's deleted tile sets. 0, or -1 after
    // the error box.
    int undeleteRenaming(Zelkoran::Archive& archive, const string& type);
    // selectedBlock's name when free, else name + number cut to fit a block
    // name and not held by a live block of the type; "" when none is found.
    string freeRestoreName(const Zelkoran::Archive& archive) const;
    // The box "Block was recovered: ..." with note after it. 0.
    int reportRecovered(const string& name, const string& type, const string& note = string());

    Zelkoran::Archive::Block selectedBlock;
    int32_t selectedSize = 0;
    int32_t selectedIndex = -1;
    PositionMap positionsByName;
};
