#include "services/WidgetBuilders.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Sprite.h>

using namespace Zelkoran;

namespace ui {

Panel* addPanel(const char* name, int& id)
{
    GUIMgr* gui = Main::instance()->guiMgr();
    id = gui->create(name, 0x42000000u);
    Panel* panel = id > 0 ? gui->getPanel(id) : nullptr;
    if (!panel) {
        if (id > 0)
            gui->close(id);
        id = 0;
    }
    return panel;
}

namespace {

template <class W> W* place(W* w, const WidgetSpec& s)
{
    if (!w)
        return nullptr;
    if (s.font > 0)
        w->setFont(s.font, WS_ALL);
    if (s.w > 0 && s.h > 0)
        w->setSize(s.w, s.h);
    w->setPosition(s.x, s.y);
    if (s.tooltip)
        w->setTooltip(s.tooltip);
    return w;
}

template <class W> W* captioned(W* w, const WidgetSpec& s)
{
    if (place(w, s) && s.text)
        w->setText(s.text, centred(), centred());
    return w;
}

template <class W> W* spriteBacked(W* w, const WidgetSpec& s, int sprite)
{
    if (!place(w, s)) {
        if (sprite > 0)
            Main::instance()->spriteMgr()->close(sprite);
        return nullptr;
    }
    w->setText(s.text ? s.text : "", centred(), centred());
    w->setBackgroundSprite(sprite, WS_ALL, 0);
    return w;
}

} // namespace

WidgetLabel* addLabel(Panel& panel, const WidgetSpec& spec, uint8_t grey)
{
    WidgetLabel* l = captioned(panel.createLabel(spec.name, spec.id), spec);
    if (l)
        l->setBackgroundColor(grey, grey, grey, WS_ALL);
    return l;
}

WidgetButton* addButton(Panel& panel, const WidgetSpec& spec)
{
    return captioned(panel.createButton(spec.name, spec.id), spec);
}

WidgetCheckBox* addCheckBox(Panel& panel, const WidgetSpec& spec)
{
    return captioned(panel.createCheckBox(spec.name, spec.id), spec);
}

WidgetComboBox* addComboBox(Panel& panel, const WidgetSpec& spec)
{
    return place(panel.createComboBox(spec.name, spec.id), spec);
}

WidgetTextEdit* addTextEdit(Panel& panel, const WidgetSpec& spec)
{
    return place(panel.createTextEdit(spec.name, spec.id), spec);
}

WidgetList* addList(Panel& panel, const WidgetSpec& spec)
{
    return place(panel.createList(spec.name, spec.id), spec);
}

WidgetNumberEdit* addNumberEdit(Panel& panel, const WidgetSpec& spec, float min, float max, float value)
{
    WidgetNumberEdit* n = place(panel.createNumberEdit(spec.name, spec.id), spec);
    if (n) {
        n->setRange(min, max);
        n->setValue(value);
        n->setFeatures(WF_FOCUS_LOST, true);
    }
    return n;
}

WidgetFrame* addOutline(Panel& panel, const WidgetSpec& spec)
{
    WidgetFrame* f = place(panel.createFrame(spec.name, spec.id), spec);
    if (f) {
        f->setFilled(false);
        f->setBorderColor(110, 110, 110, 255, WS_ALL);
        f->setBorderWidth(1, WS_ALL);
    }
    return f;
}

WidgetButton* addSpriteButton(Panel& panel, const WidgetSpec& spec, int sprite)
{
    return spriteBacked(panel.createButton(spec.name, spec.id), spec, sprite);
}

WidgetCheckBox* addSpriteCheckBox(Panel& panel, const WidgetSpec& spec, int sprite)
{
    return spriteBacked(panel.createCheckBox(spec.name, spec.id), spec, sprite);
}

} // namespace ui
