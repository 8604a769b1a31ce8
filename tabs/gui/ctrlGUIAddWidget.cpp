// The modal add-widget dialog: a type, a unique name and a free id, then
// the widget is created in the live panel with the engine's defaults.
#include "tabs/gui/ctrlGUIAddWidget.h"

#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"
#include "tabs/base/TabServices.h"
#include "tabs/gui/ctrlGUIFields.h"
#include "tabs/gui/ctrlGUIIds.h"
#include "tabs/gui/ctrlGUITables.h"
#include "tabs/gui/ctrlGUIWidgets.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

using namespace Zelkoran;
using namespace CtrlGUIInternal;

namespace {

constexpr int kMaxWidgetId = 2047;
constexpr int kTypeGroup = 9101;
constexpr int kTypeCount = static_cast<int>(sizeof(kAddWidgetTypes) / sizeof(kAddWidgetTypes[0]));

std::string trimmed(const char* text)
{
    std::string s = text ? text : "";
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    s.erase(s.begin(), std::find_if_not(s.begin(), s.end(), blank));
    s.erase(std::find_if_not(s.rbegin(), s.rend(), blank).base(), s.end());
    return s;
}

// The panel stores a widget under its full name, "panel.widget": a longer
// one would keep the panel from being saved.
bool nameTooLong(const Panel& edited, const std::string& name)
{
    return std::strlen(edited.getName()) + 1 + name.size() > GUIMgr::kMaxWidgetPath;
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
    // The id the dialog put into the field, and the id in use the user
    // typed before it (0: none), told once the widget is added.
    int offeredId = firstFreeId;
    int takenId = 0;

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
        autoName = std::string(GUIWidgetList::getWidgetTypeName(checkedType(row))) + "_" + std::to_string(idValue());
        if (autoNameActive)
            name->setText(autoName.c_str());
    }
    void onName()
    {
        WidgetTextEdit* name = dialog.getTextEdit(AW_NAME);
        if (!name)
            return;
        const std::string text = trimmed(name->getText().c_str());
        if (text.empty() || nameTaken(edited, text) || nameTooLong(edited, text)) {
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
            offeredId = free > 0 ? free : firstFreeId;
            if (v >= 1 && v <= kMaxWidgetId)
                takenId = v;
            id->setValue(static_cast<float>(offeredId));
        } else if (v != offeredId) {
            takenId = 0;
        }
        // The field changed under the user's hands: say why at once.
        if (WidgetLabel* note = dialog.getLabel(AW_ID_NOTE))
            note->setText(takenId != 0 && idValue() == offeredId
                              ? ("ID " + std::to_string(takenId) + " is in use: " + std::to_string(offeredId) +
                                 " is offered.")
                                    .c_str()
                              : "");
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

GUIAddWidgetDialog::GUIAddWidgetDialog(const TabServices& tabServices)
    : services(tabServices), font(tabServices.resources().get(SR_FONT))
{
}

int GUIAddWidgetDialog::run(Panel& edited)
{
    static int iDialogID = 0;
    GUIMgr* g = Main::instance()->guiMgr();
    if (open)
        return 0;
    const int firstFreeId = firstFree(edited);
    if (firstFreeId == 0) {
        services.messageBox("Add Widget", "No free widget ID is available.", 1, 2, 0);
        return 0;
    }
    const int dialogId = g->create(("AddWidgetDialog" + std::to_string(iDialogID++)).c_str(), 0x42000000);
    if (dialogId <= 0)
        return 0;
    Panel* dialog = g->getPanel(dialogId);
    if (!dialog) {
        g->close(dialogId);
        return 0;
    }
    open = true;
    const std::string suffix = "_" + std::to_string(dialogId);
    dialog->attachTo(0);
    dialog->setPanelType(PT_MODAL, 0);
    Widget* base = dialog->baseWidget();
    base->setSize(430, 392);
    base->setBackgroundColor(240, 240, 240, WS_ALL);
    base->setBorderColor(116, 129, 147, 255, WS_ALL);
    base->setPosition(ui::centred(), ui::centred());
    base->setFeatures(WF_DRAG, true);
    const auto label = [&](int id, const std::string& name, const char* text, int x, int y) {
        const std::string unique = name + suffix;
        ui::addLabel(*dialog,
                     {.name = unique.c_str(), .id = id, .x = Position(static_cast<float>(x)),
                      .y = Position(static_cast<float>(y)), .text = text, .font = font},
                     ui::kDialogGrey);
    };
    AddWidgetRun run{edited, *dialog, firstFreeId, "Button_" + std::to_string(firstFreeId)};
    label(AW_TYPE_TITLE, "AddWidgetTypeTitle", "Type:", 24, 28);
    for (int i = 0; i < kTypeCount; ++i) {
        const AddWidgetType& t = kAddWidgetTypes[i];
        const std::string name = "AddWidgetType" + std::string(t.name) + suffix;
        if (WidgetCheckBox* box = ui::addCheckBox(*dialog, {.name = name.c_str(), .id = AW_FIRST_TYPE + i,
                                                            .x = Position(24),
                                                            .y = Position(static_cast<float>(50 + 22 * i)),
                                                            .w = 94, .h = 19, .text = t.name, .font = font,
                                                            .tooltip = t.description})) {
            box->setGroup(kTypeGroup);
            box->setChecked(i == 0);
        }
        label(AW_FIRST_DESCRIPTION + i, "AddWidgetDescription" + std::string(t.name), t.description, 130, 53 + 22 * i);
    }
    label(AW_NAME_LABEL, "AddWidgetNameLabel", "Name:", 24, 306);
    const std::string nameName = "AddWidgetName" + suffix;
    if (WidgetTextEdit* name = ui::addTextEdit(*dialog, {.name = nameName.c_str(), .id = AW_NAME, .x = Position(68),
                                                         .y = Position(303), .w = 148, .h = 19, .font = font,
                                                         .tooltip = "New widget name"})) {
        name->setText(run.autoName.c_str());
        name->setFeatures(WF_FOCUS_LOST, true);
    }
    label(AW_ID_LABEL, "AddWidgetIDLabel", "ID:", 230, 306);
    const std::string idName = "AddWidgetID" + suffix;
    if (WidgetNumberEdit* id = ui::addNumberEdit(*dialog,
                                                 {.name = idName.c_str(), .id = AW_ID, .x = Position(254),
                                                  .y = Position(303), .w = 58, .h = 19, .font = font,
                                                  .tooltip = "New widget ID"},
                                                 1.0f, static_cast<float>(kMaxWidgetId),
                                                 static_cast<float>(firstFreeId)))
        id->allowFloat(false);
    label(AW_ID_NOTE, "AddWidgetIDNote", "", 24, 328);
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
    for (const auto& b : buttons) {
        const std::string name = b.name + suffix;
        if (WidgetButton* button = ui::addButton(*dialog, {.name = name.c_str(), .id = b.id,
                                                           .x = ui::right(static_cast<float>(-b.right)),
                                                           .y = ui::bottom(-15), .w = b.w, .h = 21, .text = b.text}))
            button->setKey(b.key);
    }
    dialog->setDialogButtons(AW_OK, AW_CANCEL);
    int added = 0;
    if (Main::instance()->tool()->messageBox("Add widget", "", 0, 0, 0, dialogId, 0) == AW_OK) {
        run.onId();
        run.onName();
        const WidgetTextEdit* nameField = dialog->getTextEdit(AW_NAME);
        if (nameField && dialog->getNumberEdit(AW_ID)) {
            const std::string name = trimmed(nameField->getText().c_str());
            const int id = run.idValue();
            if (name.empty() || nameTaken(edited, name) || id < 1 || id > kMaxWidgetId || edited.getWidgetByID(id))
                services.messageBox("Add Widget", "Invalid widget name or ID.", 1, 2, 0);
            else if (edited.createWidgetByType(name.c_str(), run.checkedType(), id))
                added = id;
            if (added && run.takenId != 0) {
                const std::string text = "Widget ID " + std::to_string(run.takenId)
                                       + " is already in use: the widget was added with ID " + std::to_string(id) + ".";
                services.messageBox("Add Widget", text.c_str(), 1, 3, 0);
            }
        }
    }
    g->close(dialogId);
    open = false;
    return added;
}
