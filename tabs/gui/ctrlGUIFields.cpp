#include "tabs/gui/ctrlGUIFields.h"

using namespace Zelkoran;

int GUIFields::row(int id) const
{
    const WidgetComboBox* c = panel.getComboBox(id);
    return c ? c->getSelectedIndex() : 0;
}

void GUIFields::setRow(int id, int row) const
{
    if (WidgetComboBox* c = panel.getComboBox(id))
        c->setSelectedIndex(row);
}

bool GUIFields::checked(int id) const
{
    const WidgetCheckBox* c = panel.getCheckBox(id);
    return c && c->isChecked();
}

void GUIFields::setCheck(int id, bool on) const
{
    if (WidgetCheckBox* c = panel.getCheckBox(id))
        c->setChecked(on);
}

float GUIFields::number(int id) const
{
    const WidgetNumberEdit* n = panel.getNumberEdit(id);
    return n ? n->getValue() : 0.0f;
}

void GUIFields::setNumber(int id, float value) const
{
    if (WidgetNumberEdit* n = panel.getNumberEdit(id))
        n->setValue(value);
}

String GUIFields::text(int id) const
{
    const WidgetTextEdit* e = panel.getTextEdit(id);
    return e ? e->getText() : String();
}

void GUIFields::setText(int id, const char* text) const
{
    if (WidgetTextEdit* e = panel.getTextEdit(id))
        e->setText(text);
}

int GUIFields::integer(int id, int fallback, int maximum, int minimum) const
{
    const WidgetNumberEdit* n = panel.getNumberEdit(id);
    if (!n)
        return fallback;
    const int value = static_cast<int>(n->getValue());
    return value > maximum ? maximum : value < minimum ? minimum : value;
}

void GUIFields::enable(std::initializer_list<int> ids, bool on) const
{
    for (int id : ids)
        if (Widget* w = panel.getWidgetByID(id)) {
            if (on)
                w->enable();
            else
                w->disable();
        }
}

void GUIFields::show(std::initializer_list<int> ids, bool on) const
{
    for (int id : ids)
        if (Widget* w = panel.getWidgetByID(id)) {
            if (on)
                w->show();
            else
                w->hide();
        }
}
