#include "tabs/effects/effectFloatingPanel.h"

#include "services/WidgetBuilders.h"

#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>

#include <SDL.h>

using namespace Zelkoran;

EffectFloatingPanel::~EffectFloatingPanel()
{
    if (id > 0)
        Main::instance()->guiMgr()->close(id);
}

Panel* EffectFloatingPanel::create(const char* name, int width, int height, int x, int y, const Title& title)
{
    if (id > 0)
        return panel();
    int created = 0;
    Panel* p = ui::addPanel(name, created);
    if (!p)
        return nullptr;
    id = created;
    p->attachTo(0);
    p->setPanelType(0, 0);
    Widget* base = p->baseWidget();
    base->setSize(width, height);
    base->setBackgroundColor(ui::kTabGrey, ui::kTabGrey, ui::kTabGrey, WS_ALL);
    base->setBorderColor(110, 110, 110, 255, WS_ALL);
    base->setBorderCorner(4, WS_ALL);
    base->setPosition(ui::left(static_cast<float>(x)), ui::top(static_cast<float>(y)));
    base->setFeatures(WF_DRAG, true);
    if (WidgetLabel* bar = p->createLabel(title.name, title.id)) {
        const int font = Main::instance()->fontMgr()->getBuiltin("Arial12White");
        if (font > 0)
            bar->setFont(font, WS_ALL);
        bar->setFeatures(WF_NO_BG, false);
        bar->setBackgroundColor(104, 118, 138, WS_ALL);
        bar->setText(title.text, ui::centred(), ui::centred(2));
        bar->setSize(base->getWidth(), 25);
        bar->setPosition(ui::left(0), ui::top(0));
        bar->setTooltip(title.tooltip);
    }
    base->hide();
    return p;
}

Panel* EffectFloatingPanel::panel() const { return id > 0 ? Main::instance()->guiMgr()->getPanel(id) : nullptr; }

void EffectFloatingPanel::setOpen(bool show)
{
    Panel* p = panel();
    if (!p)
        return;
    open = show;
    show ? p->baseWidget()->show() : p->baseWidget()->hide();
}

void EffectFloatingPanel::suspend()
{
    if (Panel* p = panel())
        p->baseWidget()->hide();
}

void EffectFloatingPanel::resume()
{
    if (open)
        if (Panel* p = panel())
            p->baseWidget()->show();
}

bool EffectFloatingPanel::covers(float x, float y) const
{
    Panel* p = panel();
    if (!p || !open)
        return false;
    const Widget* base = p->baseWidget();
    if (!base->isShown())
        return false;
    const SDL_Rect r = base->getRect();
    return x >= static_cast<float>(r.x) && x < static_cast<float>(r.x + r.w) && y >= static_cast<float>(r.y)
           && y < static_cast<float>(r.y + r.h);
}
