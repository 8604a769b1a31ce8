#include "tabs/effects/ctrlEffectsWidgets.h"

#include "services/ResourceManager.h"

#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>

#include <algorithm>

using namespace Zelkoran;

namespace effectwidgets {

namespace {
constexpr int kGrey = 225;
const Position kCentred(0, PH_CENTER);
} // namespace

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

int createFloatingPanel(const char* name, int width, int height, int x, int y, int titleId, const char* titleName,
                        const char* title, const char* titleTooltip)
{
    GUIMgr* gui = Main::instance()->guiMgr();
    const int id = gui->create(name, 0x42000000u);
    Panel* p = id > 0 ? gui->getPanel(id) : nullptr;
    if (!p)
        return 0;
    p->attachTo(0);
    p->setPanelType(0, 0);
    Widget* base = p->baseWidget();
    base->setSize(width, height);
    base->setBackgroundColor(kGrey, kGrey, kGrey, WS_ALL);
    base->setBorderColor(110, 110, 110, 255, WS_ALL);
    base->setBorderCorner(4, WS_ALL);
    base->setPosition(Position(static_cast<float>(x), PH_LEFT), Position(static_cast<float>(y), PH_TOP));
    base->setFeatures(WF_DRAG, true);
    if (WidgetLabel* bar = p->createLabel(titleName, titleId)) {
        const int font = Main::instance()->fontMgr()->getBuiltin("Arial12White");
        if (font > 0)
            bar->setFont(font, WS_ALL);
        bar->setFeatures(WF_NO_BG, false);
        bar->setBackgroundColor(104, 118, 138, WS_ALL);
        bar->setText(title, kCentred, Position(2, PH_CENTER));
        bar->setSize(base->getWidth(), 25);
        bar->setPosition(Position(0, PH_LEFT), Position(0, PH_TOP));
        bar->setTooltip(titleTooltip);
    }
    base->hide();
    return id;
}

void addEffectFrame(Panel* p, const String& name, int id, int top, int height, const char* tooltip, int left,
                    int width)
{
    WidgetFrame* f = p->createFrame(name.c_str(), id);
    if (!f)
        return;
    f->setFilled(false);
    f->setBorderColor(110, 110, 110, 255, WS_ALL);
    f->setBorderWidth(1, WS_ALL);
    f->setSize(width, height);
    f->setPosition(Position(static_cast<float>(left), PH_LEFT), Position(static_cast<float>(top), PH_TOP));
    if (tooltip)
        f->setTooltip(tooltip);
}

void addEffectLabel(Panel* p, ResourceManager* rm, const String& name, int id, const String& text, int x, int y,
                    const char* tooltip)
{
    WidgetLabel* l = p->createLabel(name.c_str(), id);
    if (!l)
        return;
    l->setFont(rm->get(SR_FONT), WS_ALL);
    l->setBackgroundColor(kGrey, kGrey, kGrey, WS_ALL);
    l->setText(text.c_str(), kCentred, kCentred);
    l->setPosition(Position(static_cast<float>(x), PH_LEFT), Position(static_cast<float>(y), PH_TOP));
    l->setTooltip(tooltip ? tooltip : text.c_str());
}

WidgetComboBox* addEffectCombo(Panel* p, ResourceManager* rm, const char* name, int id, int w, int x, int y,
                               const char* tooltip)
{
    WidgetComboBox* c = p->createComboBox(name, id);
    if (!c)
        return nullptr;
    c->setFont(rm->get(SR_FONT), WS_ALL);
    c->setSize(w, 19);
    c->setPosition(Position(static_cast<float>(x), PH_LEFT), Position(static_cast<float>(y), PH_TOP));
    c->setTooltip(tooltip);
    return c;
}

WidgetNumberEdit* addEffectNumber(Panel* p, ResourceManager* rm, const char* name, int id, int w, int x, int y,
                                  float min, float max, float initial, const char* tooltip)
{
    WidgetNumberEdit* n = p->createNumberEdit(name, id);
    if (!n)
        return nullptr;
    n->setFont(rm->get(SR_FONT), WS_ALL);
    n->setSize(w, 19);
    n->setPosition(Position(static_cast<float>(x), PH_LEFT), Position(static_cast<float>(y), PH_TOP));
    // Scales, times and forces take fractions; counts drop them when applied.
    n->allowFloat(true);
    n->setRange(min, max);
    n->setValue(initial);
    n->setFeatures(WF_FOCUS_LOST, true);
    n->setTooltip(tooltip);
    return n;
}

void addEffectButton(Panel* p, const char* name, int id, const char* text, int w, int h, Position x, Position y,
                     const char* tooltip)
{
    WidgetButton* b = p->createButton(name, id);
    if (!b)
        return;
    b->setText(text, kCentred, kCentred);
    b->setSize(w, h);
    b->setPosition(x, y);
    b->setTooltip(tooltip);
}

void addEffectSwatch(Panel* p, const String& name, int id, int x, int y, const char* tooltip)
{
    WidgetFrame* f = p->createFrame(name.c_str(), id);
    if (!f)
        return;
    f->setFilled(true);
    f->setBorderColor(90, 90, 90, 255, WS_ALL);
    f->setBackgroundColor(255, 255, 255, WS_ALL);
    f->setSize(18, 18);
    f->setPosition(Position(static_cast<float>(x), PH_LEFT), Position(static_cast<float>(y), PH_TOP));
    f->setTooltip(tooltip);
}

} // namespace effectwidgets
