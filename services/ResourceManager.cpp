#include "services/ResourceManager.h"

#include "services/EditorLog.h"

#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Tool.h>

#include <SDL.h>

#include <chrono>
#include <cstdint>

using namespace Zelkoran;

namespace {

constexpr size_t kSpriteNamePrefixLength = 15;

struct SpriteRow {
    ResourceManager::eSpriteParent slot;
    const char* name;
    eArtImage image;
    int frame; // square frames, except the check box strip
};

// Load order of the widget sprites.
constexpr SpriteRow kSpriteRows[] = {
    {ResourceManager::SP_CHECKBOX, "@skardy/sprite/WgtCheckbox", ART_CHK_TAB, 28},
    {ResourceManager::SP_NEW_ITEM, "@skardy/sprite/WgtNewItem", ART_BTN_NEW_ITEM, 28},
    {ResourceManager::SP_SAVE_ITEM, "@skardy/sprite/WgtSaveItem", ART_BTN_SAVE_ITEM, 28},
    {ResourceManager::SP_DELETE_ITEM, "@skardy/sprite/WgtDeleteItem", ART_BTN_DELETE_ITEM, 28},
    {ResourceManager::SP_IMPORT_IMG, "@skardy/sprite/WgtImportImg", ART_BTN_IMPORT_IMG, 28},
    {ResourceManager::SP_EXPORT_IMG, "@skardy/sprite/WgtExportImg", ART_BTN_EXPORT_IMG, 28},
    {ResourceManager::SP_ZOOM_OUT, "@skardy/sprite/WgtZoomOutImg", ART_BTN_ZOOM_OUT, 28},
    {ResourceManager::SP_ZOOM_IN, "@skardy/sprite/WgtZoomInImg", ART_BTN_ZOOM_IN, 28},
    {ResourceManager::SP_BLOCKY, "@skardy/sprite/WgtBlockyImg", ART_CHK_PATTERN_BLOCK, 28},
    {ResourceManager::SP_WHITEY, "@skardy/sprite/WgtWhiteyImg", ART_CHK_PATTERN_WHITE, 28},
    {ResourceManager::SP_BLACKY, "@skardy/sprite/WgtBlackyImg", ART_CHK_PATTERN_BLACK, 28},
    {ResourceManager::SP_TILEMAP, "@skardy/sprite/WgtTileMapImg", ART_CHK_TILEMAP, 28},
    {ResourceManager::SP_GRID, "@skardy/sprite/WgtGrid", ART_CHK_GRID, 28},
    {ResourceManager::SP_EXPORT_AUDIO, "@skardy/sprite/WgtExportAudio", ART_BTN_EXPORT_AUDIO, 28},
    {ResourceManager::SP_IMPORT_AUDIO, "@skardy/sprite/WgtImportAudio", ART_BTN_IMPORT_AUDIO, 28},
    {ResourceManager::SP_PLAY_AUDIO, "@skardy/sprite/WgtPlayAudio", ART_CHK_AUDIO_PLAY, 28},
    {ResourceManager::SP_PAUSE_AUDIO, "@skardy/sprite/WgtPauseAudio", ART_CHK_AUDIO_PAUSE, 28},
    {ResourceManager::SP_STOP_AUDIO, "@skardy/sprite/WgtStopAudio", ART_CHK_AUDIO_STOP, 28},
    {ResourceManager::SP_EXPORT_FILE, "@skardy/sprite/WgtExportFile", ART_BTN_EXPORT_FILE, 28},
    {ResourceManager::SP_IMPORT_FILE, "@skardy/sprite/WgtImportFile", ART_BTN_IMPORT_FILE, 28},
    {ResourceManager::SP_LAYER_VISIBLE, "@skardy/sprite/WgtLayerVisible", ART_CHK_VISIBILITY, 28},
    {ResourceManager::SP_TIME_ICON, "@skardy/sprite/WgtTimeIcon", ART_ICON_TIME, 20},
    {ResourceManager::SP_THEME_ICON, "@skardy/sprite/WgtThemeIcon", ART_ICON_THEME, 20},
    {ResourceManager::SP_ALIGN_ICON, "@skardy/sprite/WgtAlignIcon", ART_ICON_ALIGN, 20},
    {ResourceManager::SP_JUSTIFY_ICON, "@skardy/sprite/WgtJustifyIcon", ART_ICON_JUSTIFY, 20},
    {ResourceManager::SP_WIDTH_ICON, "@skardy/sprite/WgtWidthIcon", ART_ICON_WIDTH, 20},
    {ResourceManager::SP_HEIGHT_ICON, "@skardy/sprite/WgtHeightIcon", ART_ICON_HEIGHT, 20},
    {ResourceManager::SP_COLOR_ICON, "@skardy/sprite/WgtColorIcon", ART_ICON_COLORS, 20},
    {ResourceManager::SP_FIT_CHECK, "@skardy/sprite/WgtFitCheck", ART_CHK_FIT, 28},
    {ResourceManager::SP_SETTINGS, "@skardy/sprite/WgtSettings", ART_BTN_SETTINGS, 28},
};

constexpr int kCheckBoxFrameWidth = 78;
constexpr int kCheckerCell = 16;
constexpr uint32_t kCheckerGrey = 0xFFC0C0C0;
constexpr uint32_t kCheckerWhite = 0xFFFFFFFF;

// The sprite parent behind a getClone id; SP_COUNT for any other id.
ResourceManager::eSpriteParent spriteSlot(int id)
{
    switch (id) {
    case SS_IMPORT_IMG: return ResourceManager::SP_IMPORT_IMG;
    case SS_EXPORT_IMG: return ResourceManager::SP_EXPORT_IMG;
    case SS_GRID: return ResourceManager::SP_GRID;
    case SS_ZOOM_IN: return ResourceManager::SP_ZOOM_IN;
    case SS_ZOOM_OUT: return ResourceManager::SP_ZOOM_OUT;
    case SS_BLOCKY: return ResourceManager::SP_BLOCKY;
    case SS_WHITEY: return ResourceManager::SP_WHITEY;
    case SS_TILEMAP: return ResourceManager::SP_TILEMAP;
    case SS_BLACKY: return ResourceManager::SP_BLACKY;
    case SS_IMPORT_AUDIO: return ResourceManager::SP_IMPORT_AUDIO;
    case SS_EXPORT_AUDIO: return ResourceManager::SP_EXPORT_AUDIO;
    case SS_PLAY_AUDIO: return ResourceManager::SP_PLAY_AUDIO;
    case SS_PAUSE_AUDIO: return ResourceManager::SP_PAUSE_AUDIO;
    case SS_STOP_AUDIO: return ResourceManager::SP_STOP_AUDIO;
    case SS_IMPORT_FILE: return ResourceManager::SP_IMPORT_FILE;
    case SS_EXPORT_FILE: return ResourceManager::SP_EXPORT_FILE;
    case SS_LAYER_VISIBLE: return ResourceManager::SP_LAYER_VISIBLE;
    case SS_NEW_ITEM: return ResourceManager::SP_NEW_ITEM;
    case SS_SAVE_ITEM: return ResourceManager::SP_SAVE_ITEM;
    case SS_DELETE_ITEM: return ResourceManager::SP_DELETE_ITEM;
    case SS_TIME_ICON: return ResourceManager::SP_TIME_ICON;
    case SS_THEME_ICON: return ResourceManager::SP_THEME_ICON;
    case SS_ALIGN_ICON: return ResourceManager::SP_ALIGN_ICON;
    case SS_JUSTIFY_ICON: return ResourceManager::SP_JUSTIFY_ICON;
    case SS_WIDTH_ICON: return ResourceManager::SP_WIDTH_ICON;
    case SS_HEIGHT_ICON: return ResourceManager::SP_HEIGHT_ICON;
    case SS_FIT_CHECK: return ResourceManager::SP_FIT_CHECK;
    case SS_COLOR_ICON: return ResourceManager::SP_COLOR_ICON;
    case SS_SETTINGS: return ResourceManager::SP_SETTINGS;
    case SS_INFO_QEL: return ResourceManager::SP_INFO_QEL;
    default: return ResourceManager::SP_COUNT;
    }
}

} // namespace

ResourceManager::ResourceManager(const EditorArt& artTable) : art(artTable) {}

ResourceManager::~ResourceManager()
{
    free();
    Zelkoran::Vector<int>().swap(vBasePanels);
}

int ResourceManager::load()
{
    if (loadCore() != 0 || loadMenuPanel() != 0 || loadSecurePanel() != 0 || loadToolsPanel() != 0 ||
        loadInfoPanel() != 0 || loadBlocksPanel() != 0 || loadSprites() != 0 || loadBackgrounds() != 0) {
        free();
        return -1;
    }
    const auto seed = static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count());
    Tool* tool = Main::instance()->tool();
    tool->randSeedMWC(seed);
    tool->randSeedWELL(seed, nullptr);
    return 0;
}

int ResourceManager::loadCore()
{
    Main* engine = Main::instance();
    if (iIconImage <= 0) {
        const int id = engine->imageMgr()->loadFromBuffer(art[ART_APP_ICON].data, art[ART_APP_ICON].size,
                                                          "@skardy/image/EditorIcon");
        if (id <= 0) {
            editorLog().msg(LOG_CRITICAL, " [ResourceManager] Critical: could not create the Skardy Icon.\n");
            return -1;
        }
        iIconImage = id;
    }
    if (iFont <= 0) {
        const int id = engine->fontMgr()->getBuiltin("Arial12Black");
        if (id <= 0) {
            editorLog().msg(LOG_CRITICAL, " [ResourceManager] Critical: could not get the Skardy Font.\n");
            return -1;
        }
        iFont = id;
    }
    return 0;
}

int ResourceManager::loadSprites()
{
    SpriteMgr* sprites = Main::instance()->spriteMgr();
    for (const SpriteRow& row : kSpriteRows) {
        if (iSprites[row.slot] > 0)
            continue;
        const int width = row.slot == SP_CHECKBOX ? kCheckBoxFrameWidth : row.frame;
        const int id = sprites->loadFromBuffer(art[row.image].data, art[row.image].size, row.name, width, row.frame);
        if (id <= 0) {
            editorLog().msg(LOG_CRITICAL, " [ResourceManager] Critical: could not create the Skardy %s.\n",
                            row.name + kSpriteNamePrefixLength);
            return -1;
        }
        iSprites[row.slot] = id;
    }
    return 0;
}

int ResourceManager::loadBackgrounds()
{
    if (iBgDefault <= 0) {
        const int id = Main::instance()->imageMgr()->loadFromBuffer(art[ART_BG_DEFAULT].data,
                                                                   art[ART_BG_DEFAULT].size, "@skardy/image/BgDefault");
        if (id <= 0) {
            editorLog().msg(LOG_CRITICAL, " [ResourceManager] Critical: could not create the Skardy BG default.\n");
            return -1;
        }
        iBgDefault = id;
    }
    if (iBgBlocky <= 0 && loadCheckerboard() != 0) {
        editorLog().msg(LOG_CRITICAL, " [ResourceManager] Critical: could not create the Skardy BgBlocky.\n");
        return -1;
    }
    return 0;
}

// 16-pixel cells in the window's size, grey where column plus row is even.
int ResourceManager::loadCheckerboard()
{
    const Screen* screen = Main::instance()->configMgr()->get(0);
    if (!screen)
        return -1;
    const int width = screen->getWidth();
    const int height = screen->getHeight();
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!surface)
        return -1;
    for (int x = 0; x < width; x += kCheckerCell) {
        uint32_t colour = (x / kCheckerCell) % 2 == 0 ? kCheckerGrey : kCheckerWhite;
        for (int y = 0; y < height; y += kCheckerCell) {
            const SDL_Rect cell{x, y, kCheckerCell, kCheckerCell};
            SDL_FillRect(surface, &cell, colour);
            colour = colour == kCheckerGrey ? kCheckerWhite : kCheckerGrey;
        }
    }
    const int id = Main::instance()->imageMgr()->loadFromSurface(surface, "@skardy/image/BgBlocky");
    SDL_FreeSurface(surface);
    if (id <= 0)
        return -1;
    iBgBlocky = id;
    return 0;
}

int ResourceManager::free()
{
    Main* engine = Main::instance();
    ImageMgr* images = engine->imageMgr();
    GUIMgr* gui = engine->guiMgr();
    SpriteMgr* sprites = engine->spriteMgr();
    auto release = [](int& id, auto* manager) {
        if (id > 0)
            manager->close(id);
        id = 0;
    };
    release(iIconImage, images);
    iFont = 0; // the built-in font belongs to the engine
    for (int* panel : {&iMenuPanel, &iSecurePanel, &iToolsPanel, &iInfoPanel, &iBlocksPanel})
        release(*panel, gui);
    release(iSprites[SP_CHECKBOX], sprites);
    for (int& panel : vBasePanels)
        release(panel, gui);
    vBasePanels.clear();
    for (int& sprite : iSprites)
        release(sprite, sprites);
    release(iBgBlocky, images);
    release(iBgDefault, images);
    return 0;
}

int ResourceManager::get(int id) const
{
    switch (id) {
    case SR_MENU_PANEL: return iMenuPanel;
    case SR_SECURE_PANEL: return iSecurePanel;
    case SR_TOOLS_PANEL: return iToolsPanel;
    case SR_INFO_PANEL: return iInfoPanel;
    case SR_BLOCKS_PANEL: return iBlocksPanel;
    case SR_ICON: return iIconImage;
    case SR_FONT: return iFont;
    case SR_BG_BLOCKY: return iBgBlocky;
    case SR_BG_DEFAULT: return iBgDefault;
    default: return -1;
    }
}

int ResourceManager::getClone(int id) const
{
    const eSpriteParent slot = spriteSlot(id);
    if (slot == SP_COUNT)
        return -1;
    return Main::instance()->spriteMgr()->child(iSprites[slot]);
}
