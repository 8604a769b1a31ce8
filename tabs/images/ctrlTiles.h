// The tile set tab: the archive's tile sets, made from imported images, cut
// into tiles of the size in its two number edits, shown with a grid of
// whole tiles and their count. Main thread only.
#pragma once

#include "tabs/images/ctrlImageResourceOf.h"

#include <Zelkoran/Tile.h>

class CtrlTiles
    : public CtrlImageResourceOf<Zelkoran::Tile, Zelkoran::TileMgr, &Zelkoran::Main::tileMgr> {
public:
    enum eTileWidget : int {
        TW_SHOW_GRID = 602,
        TW_OFFSET_X_LABEL = 603,
        TW_OFFSET_Y_LABEL = 604,
        TW_NUM_TILES = 605,
        TW_OFFSET_X = 606,
        TW_OFFSET_Y = 607,
    };

    CtrlTiles(ResourceManager* rm, GlobalStatus* gs);
    ~CtrlTiles() override;

    // The image tab's handling, then the import's conversion, the grid
    // switch, and the tile size from 606 and 607 (0 = the image's side)
    // applied to the tile set with its count shown. -1, 0 with an image, 4
    // without, or the result after a failed conversion.
    int processEvent(int widgetId, int data) override;
    // The image tab's preview with the grid of whole tiles over it. 0.
    int render(int value) override;
    int onNew() override;
    // The image tab's widgets, then the tile size into 606 and 607. 0.
    int updateData() override;

private:
    void applyTileSize(int widgetId);

    bool bShowGrid = true;
};
