// The widget list, widget type names, the feature and placement fields of
// a widget, and the size kept apart from an asset's size.
#include "tabs/gui/ctrlGUI.h"

#include "tabs/gui/ctrlGUITables.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Sprite.h>

#include <algorithm>
#include <string>

using namespace Zelkoran;
using namespace CtrlGUIInternal;

const char* CtrlGUI::getWidgetTypeName(eWidgetType type)
{
    for (const AddWidgetType& t : kAddWidgetTypes)
        if (t.type == type)
            return t.name;
    return "Widget";
}

Widget* CtrlGUI::getSelectedWidget() const
{
    Panel* live = livePanel();
    if (!live)
        return nullptr;
    return selectedWidgetId != 0 ? live->getWidgetByID(selectedWidgetId) : live->baseWidget();
}

void CtrlGUI::populateWidgetList()
{
    WidgetList* list = panel->getList(GW_LIST);
    if (!list)
        return;
    list->clearItems();
    widgetListIds.clear();
    if (widgetListScroll <= 0)
        list->setScroll(kListTop, nullptr);
    if (Panel* live = livePanel()) {
        const Widget* base = live->baseWidget();
        list->addItem((string(base->getName()) + " (Panel, " + std::to_string(base->getID() & 0xFFFFFF).c_str() + ")")
                          .c_str());
        widgetListIds.push_back(0);
        live->getWidgetInfoList(widgetInfos);
        for (const Panel::WidgetInfo& info : widgetInfos) {
            list->addItem((info.name + " (" + getWidgetTypeName(info.type) + ", " + std::to_string(info.id).c_str() + ")")
                              .c_str());
            widgetListIds.push_back(info.id);
        }
    }
    if (widgetListIds.empty()) {
        selectedWidgetId = 0;
        if (WidgetSlider* slider = panel->getSlider(GW_LIST_SLIDER)) {
            slider->setRange(0, 0);
            slider->setValue(0);
        }
        widgetListScroll = kListTop;
        return;
    }
    const auto it = std::find(widgetListIds.begin(), widgetListIds.end(), selectedWidgetId);
    if (it != widgetListIds.end()) {
        list->setSelectedIndex(static_cast<int>(it - widgetListIds.begin()) + 1);
    } else {
        list->setSelectedIndex(1);
        selectedWidgetId = 0;
    }
    if (widgetListScroll > 0)
        list->setScroll(widgetListScroll - list->getScroll(), nullptr);
    syncWidgetListSlider();
    widgetListScroll = kListTop;
}

void CtrlGUI::syncWidgetListSlider() const
{
    WidgetList* list = panel->getList(GW_LIST);
    WidgetSlider* slider = panel->getSlider(GW_LIST_SLIDER);
    if (!list || !slider)
        return;
    const int rows = list->getItemCount(), visible = list->getVisibleItems();
    const int max = std::max(rows - visible + 1, 1) - 1;
    // Runs every frame: touching the slider unchanged would keep the screen
    // redrawing for nothing.
    if (slider->getMin() != 0 || slider->getMax() != max)
        slider->setRange(0, max);
    if (slider->getValue() != list->getScroll())
        slider->setValue(list->getScroll());
}

void CtrlGUI::populateWidgetFeatureWidgets(const Widget* widget, const Position* posX, const Position* posY) const
{
    if (!widget)
        return;
    const Position x = posX ? *posX : widget->getPositionX();
    const Position y = posY ? *posY : widget->getPositionY();
    if (WidgetComboBox* c = panel->getComboBox(GW_POSX_MODE))
        c->setSelectedIndex(rowForHelper(x.helper, true));
    if (WidgetComboBox* c = panel->getComboBox(GW_POSY_MODE))
        c->setSelectedIndex(rowForHelper(y.helper, false));
    for (const FeatureBox& f : kFeatureBoxes)
        if (WidgetCheckBox* box = panel->getCheckBox(f.id))
            box->setChecked((widget->getFeatures() & f.bit) != 0);
}

void CtrlGUI::applyWidgetSizeFromEditorOrAsset(Widget& widget, int id, bool remember)
{
    const int ew = widgetInt(GW_WIDTH, 15, 8192, 1), eh = widgetInt(GW_HEIGHT, 15, 8192, 1);
    const auto show = [this](int w, int h) {
        if (WidgetNumberEdit* n = panel->getNumberEdit(GW_WIDTH))
            n->setValue(static_cast<float>(w));
        if (WidgetNumberEdit* n = panel->getNumberEdit(GW_HEIGHT))
            n->setValue(static_cast<float>(h));
    };
    const WidgetCheckBox* fitBox = panel->getCheckBox(GW_FEATURE_BGFIT);
    if (fitBox && fitBox->isChecked()) {
        // The background is scaled to the widget: the editor decides the size.
        const auto kept = editorWidgetSizes.find(id);
        SDL_Point size{ew, eh};
        if (kept != editorWidgetSizes.end() && !remember)
            size = kept->second;
        else
            editorWidgetSizes[id] = size;
        widget.setSize(size.x, size.y);
        show(size.x, size.y);
        return;
    }
    if (remember)
        editorWidgetSizes[id] = SDL_Point{widget.getWidth(), widget.getHeight()};
    const int state = selectedSkinState;
    if (const Image* img = Main::instance()->imageMgr()->get(widget.getBackgroundImage(state));
        img && widget.getBackgroundImage(state) > 0) {
        widget.setSize(img->getWidth(), img->getHeight());
        show(img->getWidth(), img->getHeight());
        return;
    }
    if (const Sprite* sprite = Main::instance()->spriteMgr()->get(widget.getBackgroundSprite(state, nullptr));
        sprite && widget.getBackgroundSprite(state, nullptr) > 0) {
        int w = 0, h = 0;
        sprite->getOffset(&w, &h);
        widget.setSize(w, h);
        show(w, h);
        return;
    }
    editorWidgetSizes[id] = SDL_Point{ew, eh};
    widget.setSize(ew, eh);
}
