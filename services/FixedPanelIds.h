// The widget ids of the editor's own panels that the resource manager
// makes once (menu bar, key, Tools, Info, block table), for their maker,
// the menu actions that run them and whoever clicks them.
#pragma once

// The menu bar's buttons, left to right in id order.
enum eMenuButton : int {
    MB_NEW = 200,
    MB_LOAD = 201,
    MB_IMPORT_XML = 202,
    MB_LOCK = 203,
    MB_UNLOCK = 204,
    MB_TOOLS = 205,
    MB_CLOSE = 206,
    MB_INFO = 207,
};

enum eMenuImage : int {
    MI_LOGO = 208,
};

enum eKeyPanelWidget : int {
    KP_CONFIRM = 100, // "OK" in the prompt, "Set key" in the lock/unlock action
    KP_CANCEL = 101,
    KP_KEY = 112,   // the typed key
    KP_INDEX = 114, // "Encrypt index" / "Decrypt index"; hidden in the prompt
};

enum eToolsWidget : int {
    TW_OK = 1,
    TW_SHOW_BLOCKS = 4,
    TW_DEFRAG = 8,
    TW_MAX_BLOCKS = 113,
    TW_VERSION = 300,
    TW_CREATED = 301,
    TW_MODIFIED = 302,
    TW_ENCRYPTION = 303,
    TW_FILE_SIZE = 304,
    TW_FRAGMENTATION = 305,
    TW_USED_DELETED = 306,
    TW_READABLE = 307,
};

enum eInfoWidget : int {
    IP_OK = 1,
    IP_CHANGELOG = 4,
    IP_NAME = 310,
    IP_WEB = 311,
    IP_EMAIL = 312,
    IP_AUTHOR = 313,
};

enum eBlocksWidget : int {
    BT_OK = 1,
    BT_TABLE = 112,
};
