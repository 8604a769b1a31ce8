// The fixed panels of the editor and the per-tab check boxes and base panels
// (their widgets are the tab base's: tabs/base/BasePanel.cpp).
#include "services/EditorLog.h"
#include "services/FixedPanelIds.h"
#include "services/ResourceManager.h"
#include "services/Version.h"
#include "services/WidgetBuilders.h"

#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Sprite.h>

#include <cstring>

using namespace Zelkoran;

namespace {

constexpr int kMenuButtonCount = 8;
constexpr int kMenuButtonStep = 40;
constexpr int kTabCheckBoxStep = 80;

using ui::bottom;
using ui::left;
using ui::right;
using ui::top;
using ui::centred;

struct MenuButtonRow {
    int id;
    const char* spriteName;
    const char* tooltip;
    eArtImage image;
    int logNumber; // in the failure line of the menu panel
};

constexpr MenuButtonRow kMenuButtons[kMenuButtonCount] = {
    {MB_NEW, "@skardy/sprite/WgtNewQEL", "Create a new QEL container", ART_BTN_NEW, 1},
    {MB_LOAD, "@skardy/sprite/WgtLoadQEL", "Open an existing QEL container", ART_BTN_LOAD, 2},
    {MB_IMPORT_XML, "@skardy/sprite/WgtImportXML", "Import resources from a VUQ XML file", ART_BTN_IMPORT_XML, 2},
    {MB_LOCK, "@skardy/sprite/WgtLockQEL", "Encryption and password", ART_BTN_LOCK, 3},
    {MB_UNLOCK, "@skardy/sprite/WgtUnlockQEL", "Encryption and password", ART_BTN_UNLOCK, 4},
    {MB_TOOLS, "@skardy/sprite/WgtToolsQEL", "Show QEL info and options", ART_BTN_TOOLS, 5},
    {MB_CLOSE, "@skardy/sprite/WgtCloseQEL", "Close the current QEL", ART_BTN_CLOSE, 6},
    {MB_INFO, "@skardy/sprite/WgtInfoQEL", "Show Skarden information", ART_BTN_INFO, 7},
};
constexpr int kInfoButtonIndex = 7;

struct TabTooltip {
    const char* tabName;
    const char* tooltip;
};

constexpr TabTooltip kTabTooltips[] = {
    {"Images", "Manage image resources"},
    {"Cursors", "Manage cursor resources"},
    {"Tiles", "Manage tile resources"},
    {"Sprites", "Manage sprite resources"},
    {"Fonts", "Manage font resources"},
    {"GUI", "Manage GUI panels and widgets"},
    {"Effects", "Manage effect resources"},
    {"Audio", "Manage audio tracks"},
    {"Videos", "Manage video resources"},
    {"Scenes", "Manage scenes, TMX and TSX resources"},
    {"XML", "Manage XML resources"},
    {"Files", "Manage generic file resources"},
    {"Undelete", "Recover deleted QEL blocks"},
};

// Contact and credits shown by the information panel, one label each.
constexpr const char* kInfoLines[4] = {
    kSkardenNameVersion,
    "Editor of Zelkoran QEL resource archives",
    "The change log lists what each version brings",
    "Built by the Skarden developers",
};

int panelFailure(const char* logLine)
{
    editorLog().msg(LOG_CRITICAL, "%s", logLine);
    return -1;
}

const char* tabTooltip(const char* tabName)
{
    for (const TabTooltip& t : kTabTooltips)
        if (std::strcmp(t.tabName, tabName) == 0)
            return t.tooltip;
    return nullptr;
}

// The look and place shared by the key, block table, information and tools panels.
void frameDialog(Panel* panel, int font, int width, int height, bool draggable)
{
    Widget* base = panel->baseWidget();
    base->setBorderCorner(4);
    base->setFont(font, WS_ALL);
    base->setSize(width, height);
    base->setBackgroundColor(225, 225, 225, WS_ALL);
    base->setBorderColor(173, 173, 173, 255, WS_ALL);
    base->setPosition(centred(0), centred(0));
    if (draggable)
        base->setFeatures(WF_DRAG, true);
}

} // namespace

int ResourceManager::loadMenuPanel()
{
    if (iMenuPanel > 0)
        return 0;
    int id = 0;
    Panel* panel = ui::addPanel("Menu", id);
    if (!panel) {
        editorLog().msg(LOG_CRITICAL, " [ResourceManager] Critical: could not create the Menu Panel (%d).\n", 1);
        return -1;
    }
    iMenuPanel = id;
    Widget* base = panel->baseWidget();
    base->setSize(3880, 40);
    base->setBackgroundColor(225, 225, 225, WS_ALL);
    base->setBorderColor(173, 173, 173, 255, WS_ALL);
    base->setPosition(left(0), top(0));
    for (int i = 0; i < kMenuButtonCount; ++i)
        if (addMenuButton(i) != 0)
            return -1;
    return addMenuLogo();
}

int ResourceManager::addMenuButton(int index)
{
    const MenuButtonRow& row = kMenuButtons[index];
    Panel* panel = Main::instance()->guiMgr()->getPanel(iMenuPanel);
    SpriteMgr* sprites = Main::instance()->spriteMgr();
    int sprite = sprites->loadFromBuffer(art[row.image].data, art[row.image].size, row.spriteName, 28, 28);
    if (sprite > 0 && index == kInfoButtonIndex) {
        iSprites[SP_INFO_QEL] = sprite;
        sprite = sprites->child(sprite);
    }
    if (sprite <= 0) {
        editorLog().msg(LOG_CRITICAL, " [ResourceManager] Critical: could not create the Menu Panel (%d).\n",
                        row.logNumber);
        return -1;
    }
    if (!ui::addSpriteButton(*panel, {.name = row.spriteName, .id = row.id, .x = Position(fNextX),
                                      .y = Position(fNextY), .tooltip = row.tooltip}, sprite))
        return 0;
    if (row.id != MB_LOCK)
        fNextX += kMenuButtonStep;
    return 0;
}

// The logo stays with its widget for the rest of the run.
int ResourceManager::addMenuLogo()
{
    Panel* panel = Main::instance()->guiMgr()->getPanel(iMenuPanel);
    WidgetImage* logo = panel->createImage("Logo", MI_LOGO);
    if (!logo)
        return 0;
    const int image = Main::instance()->imageMgr()->loadFromBuffer(art[ART_LOGO].data, art[ART_LOGO].size,
                                                                  "@skardy/image/EditorLogo");
    if (image <= 0) {
        editorLog().msg(LOG_CRITICAL, " [ResourceManager] Critical: could not create the Menu Panel (%d).\n", 8);
        return -1;
    }
    logo->setBackgroundImage(image, WS_NORMAL);
    logo->setPosition(right(-2), Position(2));
    return 0;
}

int ResourceManager::loadSecurePanel()
{
    if (iSecurePanel > 0)
        return 0;
    Panel* panel = ui::addPanel("Lock-Unlock", iSecurePanel);
    if (!panel)
        return panelFailure(" [ResourceManager] Critical: could not create the Secure Panel.\n");
    frameDialog(panel, iFont, 430, 170, false);
    ui::addButton(*panel, {.name = "OKLock", .id = KP_CONFIRM,
                           .x = centred(-115), .y = bottom(-10), .w = 100, .h = 21, .text = "Set key"});
    ui::addButton(*panel, {.name = "IndexLock", .id = KP_INDEX,
                           .x = centred(0), .y = bottom(-10), .w = 120, .h = 21, .text = "Encrypt index"});
    ui::addButton(*panel, {.name = "CancelLock", .id = KP_CANCEL,
                           .x = centred(115), .y = bottom(-10), .w = 100, .h = 21, .text = "Cancel"});
    if (WidgetTextEdit* edit = ui::addTextEdit(*panel, {.name = "TextLock", .id = KP_KEY, .x = centred(0),
                                                        .y = centred(0), .w = 200, .h = 21}))
        edit->setText("");
    panel->setDialogButtons(KP_CONFIRM, KP_CANCEL);
    panel->setPanelType(1, 0);
    return 0;
}

int ResourceManager::loadToolsPanel()
{
    if (iToolsPanel > 0)
        return 0;
    Panel* panel = ui::addPanel("Tools", iToolsPanel);
    if (!panel)
        return panelFailure(" [ResourceManager] Critical: could not create the Tools Panel.\n");
    frameDialog(panel, iFont, 330, 270, true);
    ui::addLabel(*panel, {.name = "VersionTools", .id = TW_VERSION,
                          .x = Position(40), .y = top(40), .text = "", .font = iFont});
    ui::addLabel(*panel, {.name = "DateCTools", .id = TW_CREATED, .x = Position(40), .y = top(60), .text = "", .font = iFont});
    ui::addLabel(*panel, {.name = "DateMTools", .id = TW_MODIFIED, .x = Position(40), .y = top(80), .text = "", .font = iFont});
    ui::addLabel(*panel, {.name = "SecureTools", .id = TW_ENCRYPTION,
                          .x = Position(40), .y = top(100), .text = "", .font = iFont});
    ui::addLabel(*panel, {.name = "SizeTools", .id = TW_FILE_SIZE, .x = Position(40), .y = top(120), .text = "", .font = iFont});
    ui::addLabel(*panel, {.name = "ResizeTools", .id = TW_USED_DELETED,
                          .x = Position(40), .y = top(140), .text = nullptr, .font = iFont});
    ui::addLabel(*panel, {.name = "FragTools", .id = TW_FRAGMENTATION, .x = Position(40), .y = top(160), .text = "", .font = iFont});
    ui::addLabel(*panel, {.name = "ReadableTools", .id = TW_READABLE,
                          .x = Position(40), .y = top(180), .text = "", .font = iFont});
    if (WidgetNumberEdit* edit = panel->createNumberEdit("MaxBlocksTools", TW_MAX_BLOCKS)) {
        edit->setFont(iFont, WS_ALL);
        edit->setSize(55, 21);
        edit->setPosition(centred(90), top(135));
        edit->setRange(0, 8192);
        edit->setValue(0);
    }
    ui::addButton(*panel, {.name = "ShowBlocksTools", .id = TW_SHOW_BLOCKS,
                           .x = centred(0), .y = top(205), .w = 140, .h = 21, .text = "Show all blocks"});
    ui::addButton(*panel, {.name = "DefragTools", .id = TW_DEFRAG, .x = centred(-60), .y = bottom(-10), .text = "Defrag"});
    ui::addButton(*panel, {.name = "OkTools", .id = TW_OK, .x = centred(60), .y = bottom(-10), .text = "Ok"});
    panel->setDialogButtons(TW_OK, TW_OK);
    panel->setPanelType(1, 0);
    return 0;
}

int ResourceManager::loadInfoPanel()
{
    if (iInfoPanel > 0)
        return 0;
    Panel* panel = ui::addPanel("Info", iInfoPanel);
    if (!panel)
        return panelFailure(" [ResourceManager] Critical: could not create the Info Panel.\n");
    frameDialog(panel, iFont, 300, 180, true);
    ui::addLabel(*panel, {.name = "HolletInfo", .id = IP_NAME,
                          .x = centred(0), .y = centred(-40), .text = kInfoLines[0], .font = iFont});
    ui::addLabel(*panel, {.name = "WebInfo", .id = IP_WEB,
                          .x = centred(0), .y = centred(-20), .text = kInfoLines[1], .font = iFont});
    ui::addLabel(*panel, {.name = "EmailInfo", .id = IP_EMAIL,
                          .x = centred(0), .y = centred(0), .text = kInfoLines[2], .font = iFont});
    ui::addLabel(*panel, {.name = "AuthorInfo", .id = IP_AUTHOR,
                          .x = centred(0), .y = centred(20), .text = kInfoLines[3], .font = iFont});
    ui::addButton(*panel, {.name = "ChangeLog", .id = IP_CHANGELOG, .x = centred(-60), .y = bottom(-10), .text = "ChangeLog"});
    ui::addButton(*panel, {.name = "OK", .id = IP_OK, .x = centred(60), .y = bottom(-10), .text = "OK"});
    panel->setDialogButtons(IP_OK, IP_OK);
    panel->setPanelType(1, 0);
    return 0;
}

int ResourceManager::loadBlocksPanel()
{
    if (iBlocksPanel > 0)
        return 0;
    Panel* panel = ui::addPanel("QEL Blocks", iBlocksPanel);
    if (!panel)
        return panelFailure(" [ResourceManager] Critical: could not create the Blocks Panel.\n");
    frameDialog(panel, iFont, 450, 300, true);
    const int courier = Main::instance()->fontMgr()->getBuiltin("CourierNew12Black");
    if (WidgetTextEdit* text = ui::addTextEdit(*panel, {.name = "BlocksText", .id = BT_TABLE, .x = centred(0),
                                                        .y = top(35), .w = 410, .h = 220, .font = courier})) {
        text->setText("");
        text->setMultiline(true);
        text->setReadOnly(true);
    }
    ui::addButton(*panel, {.name = "OK", .id = BT_OK, .x = centred(0), .y = bottom(-10), .text = "OK"});
    panel->setDialogButtons(BT_OK, BT_OK);
    panel->setPanelType(1, 0);
    return 0;
}

int ResourceManager::createTabCheckbox(const char* name, int checkBoxId)
{
    Panel* menu = iMenuPanel > 0 ? Main::instance()->guiMgr()->getPanel(iMenuPanel) : nullptr;
    if (!menu)
        return -1;
    const int sprite = Main::instance()->spriteMgr()->child(iSprites[SP_CHECKBOX]);
    if (sprite <= 0)
        return -1;
    WidgetCheckBox* box = ui::addSpriteCheckBox(*menu, {.name = name, .id = checkBoxId, .x = Position(fNextX),
                                                       .y = Position(fNextY), .font = iFont,
                                                       .tooltip = tabTooltip(name)}, sprite);
    if (!box)
        return -1;
    box->setText(name, centred(2), centred(0));
    fNextX += kTabCheckBoxStep;
    return 0;
}

int ResourceManager::createBasePanel(const char* name)
{
    int id = 0;
    Panel* panel = ui::addPanel(name, id);
    if (!panel)
        return -1;
    Widget* base = panel->baseWidget();
    base->setSize(200, 500);
    base->setBackgroundColor(225, 225, 225, WS_ALL);
    base->setBorderColor(153, 153, 153, 255, WS_ALL);
    base->setPosition(Position(0), Position(40));

    vBasePanels.push_back(id);
    return id;
}
