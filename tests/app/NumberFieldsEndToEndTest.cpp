// Every number field of every tab, typed into key by key in the real
// window: the text stays as typed until it is committed, and a committed
// number shows as typed, or as before when the tab refuses it.
#include "app/AppFixture.h"

#include "tabs/base/ctrlBase.h"
#include "tabs/gui/ctrlGUI.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Particle.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Widget.h>

#include <SDL.h>

#include <functional>
#include <string>
#include <vector>

namespace {

namespace TS = editortest::TS;
using namespace Zelkoran;

class NumberFieldsTest : public AppTest {
protected:
    // An archive with a panel, an image, a sprite and an effect, open in
    // the editor.
    void openFilledArchive()
    {
        ASSERT_EQ(start(), 0);
        const std::string path = folder.path("all.qel");
        Main* m = Main::instance();
        const int archiveId = m->archiveMgr()->create(path.c_str(), 0);
        const int panelId = m->guiMgr()->create("menu", 0x42000000);
        m->guiMgr()->getPanel(panelId)->baseWidget()->setSize(300, 200);
        m->guiMgr()->getPanel(panelId)->createWidgetByType("Title", WT_LABEL, 1);
        ASSERT_EQ(m->guiMgr()->getPanel(panelId)->save(archiveId), 0);
        m->guiMgr()->close(panelId);
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 64, 32, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_FillRect(s, nullptr, 0xFF806040);
        const int image = m->imageMgr()->loadFromSurface(s, "sheet");
        SDL_FreeSurface(s);
        ASSERT_EQ(m->imageMgr()->get(image)->save(archiveId, "sheet"), 0);
        const std::string png = folder.path("sheet.png");
        ASSERT_TRUE(m->imageMgr()->get(image)->saveToPNG(png.c_str()));
        m->imageMgr()->close(image);
        const std::string bytes = editortest::readFile(png);
        const int sprite = m->spriteMgr()->loadFromBuffer(bytes.data(), bytes.size(), "walk", 16, 16);
        ASSERT_GT(sprite, 0);
        ASSERT_EQ(m->spriteMgr()->get(sprite)->save(archiveId, "walk"), 0);
        m->spriteMgr()->close(sprite);
        const int effect = m->particleMgr()->create("smoke", 10);
        ASSERT_EQ(m->particleMgr()->get(effect)->save(archiveId, "smoke"), 0);
        m->particleMgr()->close(effect);
        m->archiveMgr()->close(archiveId);
        editortest::openAsEditorArchive(*app.globalStatus(), path);
        app.menu()->update();
    }

    // Clicks the tab's box, then its first block, and in the GUI tab the
    // panel's first widget: the tab's own panel.
    Panel* showWithFirstBlock(CtrlBase* tab)
    {
        if (!TS::clickWidget(app.resources()->get(SR_MENU_PANEL), tab->getCheckBoxID()))
            return nullptr;
        app.runPass();
        Panel* own = tabPanel(tab->getName().c_str());
        if (!own)
            return nullptr;
        for (const auto& [listId, row] : {std::pair{int(CtrlBase::BW_LIST), 1}, std::pair{int(CtrlGUI::GW_LIST), 2}})
            if (WidgetList* list = own->getList(listId); list && list->getItemCount() >= row) {
                const SDL_Rect r = list->getRect();
                TS::click(r.x + 20, r.y + list->getRowHeight() * (2 * row - 1) / 2 + 2);
                app.runPass();
            }
        return own;
    }

    // Each tab in turn shows its first block (prepared by shown); field then
    // meets every widget of type on a shown panel that is shown and enabled.
    void forEachField(eWidgetType type, const std::function<void(CtrlBase*, Panel*)>& shown,
                      const std::function<void(CtrlBase*, Panel*, Widget*)>& field)
    {
        GUIMgr* gui = Main::instance()->guiMgr();
        for (CtrlBase* tab : app.menu()->getCtrls()) {
            SCOPED_TRACE(tab->getName().c_str());
            Panel* own = showWithFirstBlock(tab);
            ASSERT_NE(own, nullptr);
            shown(tab, own);
            for (int panelId : gui->getPanelIDs()) {
                Panel* p = gui->getPanel(panelId);
                if (!p->isShown())
                    continue;
                for (Widget* w : std::vector<Widget*>(p->children().begin(), p->children().end()))
                    if (w->getType() == type && w->isShown() && w->isEnabled())
                        field(tab, p, w);
            }
        }
    }
};

TEST_F(NumberFieldsTest, EveryTabsNumbersStayAsTypedUntilCommitted)
{
    openFilledArchive();
    int checked = 0;
    forEachField(WT_NUMBEREDIT, [](CtrlBase*, Panel*) {}, [&](CtrlBase*, Panel* p, Widget* w) {
        WidgetNumberEdit* n = p->getNumberEdit(w->getID());
        if (!n || n->getReadOnly())
            return;
        for (const std::string typed : {"12", "0.5"}) {
            if (std::stof(typed) < n->getMin() || std::stof(typed) > n->getMax()
                || (typed == "0.5" && !n->isFloatAllowed()))
                continue;
            SCOPED_TRACE(std::string(p->getName()) + "/" + n->getName() + " \"" + typed + "\"");
            const std::string before = n->getText().c_str();
            typeKeys(p->getID(), n->getID(), typed, Commit::None);
            EXPECT_EQ(n->getText().c_str(), typed) << "the text under the caret stays";
            TS::key(SDLK_RETURN);
            app.runPass();
            const std::string after = n->getText().c_str();
            EXPECT_TRUE(after == typed || after == before) << after;
            ++checked;
        }
    });
    EXPECT_GT(checked, 30) << "fields of several tabs were typed into";
}

// A colour that does not read, typed over a shown one, gives way to the
// shown colour again: nothing was edited, so the tab stays as it was.
TEST_F(NumberFieldsTest, EveryTabsColourFieldsPutBackAnUnreadableColourWithoutAnEdit)
{
    openFilledArchive();
    int checked = 0;
    const auto skinColours = [this](CtrlBase*, Panel* own) {
        // The GUI tab shows its colours in the skin's colour mode.
        if (own->getCheckBox(CtrlGUI::GW_SKIN_COLORS) && own->getWidgetByID(CtrlGUI::GW_SKIN_COLORS)->isEnabled()) {
            ASSERT_TRUE(TS::clickWidget(own->getID(), CtrlGUI::GW_SKIN_COLORS));
            app.runPass();
        }
    };
    forEachField(WT_TEXTEDIT, skinColours, [&](CtrlBase* tab, Panel* p, Widget* w) {
        WidgetTextEdit* edit = p->getTextEdit(w->getID());
        if (!edit || edit->getReadOnly())
            return;
        const std::string before = edit->getText().c_str();
        const bool colour = (before.size() == 7 || before.size() == 9) && before[0] == '#' &&
                            before.find_first_not_of("0123456789ABCDEF", 1) == std::string::npos;
        if (!colour)
            return;
        SCOPED_TRACE(std::string(p->getName()) + "/" + edit->getName() + " " + before);
        const bool dirty = tab->isDirty();
        typeKeys(p->getID(), edit->getID(), "zz");
        EXPECT_EQ(edit->getText().c_str(), before);
        EXPECT_EQ(tab->isDirty(), dirty) << "nothing was edited";
        ++checked;
    });
    EXPECT_GE(checked, 4) << "colour fields of several tabs were typed into";
}

} // namespace
