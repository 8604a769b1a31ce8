#include "tabs/images/ctrlTiles.h"

#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/base/TabControls.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Tile.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

using namespace Zelkoran;

namespace {

constexpr int kCountTop = 426;
constexpr int kMaxTileSide = 4096;
constexpr uint32_t kGridColour = 0xFF000080;

String decimal(int v)
{
    String text;
    Main::instance()->tool()->intToStrDec(v, text);
    return text;
}

const CtrlImageResource::Kind kTileKind{"Tile", "tile", "defaultTile", "The image could not be converted to a tile."};

} // namespace

CtrlTiles::CtrlTiles(ResourceManager* rm, GlobalStatus* gs)
    : CtrlImageResourceOf("Tiles", TAB_TILES, "ZK7_TILE", kTileKind, rm, gs)
{
    Panel& tabPanel = tabServices().panel();
    ResourceManager& art = tabServices().resources();
    const int font = art.get(SR_FONT);
    addNumberRow({TW_OFFSET_X_LABEL, "OffsetsXLabel", "Offset X:", 5, TW_OFFSET_X, "OffsetX", 60, 45, 0, kMaxTileSide,
                  "Tile width in pixels", 394});
    addNumberRow({TW_OFFSET_Y_LABEL, "OffsetsYLabel", "Y:", 123, TW_OFFSET_Y, "OffsetY", 140, 45, 0, kMaxTileSide,
                  "Tile height in pixels", 394});
    ui::addLabel(tabPanel, {.name = "NumTiles", .id = TW_NUM_TILES, .x = ui::centred(), .y = ui::top(kCountTop),
                            .text = "Number of tiles: 0", .font = font});
    if (WidgetCheckBox* grid = ui::addSpriteCheckBox(tabPanel, {.name = "ShowGrid", .id = TW_SHOW_GRID,
                                                                .x = ui::centred(), .y = ui::bottom(-15),
                                                                .tooltip = "Show or hide the tile grid"},
                                                                art.getClone(SS_GRID)))
        grid->setChecked(true);
    CtrlTiles::onNew();
}

CtrlTiles::~CtrlTiles() { CtrlTiles::closeResources(); }

int CtrlTiles::processEvent(int widgetId, int data)
{
    int r = 0;
    if (!handleImageEvent(widgetId, data, r))
        return r;
    if (widgetId == TW_SHOW_GRID)
        bShowGrid = isTicked(TW_SHOW_GRID);
    for (int id : {TW_SHOW_GRID, TW_OFFSET_X, TW_OFFSET_Y})
        tabServices().setUsable(id, r == 0);
    applyTileSize(widgetId);
    return r;
}

void CtrlTiles::applyTileSize(int widgetId)
{
    Panel& tabPanel = tabServices().panel();
    Tile* t = current();
    const Image* ref = t ? Main::instance()->imageMgr()->get(t->getImage()) : nullptr;
    if (!ref)
        ref = Main::instance()->imageMgr()->get(iImageID);
    const int w = ref ? ref->getWidth() : 1, h = ref ? ref->getHeight() : 1;
    const int x = widgetInt(tabPanel, TW_OFFSET_X, 0, w, 0), y = widgetInt(tabPanel, TW_OFFSET_Y, 0, h, 0);
    string text = "Number of tiles: ";
    if (t) {
        t->setOffset(x && y ? 1 : 0, x ? x : w, y ? y : h);
        if (widgetId == TW_OFFSET_X || widgetId == TW_OFFSET_Y)
            setDirty(true);
        int across = 0, down = 0;
        t->getTileCount(across, down);
        text += decimal(across) + "x" + decimal(down) + "=" + decimal(across * down);
    } else {
        text += "0";
    }
    setLabel(tabPanel, TW_NUM_TILES, text, kCountTop);
}

int CtrlTiles::render(int value)
{
    CtrlImages::render(value);
    Tile* t = current();
    if (!t || !bShowGrid)
        return 0;
    int ow = 0, oh = 0;
    t->getOffset(ow, oh);
    // Clipped, unlike the image tab's own drawing: the grid of a panned or
    // zoomed image must not cover the panel.
    const PreviewClip clip(tabServices());
    drawCellGrid(static_cast<float>(ow) * fZoom, static_cast<float>(oh) * fZoom, kGridColour);
    return 0;
}

int CtrlTiles::updateData()
{
    CtrlImages::updateData();
    if (const Tile* t = current()) {
        int w = 0, h = 0;
        t->getOffset(w, h);
        setNumber(TW_OFFSET_X, static_cast<float>(w));
        setNumber(TW_OFFSET_Y, static_cast<float>(h));
    }
    return 0;
}

int CtrlTiles::onNew()
{
    closeResources();
    if (CtrlImages::onNew() != 0)
        return -1;
    setNumber(TW_OFFSET_X, 0);
    setNumber(TW_OFFSET_Y, 0);
    return 0;
}
