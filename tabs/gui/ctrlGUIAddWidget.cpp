// The modal add-widget dialog: a type, a unique name and a free id, then
// the widget is created in the live panel with the engine's defaults.
#include "tabs/gui/ctrlGUI.h"

#include "services/ResourceManager.h"
#include "tabs/gui/ctrlGUITables.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <algorithm>
#include <cctype>
#include <string>

using namespace Zelkoran;
using namespace CtrlGUIInternal;

namespace {

constexpr int kMaxWidgetId = 2047;
constexpr int kTypeGroup = 9101;
enum eAddWidget : int {
    AW_OK = 1,
    AW_CANCEL = 2,
    AW_TYPE_TITLE = 1028,
    AW_NAME_LABEL = 1029,
    AW_NAME = 1030,
    AW_ID_LABEL = 1031,
    AW_ID = 1032,
    AW_FIRST_TYPE = 1040,
    AW_FIRST_DESCRIPTION = 1140,
};
constexpr int kTypeCount = static_cast<int>(sizeof(kAddWidgetTypes) / sizeof(kAddWidgetTypes[0]));

std::string trimmed(const char* text)
{
    std::string s = text ? text : "";
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    s.erase(s.begin(), std::find_if_not(s.begin(), s.end(), blank));
    s.erase(std::find_if_not(s.rbegin(), s.rend(), blank).base(), s.end());
    return s;
}

bool nameTaken(const Panel& edited, const std::string& name)
{
    Vector<Panel::WidgetInfo> infos;
    edited.getWidgetInfoList(infos);
    return std::any_of(infos.begin(), infos.end(), [&](const Panel::WidgetInfo& i) { return i.name == name.c_str(); });
}

int firstFree(Panel& edited)
{
    for (int id = 1; id <= kMaxWidgetId; ++id)
        if (!edited.getWidgetByID(id))
            return id;
    return 0;
}

// One run of the dialog: its fields and the automatic name they follow.
struct AddWidgetRun {
    Panel& edited;
    Panel& dialog;
    int firstFreeId;
    std::string autoName;
    bool autoNameActive = true;

    eWidgetType checkedType(int row = -1) const
    {
        if (row >= 0)
            return kAddWidgetTypes[row < kTypeCount ? row : 0].type;
        for (int i = 0; i < kTypeCount; ++i)
            if (WidgetCheckBox* box = dialog.getCheckBox(AW_FIRST_TYPE + i); box && box->isChecked())
                return kAddWidgetTypes[i].type;
        return WT_BUTTON;
    }
    int idValue() const
    {
        const WidgetNumberEdit* id = dialog.getNumberEdit(AW_ID);
        return id ? static_cast<int>(id->getValue()) : 0;
    }
    void rebuildName(int row = -1)
    {
        WidgetTextEdit* name = dialog.getTextEdit(AW_NAME);
        if (!name || !dialog.getNumberEdit(AW_ID))
            return;
        autoName = std::string(CtrlGUI::getWidgetTypeName(checkedType(row))) + "_" + std::to_string(idValue());
        if (autoNameActive)
            name->setText(autoName.c_str());
    }
    void onName()
    {
        WidgetTextEdit* name = dialog.getTextEdit(AW_NAME);
        if (!name)
            return;
        const std::string text = trimmed(name->getText().c_str());
        if (text.empty() || nameTaken(edited, text)) {
            autoNameActive = true;
            rebuildName();
            return;
        }
        name->setText(text.c_str());
        autoNameActive = text == autoName;
    }
    void onId()
    {
        WidgetNumberEdit* id = dialog.getNumberEdit(AW_ID);
        if (!id)
            return;
        const int v = idValue();
        if (v < 1 || v > kMaxWidgetId || edited.getWidgetByID(v)) {
            const int free = firstFree(edited);
            id->setValue(static_cast<float>(free > 0 ? free : firstFreeId));
        }
        rebuildName();
    }
    void onType(Widget& box)
    {
        const auto* check = static_cast<WidgetCheckBox*>(&box);
        if (!check->isChecked())
            return;
        if (WidgetTextEdit* name = dialog.getTextEdit(AW_NAME); name && trimmed(name->getText().c_str()) != autoName)
            autoNameActive = false;
        const int row = box.getID() - AW_FIRST_TYPE;
        rebuildName(row >= 0 && row < kTypeCount ? row : 0);
    }
};

} // namespace

bool CtrlGUI::showAddWidgetDialog()
{
    static bool bDialogOpen = false;
    static int iDialogID = 0;
    GUIMgr* g = Main::instance()->guiMgr();
    Panel* edited = livePanel();
    if (!edited || bDialogOpen)
        return false;
    bDialogOpen = true;
    const int firstFreeId = firstFree(*edited);
    if (firstFreeId == 0) {
        showBox("Add Widget", "No free widget ID is available.", 1, 2, 0);
        bDialogOpen = false;
        return false;
    }
    const int dialogId = g->create(("AddWidgetDialog" + std::to_string(iDialogID++)).c_str(), 0x42000000);
    if (dialogId <= 0) {
        bDialogOpen = false;
        return false;
    }
    Panel* dialog = g->getPanel(dialogId);
    if (!dialog) {
        g->close(dialogId);
        bDialogOpen = false;
        return false;
    }
    const std::string suffix = "_" + std::to_string(dialogId);
    const int font = resourceManager->get(SR_FONT);
    const Position mid(0, PH_CENTER);
    dialog->attachTo(0);
    dialog->setPanelType(PT_MODAL, 0);
    Widget* base = dialog->baseWidget();
    base->setSize(430, 392);
    base->setBackgroundColor(240, 240, 240, WS_ALL);
    base->setBorderColor(116, 129, 147, 255, WS_ALL);
    base->setPosition(mid, mid);
    base->setFeatures(WF_DRAG, true);
    const auto label = [&](int id, const std::string& name, const char* text, int x, int y) {
        if (WidgetLabel* l = dialog->createLabel((name + suffix).c_str(), id)) {
            l->setFont(font, WS_ALL);
            l->setBackgroundColor(240, 240, 240, WS_ALL);
            l->setText(text, mid, mid);
            l->setPosition(Position(static_cast<float>(x)), Position(static_cast<float>(y)));
        }
    };
    AddWidgetRun run{*edited, *dialog, firstFreeId, "Button_" + std::to_string(firstFreeId)};
    label(AW_TYPE_TITLE, "AddWidgetTypeTitle", "Type:", 24, 28);
    for (int i = 0; i < kTypeCount; ++i) {
        const AddWidgetType& t = kAddWidgetTypes[i];
        if (WidgetCheckBox* box = dialog->createCheckBox(("AddWidgetType" + std::string(t.name) + suffix).c_str(),
                                                         AW_FIRST_TYPE + i)) {
            box->setFont(font, WS_ALL);
            box->setText(t.name, mid, mid);
            box->setSize(94, 19);
            box->setPosition(Position(24), Position(static_cast<float>(50 + 22 * i)));
            box->setTooltip(t.description);
            box->setGroup(kTypeGroup);
            box->setChecked(i == 0);
        }
        label(AW_FIRST_DESCRIPTION + i, "AddWidgetDescription" + std::string(t.name), t.description, 130, 53 + 22 * i);
    }
    label(AW_NAME_LABEL, "AddWidgetNameLabel", "Name:", 24, 306);
    if (WidgetTextEdit* name = dialog->createTextEdit(("AddWidgetName" + suffix).c_str(), AW_NAME)) {
        name->setFont(font, WS_ALL);
        name->setSize(148, 19);
        name->setPosition(Position(68), Position(303));
        name->setText(run.autoName.c_str());
        name->setTooltip("New widget name");
        name->setFeatures(WF_FOCUS_LOST, true);
    }
    label(AW_ID_LABEL, "AddWidgetIDLabel", "ID:", 230, 306);
    if (WidgetNumberEdit* id = dialog->createNumberEdit(("AddWidgetID" + suffix).c_str(), AW_ID)) {
        id->setFont(font, WS_ALL);
        id->setSize(58, 19);
        id->setPosition(Position(254), Position(303));
        id->setRange(1.0f, static_cast<float>(kMaxWidgetId));
        id->allowFloat(false);
        id->setValue(static_cast<float>(firstFreeId));
        id->setTooltip("New widget ID");
        id->setFeatures(WF_FOCUS_LOST, true);
    }
    if (Widget* name = dialog->getWidgetByID(AW_NAME)) {
        name->setOnValueCommitted([&run](Widget&) { run.onName(); });
        name->setOnFocusLost([&run](Widget&) { run.onName(); });
    }
    if (Widget* id = dialog->getWidgetByID(AW_ID)) {
        id->setOnValueCommitted([&run](Widget&) { run.onId(); });
        id->setOnFocusLost([&run](Widget&) { run.onId(); });
    }
    for (int i = 0; i < kTypeCount; ++i)
        if (Widget* box = dialog->getWidgetByID(AW_FIRST_TYPE + i))
            box->setOnToggled([&run](Widget& w) { run.onType(w); });
    const struct {
        int id;
        const char* name;
        const char* text;
        int w, right, key;
    } buttons[] = {{AW_OK, "Ok", "OK", 54, 15, 'o'}, {AW_CANCEL, "Cancel", "Cancel", 60, 78, 'c'}};
    for (const auto& b : buttons)
        if (WidgetButton* button = dialog->createButton((b.name + suffix).c_str(), b.id)) {
            button->setText(b.text, mid, mid);
            button->setSize(b.w, 21);
            button->setPosition(Position(static_cast<float>(-b.right), PH_RIGHT), Position(-15, PH_BOTTOM));
            button->setKey(b.key);
        }
    bool added = false;
    if (Main::instance()->tool()->messageBox("Add widget", "", 0, 0, 0, dialogId, 0) == AW_OK) {
        run.onId();
        run.onName();
        const WidgetTextEdit* nameField = dialog->getTextEdit(AW_NAME);
        if (nameField && dialog->getNumberEdit(AW_ID)) {
            const std::string name = trimmed(nameField->getText().c_str());
            const int id = run.idValue();
            if (name.empty() || nameTaken(*edited, name) || id < 1 || id > kMaxWidgetId || edited->getWidgetByID(id)) {
                showBox("Add Widget", "Invalid widget name or ID.", 1, 2, 0);
            } else if (edited->createWidgetByType(name.c_str(), run.checkedType(), id)) {
                added = true;
                populateWidgetList();
                const auto at = std::find(widgetListIds.begin(), widgetListIds.end(), id);
                if (at != widgetListIds.end()) {
                    if (WidgetList* list = panel->getList(GW_LIST))
                        list->setSelectedIndex(static_cast<int>(at - widgetListIds.begin()) + 1);
                    selectedWidgetId = id;
                    resetSkinModes();
                    updateData();
                }
            }
        }
    }
    g->close(dialogId);
    bDialogOpen = false;
    return added;
}
