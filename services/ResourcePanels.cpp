// The fixed panels of the editor and the per-tab check boxes and base panels.
#include "services/EditorLog.h"
#include "services/ResourceManager.h"
#include "services/Version.h"

#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Sprite.h>

#include <cstring>

using namespace Zelkoran;

namespace {

constexpr uint32_t kPanelCreateFlags = 0x42000000;
constexpr int kMenuButtonCount = 8;
constexpr int kMenuButtonStep = 40;
constexpr int kTabCheckBoxStep = 80;
constexpr int kMenuLockId = 203;
constexpr int kMenuLogoId = 208;

Position centre(float offset) { return Position(offset, PH_CENTER); }
Position top(float offset) { return Position(offset, PH_TOP); }
Position bottom(float offset) { return Position(offset, PH_BOTTOM); }
Position left(float offset) { return Position(offset, PH_LEFT); }
Position right(float offset) { return Position(offset, PH_RIGHT); }

struct MenuButtonRow {
    int id;
    const char* spriteName;
    const char* tooltip;
    eArtImage image;
    int logNumber; // in the failure line of the menu panel
};

constexpr MenuButtonRow kMenuButtons[kMenuButtonCount] = {
    {200, "@skardy/sprite/WgtNewQEL", "Create a new QEL container", ART_BTN_NEW, 1},
    {201, "@skardy/sprite/WgtLoadQEL", "Open an existing QEL container", ART_BTN_LOAD, 2},
    {202, "@skardy/sprite/WgtImportXML", "Import resources from a VUQ XML file", ART_BTN_IMPORT_XML, 2},
    {203, "@skardy/sprite/WgtLockQEL", "Encryption and password", ART_BTN_LOCK, 3},
    {204, "@skardy/sprite/WgtUnlockQEL", "Encryption and password", ART_BTN_UNLOCK, 4},
    {205, "@skardy/sprite/WgtToolsQEL", "Show QEL info and options", ART_BTN_TOOLS, 5},
    {206, "@skardy/sprite/WgtCloseQEL", "Close the current QEL", ART_BTN_CLOSE, 6},
    {207, "@skardy/sprite/WgtInfoQEL", "Show Skarden information", ART_BTN_INFO, 7},
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

// A panel from the GUI manager, or null (a panel that was made but cannot
// be reached is closed again).
Panel* createPanel(const char* name, int& id)
{
    GUIMgr* gui = Main::instance()->guiMgr();
    id = gui->create(name, kPanelCreateFlags);
    if (id <= 0)
        return nullptr;
    Panel* panel = gui->getPanel(id);
    if (!panel) {
        gui->close(id);
        id = 0;
    }
    return panel;
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
    base->setPosition(centre(0), centre(0));
    if (draggable)
        base->setFeatures(WF_DRAG, true);
}

void addDialogLabel(Panel* panel, int id, const char* name, Position x, Position y, int font, const char* text)
{
    WidgetLabel* label = panel->createLabel(name, id);
    if (!label)
        return;
    label->setFont(font, WS_ALL);
    label->setBackgroundColor(225, 225, 225, WS_ALL);
    label->setPosition(x, y);
    if (text)
        label->setText(text, centre(0), centre(0));
}

// width 0: the button's default size.
void addDialogButton(Panel* panel, int id, const char* name, int width, int height, Position x, Position y,
                     const char* text)
{
    WidgetButton* button = panel->createButton(name, id);
    if (!button)
        return;
    if (width > 0)
        button->setSize(width, height);
    button->setPosition(x, y);
    button->setText(text, centre(0), centre(0));
}

} // namespace

int ResourceManager::loadMenuPanel()
{
    if (iMenuPanel > 0)
        return 0;
    int id = 0;
    Panel* panel = createPanel("Menu", id);
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
    WidgetButton* button = panel->createButton(row.spriteName, row.id);
    if (!button)
        return 0;
    button->setText("", centre(0), centre(0));
    button->setTooltip(row.tooltip);
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
    button->setBackgroundSprite(sprite, WS_ALL, 0);
    button->setPosition(Position(fNextX), Position(fNextY));
    if (row.id != kMenuLockId)
        fNextX += kMenuButtonStep;
    return 0;
}

// The logo stays with its widget for the rest of the run.
int ResourceManager::addMenuLogo()
{
    Panel* panel = Main::instance()->guiMgr()->getPanel(iMenuPanel);
    WidgetImage* logo = panel->createImage("Logo", kMenuLogoId);
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
    Panel* panel = createPanel("Lock-Unlock", iSecurePanel);
    if (!panel)
        return panelFailure(" [ResourceManager] Critical: could not create the Secure Panel.\n");
    frameDialog(panel, iFont, 430, 170, false);
    addDialogButton(panel, 100, "OKLock", 100, 21, centre(-115), bottom(-10), "Set key");
    addDialogButton(panel, 114, "IndexLock", 120, 21, centre(0), bottom(-10), "Encrypt index");
    addDialogButton(panel, 101, "CancelLock", 100, 21, centre(115), bottom(-10), "Cancel");
    if (WidgetTextEdit* edit = panel->createTextEdit("TextLock", 112)) {
        edit->setSize(200, 21);
        edit->setPosition(centre(0), centre(0));
        edit->setText("");
    }
    panel->setPanelType(1, 0);
    return 0;
}

int ResourceManager::loadToolsPanel()
{
    if (iToolsPanel > 0)
        return 0;
    Panel* panel = createPanel("Tools", iToolsPanel);
    if (!panel)
        return panelFailure(" [ResourceManager] Critical: could not create the Tools Panel.\n");
    frameDialog(panel, iFont, 330, 250, true);
    addDialogLabel(panel, 300, "VersionTools", Position(40), top(40), iFont, "");
    addDialogLabel(panel, 301, "DateCTools", Position(40), top(60), iFont, "");
    addDialogLabel(panel, 302, "DateMTools", Position(40), top(80), iFont, "");
    addDialogLabel(panel, 303, "SecureTools", Position(40), top(100), iFont, "");
    addDialogLabel(panel, 304, "SizeTools", Position(40), top(120), iFont, "");
    addDialogLabel(panel, 306, "ResizeTools", Position(40), top(140), iFont, nullptr);
    addDialogLabel(panel, 305, "FragTools", Position(40), top(160), iFont, "");
    if (WidgetNumberEdit* edit = panel->createNumberEdit("MaxBlocksTools", 113)) {
        edit->setFont(iFont, WS_ALL);
        edit->setSize(55, 21);
        edit->setPosition(centre(90), top(135));
        edit->setRange(0, 8192);
        edit->setValue(0);
    }
    addDialogButton(panel, 4, "ShowBlocksTools", 140, 21, centre(0), top(185), "Show all blocks");
    addDialogButton(panel, 8, "DefragTools", 0, 0, centre(-60), bottom(-10), "Defrag");
    addDialogButton(panel, 1, "OkTools", 0, 0, centre(60), bottom(-10), "Ok");
    panel->setPanelType(1, 0);
    return 0;
}

int ResourceManager::loadInfoPanel()
{
    if (iInfoPanel > 0)
        return 0;
    Panel* panel = createPanel("Info", iInfoPanel);
    if (!panel)
        return panelFailure(" [ResourceManager] Critical: could not create the Info Panel.\n");
    frameDialog(panel, iFont, 300, 180, true);
    addDialogLabel(panel, 310, "HolletInfo", centre(0), centre(-40), iFont, kInfoLines[0]);
    addDialogLabel(panel, 311, "WebInfo", centre(0), centre(-20), iFont, kInfoLines[1]);
    addDialogLabel(panel, 312, "EmailInfo", centre(0), centre(0), iFont, kInfoLines[2]);
    addDialogLabel(panel, 313, "AuthorInfo", centre(0), centre(20), iFont, kInfoLines[3]);
    addDialogButton(panel, 4, "ChangeLog", 0, 0, centre(-60), bottom(-10), "ChangeLog");
    addDialogButton(panel, 1, "OK", 0, 0, centre(60), bottom(-10), "OK");
    panel->setPanelType(1, 0);
    return 0;
}

int ResourceManager::loadBlocksPanel()
{
    if (iBlocksPanel > 0)
        return 0;
    Panel* panel = createPanel("QEL Blocks", iBlocksPanel);
    if (!panel)
        return panelFailure(" [ResourceManager] Critical: could not create the Blocks Panel.\n");
    frameDialog(panel, iFont, 450, 300, true);
    if (WidgetTextEdit* text = panel->createTextEdit("BlocksText", 112)) {
        text->setSize(410, 220);
        text->setPosition(centre(0), top(35));
        text->setText("");
        text->setFont(Main::instance()->fontMgr()->getBuiltin("CourierNew12Black"), WS_ALL);
        text->setMultiline(true);
        text->setReadOnly(true);
    }
    addDialogButton(panel, 1, "OK", 0, 0, centre(0), bottom(-10), "OK");
    panel->setPanelType(1, 0);
    return 0;
}

int ResourceManager::createTabCheckbox(const char* name, int checkBoxId)
{
    Panel* menu = iMenuPanel > 0 ? Main::instance()->guiMgr()->getPanel(iMenuPanel) : nullptr;
    if (!menu)
        return -1;
    WidgetCheckBox* box = menu->createCheckBox(name, checkBoxId);
    if (!box)
        return -1;
    const int sprite = Main::instance()->spriteMgr()->child(iSprites[SP_CHECKBOX]);
    if (sprite <= 0)
        return -1;
    box->setFont(iFont, WS_ALL);
    box->setBackgroundSprite(sprite, WS_ALL, 0);
    box->setPosition(Position(fNextX), Position(fNextY));
    box->setText(name, centre(2), centre(0));
    if (const char* tooltip = tabTooltip(name))
        box->setTooltip(tooltip);
    fNextX += kTabCheckBoxStep;
    return 0;
}

int ResourceManager::createBasePanel(const char* name)
{
    GUIMgr* gui = Main::instance()->guiMgr();
    const int id = gui->create(name, kPanelCreateFlags);
    if (id <= 0)
        return id;
    Panel* panel = gui->getPanel(id);
    if (!panel) {
        gui->close(id);
        return -1;
    }
    Widget* base = panel->baseWidget();
    base->setSize(200, 500);
    base->setBackgroundColor(225, 225, 225, WS_ALL);
    base->setBorderColor(153, 153, 153, 255, WS_ALL);
    base->setPosition(Position(0), Position(40));

    if (WidgetLabel* title = panel->createLabel("TitleCtrl", 110)) {
        title->setPosition(centre(0), top(5));
        title->setFont(iFont, WS_ALL);
        title->setBackgroundColor(225, 225, 225, WS_ALL);
        title->setText(name, centre(0), centre(0));
    }
    if (WidgetList* list = panel->createList("List", 105)) {
        list->setSize(164, 150);
        list->setPosition(left(10), top(20));
        list->setFont(iFont, WS_ALL);
        list->clearItems();
        list->setTooltip("List of QEL blocks of the current resource type");
        list->setBackgroundColor(200, 200, 195, WS_HOVERED);
        list->setBackgroundColor(200, 200, 195, WS_PRESSED);
        list->setAutoSort(true);
        list->setFeatures(WF_HOVER, true);
    }
    if (WidgetSlider* slider = panel->createSlider("SliderV", 106, 1)) {
        slider->setSize(15, 150);
        slider->setPosition(right(-10), top(20));
        slider->setTooltip("Scroll the block list");
        slider->setRange(0, 0);
        slider->setMargin(15, 0, 15, 0);
    }
    auto addItemButton = [&](int buttonId, const char* buttonName, Position x, int sprite, const char* tooltip) {
        WidgetButton* button = panel->createButton(buttonName, buttonId);
        if (!button)
            return;
        button->setPosition(x, top(175));
        button->setText("", centre(0), centre(0));
        button->setBackgroundSprite(getClone(sprite), WS_ALL, 0);
        button->setTooltip(tooltip);
    };
    addItemButton(107, "NewItem", left(35), SS_NEW_ITEM, "Create a new resource");
    addItemButton(108, "SaveItem", centre(0), SS_SAVE_ITEM, "Save the current resource");
    if (WidgetFrame* frame = panel->createFrame("SaveDirtyFrame", 115)) {
        frame->setSize(34, 34);
        frame->setPosition(centre(0), top(172));
        frame->setFilled(false);
        frame->setBackgroundColor(255, 170, 32, WS_ALL);
        frame->setBorderColor(255, 170, 32, 0, WS_ALL);
        frame->setBorderWidth(1, WS_ALL);
        frame->setFeatures(WF_EVENTS, false);
        frame->hide();
    }
    addItemButton(109, "DeleteItem", right(-35), SS_DELETE_ITEM, "Delete the selected resource");
    if (WidgetLabel* label = panel->createLabel("NameItem", 111)) {
        label->setPosition(left(10), top(213));
        label->setFont(iFont, WS_ALL);
        label->setBackgroundColor(225, 225, 225, WS_ALL);
        label->setText("Name:", centre(0), centre(0));
    }
    if (WidgetTextEdit* edit = panel->createTextEdit("NameItemBox", 112)) {
        edit->setSize(140, 19);
        edit->setPosition(left(50), top(210));
        edit->setFont(iFont, WS_ALL);
        edit->setText("");
        edit->setTooltip("Name of the current resource");
        edit->setFeatures(WF_FOCUS_LOST, true);
    }
    vBasePanels.push_back(id);
    return id;
}
