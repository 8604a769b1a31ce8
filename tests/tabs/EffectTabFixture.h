// The effect tab built alone over a scratch archive, with readers for its
// three panels.
#pragma once

#include "tabs/TabFixture.h"

#include "app/EventRoute.h"
#include "tabs/effects/ctrlEffects.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Particle.h>

#include <SDL.h>

#include <string>
#include <vector>

namespace effecttest {

using namespace Zelkoran;
namespace TS = editortest::TS;
using W = CtrlEffects;

class EffectTab : public TabTest {
protected:
    // The tab over an archive with blocks and, when image is set, one real
    // image block "star".
    void open(const std::vector<editortest::BlockSpec>& blocks, bool image = false)
    {
        TS::clearAnswers();
        TS::clearModalLog();
        TS::setModalWatchdog(3000);
        openArchive(blocks);
        if (image) {
            SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 4, 4, 32, SDL_PIXELFORMAT_ARGB8888);
            const int id = Main::instance()->imageMgr()->loadFromSurface(s, "star");
            SDL_FreeSurface(s);
            ASSERT_EQ(Main::instance()->imageMgr()->get(id)->save(status->iArchiveID, "star"), 0);
            Main::instance()->imageMgr()->close(id);
        }
        tab.reset(new (std::nothrow) CtrlEffects(&*resources, &*status));
        ASSERT_NE(tab, nullptr);
        tab->parseQEL();
        p = named("Effects");
        adv = tab->advancedPanel();
        app = tab->appearancePanel();
    }
    void TearDown() override
    {
        tab.reset();
        TabTest::TearDown();
    }
    static Panel* named(const std::string& name)
    {
        for (int id : Main::instance()->guiMgr()->getPanelIDs())
            if (editortest::panel(id)->getName() == name)
                return editortest::panel(id);
        return nullptr;
    }
    ParticleEmitter* emitter() { return Main::instance()->particleMgr()->get(tab->getItemHandle()); }
    // The rows of a combo of the tab's panel, or of on.
    std::vector<std::string> rows(int id, Panel* on = nullptr)
    {
        WidgetComboBox* c = (on ? on : p)->getComboBox(id);
        std::vector<std::string> out;
        for (int i = 1; i <= c->getItemCount(); ++i)
            out.emplace_back(c->getItemText(i));
        return out;
    }
    int choose(int comboId, int row, Panel* on = nullptr)
    {
        (on ? on : p)->getComboBox(comboId)->setSelectedIndex(row);
        return tab->processEvent(comboId, row);
    }
    // A value as the user leaves it in a field of on.
    void enter(Panel* on, int id, float value)
    {
        on->getNumberEdit(id)->setValue(value);
        tab->processEvent(id, 0);
    }
    // Text left in a field of on: the focus passes through it, as when the
    // user tabs out.
    void enter(Panel* on, int id, const char* text)
    {
        WidgetTextEdit* edit = on->getTextEdit(id);
        edit->setText(text);
        Main::instance()->guiMgr()->setFocus(edit);
        Main::instance()->guiMgr()->setFocus(nullptr);
        tab->processEvent(id, 0);
    }
    // A click on a widget of on; the events it raises reach the tab as the
    // editor routes them.
    void click(Panel* on, int id)
    {
        ASSERT_TRUE(TS::clickWidget(on->getID(), id));
        for (const SDL_Event& e : TS::pump())
            if (e.type == kGUIEventType && routeEvent(e, false) == EventRoute::Process)
                tab->processEvent(eventInt(e.user.data1), eventInt(e.user.data2));
    }
    void tick(Panel* on, int id, bool state)
    {
        on->getCheckBox(id)->setChecked(state);
        tab->processEvent(id, state ? 1 : 0);
    }
    int visual()
    {
        int v = -1;
        emitter()->getVisual(&v, nullptr, nullptr);
        return v;
    }
    bool usable(int id, Panel* on = nullptr) { return (on ? on : p)->getWidgetByID(id)->isEnabled(); }
    bool checked(int id, Panel* on) { return on->getCheckBox(id)->isChecked(); }

    std::unique_ptr<CtrlEffects> tab;
    Panel* p = nullptr;   // the tab's own panel
    Panel* adv = nullptr; // the advanced panel
    Panel* app = nullptr; // the appearance panel
};

} // namespace effecttest
