// The editor's own engine resources: application icon, editor font, the five
// fixed panels, the widget sprites of every tab and the two backgrounds,
// handed out by fixed resource ids. Also builds each tab's check box on the
// menu bar and its base panel. Main thread only.
#pragma once

#include "services/EditorArt.h"

#include <Zelkoran/CMem.h>

// Resource ids of get().
enum eSkardyResource : int {
    SR_MENU_PANEL = 0xAA001,
    SR_SECURE_PANEL = 0xAA002,
    SR_TOOLS_PANEL = 0xAA003,
    SR_INFO_PANEL = 0xAA004,
    SR_BLOCKS_PANEL = 0xAA005,
    SR_ICON = 0xAA101,
    SR_FONT = 0xAA102,
    SR_BG_BLOCKY = 0xAC110,
    SR_BG_DEFAULT = 0xAC114,
};

// Resource ids of getClone().
enum eSkardySprite : int {
    SS_IMPORT_IMG = 0xAC104,
    SS_EXPORT_IMG = 0xAC105,
    SS_GRID = 0xAC106,
    SS_ZOOM_IN = 0xAC107,
    SS_ZOOM_OUT = 0xAC108,
    SS_BLOCKY = 0xAC109,
    SS_WHITEY = 0xAC111,
    SS_TILEMAP = 0xAC112,
    SS_BLACKY = 0xAC113,
    SS_IMPORT_AUDIO = 0xAC115,
    SS_EXPORT_AUDIO = 0xAC116,
    SS_PLAY_AUDIO = 0xAC117,
    SS_PAUSE_AUDIO = 0xAC118,
    SS_STOP_AUDIO = 0xAC119,
    SS_IMPORT_FILE = 0xAC120,
    SS_EXPORT_FILE = 0xAC121,
    SS_LAYER_VISIBLE = 0xAC122,
    SS_NEW_ITEM = 0xAC123,
    SS_SAVE_ITEM = 0xAC124,
    SS_DELETE_ITEM = 0xAC125,
    SS_TIME_ICON = 0xAC126,
    SS_THEME_ICON = 0xAC127,
    SS_ALIGN_ICON = 0xAC128,
    SS_JUSTIFY_ICON = 0xAC129,
    SS_WIDTH_ICON = 0xAC130,
    SS_HEIGHT_ICON = 0xAC131,
    SS_FIT_CHECK = 0xAC132,
    SS_COLOR_ICON = 0xAC133,
    SS_SETTINGS = 0xAC134,
    SS_INFO_QEL = 0xAC135,
};

class ResourceManager {
public:
    // Sprite parents, in the order of the fields they stand for.
    enum eSpriteParent : int {
        SP_CHECKBOX,
        SP_NEW_ITEM,
        SP_SAVE_ITEM,
        SP_DELETE_ITEM,
        SP_ZOOM_OUT,
        SP_ZOOM_IN,
        SP_BLOCKY,
        SP_WHITEY,
        SP_BLACKY,
        SP_TILEMAP,
        SP_LAYER_VISIBLE,
        SP_IMPORT_IMG,
        SP_EXPORT_IMG,
        SP_GRID,
        SP_TIME_ICON,
        SP_THEME_ICON,
        SP_ALIGN_ICON,
        SP_JUSTIFY_ICON,
        SP_WIDTH_ICON,
        SP_HEIGHT_ICON,
        SP_FIT_CHECK,
        SP_COLOR_ICON,
        SP_SETTINGS,
        SP_INFO_QEL,
        SP_EXPORT_AUDIO,
        SP_IMPORT_AUDIO,
        SP_PLAY_AUDIO,
        SP_PAUSE_AUDIO,
        SP_STOP_AUDIO,
        SP_EXPORT_FILE,
        SP_IMPORT_FILE,
        SP_COUNT
    };

    // Creates nothing; load() does. The art table must outlive the manager.
    explicit ResourceManager(const EditorArt& art = builtInArt());
    ~ResourceManager();
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    // Creates whatever does not exist yet: icon and font, the five panels,
    // the sprites, the backgrounds; then seeds the engine's random numbers.
    // 0, or -1 after a failure (logged; everything is released again).
    int load();
    // Releases every resource; safe to call again. 0.
    int free();

    // The engine id of a resource of eSkardyResource (0 before load), -1
    // for any other id.
    int get(int id) const;
    // A new child sprite of the parent kept for an eSkardySprite id, for
    // the caller's widget; -1 for any other id.
    int getClone(int id) const;

    // The fixed panels; 0 when the panel exists (also from before), -1 on
    // failure (logged).
    int loadMenuPanel();
    int loadSecurePanel();
    int loadToolsPanel();
    int loadInfoPanel();
    int loadBlocksPanel();

    // A tab's check box on the menu bar at the next free place. 0 or -1.
    int createTabCheckbox(const char* name, int checkBoxId);
    // A tab's base panel, named after the tab, without widgets (the tab
    // adds them): its id, or 0 or less on failure. free() closes it.
    int createBasePanel(const char* name);

private:
    int loadCore();
    int loadSprites();
    int loadBackgrounds();
    int loadCheckerboard();
    int addMenuButton(int index);
    int addMenuLogo();

    const EditorArt& art;

    int iIconImage = 0;
    int iFont = 0;
    int iMenuPanel = 0;
    int iSecurePanel = 0;
    int iToolsPanel = 0;
    int iInfoPanel = 0;
    int iBlocksPanel = 0;
    int iSprites[SP_COUNT] = {};
    int iBgDefault = 0;
    int iBgBlocky = 0;
    Zelkoran::Vector<int> vBasePanels;
    float fNextX = 6.0f;
    float fNextY = 6.0f;
};
