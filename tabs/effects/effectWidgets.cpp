#include "tabs/effects/effectWidgets.h"

#include <algorithm>

using namespace Zelkoran;

namespace effectwidgets {

int comboRow(Panel* p, int id, int fallback)
{
    const WidgetComboBox* c = p ? p->getComboBox(id) : nullptr;
    return c ? std::max(c->getSelectedIndex(), 1) : fallback;
}

float numberValue(Panel* p, int id, float fallback)
{
    const WidgetNumberEdit* n = p ? p->getNumberEdit(id) : nullptr;
    return n ? n->getValue() : fallback;
}

int wholeValue(Panel* p, int id, int fallback, int min, int max)
{
    const WidgetNumberEdit* n = p ? p->getNumberEdit(id) : nullptr;
    return n ? std::max(std::min(static_cast<int>(n->getValue()), max), min) : fallback;
}

bool checked(Panel* p, int id)
{
    const WidgetCheckBox* c = p ? p->getCheckBox(id) : nullptr;
    return c && c->isChecked();
}

void setCombo(Panel* p, int id, int row)
{
    if (WidgetComboBox* c = p ? p->getComboBox(id) : nullptr)
        c->setSelectedIndex(row);
}

void setNumber(Panel* p, int id, float value)
{
    if (WidgetNumberEdit* n = p ? p->getNumberEdit(id) : nullptr)
        n->setValue(value);
}

void setChecked(Panel* p, int id, bool on)
{
    if (WidgetCheckBox* c = p ? p->getCheckBox(id) : nullptr)
        c->setChecked(on);
}

void setText(Panel* p, int id, const char* text)
{
    if (WidgetTextEdit* t = p ? p->getTextEdit(id) : nullptr)
        t->setText(text);
}

void setSwatch(Panel* p, int id, uint8_t r, uint8_t g, uint8_t b)
{
    if (WidgetFrame* f = p ? p->getFrame(id) : nullptr)
        f->setBackgroundColor(r, g, b, WS_ALL);
}

void setUsable(Panel* p, int id, bool usable)
{
    if (Widget* w = p ? p->getWidgetByID(id) : nullptr)
        usable ? w->enable() : w->disable();
}

WidgetLabel* addCaption(Panel& p, int font, const char* name, int id, const char* text, int x, int y,
                        const char* tooltip)
{
    return ui::addLabel(p, {.name = name, .id = id, .x = ui::left(static_cast<float>(x)),
                            .y = ui::top(static_cast<float>(y)), .text = text, .font = font,
                            .tooltip = tooltip ? tooltip : text});
}

WidgetNumberEdit* addFloatNumber(Panel& p, const ui::WidgetSpec& spec, float min, float max, float value)
{
    WidgetNumberEdit* n = ui::addNumberEdit(p, spec, min, max, value);
    if (n) {
        n->allowFloat(true);
        n->setValue(value);
    }
    return n;
}

WidgetFrame* addSwatch(Panel& p, const ui::WidgetSpec& spec)
{
    WidgetFrame* f = ui::addOutline(p, spec);
    if (f) {
        f->setFilled(true);
        f->setBorderColor(90, 90, 90, 255, WS_ALL);
        f->setBackgroundColor(255, 255, 255, WS_ALL);
    }
    return f;
}

} // namespace effectwidgets
