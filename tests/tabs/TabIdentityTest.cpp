#include "tabs/TabFixture.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/TabCheckBoxIds.h"

#include "tabs/data/ctrlAudioTracks.h"
#include "tabs/data/ctrlFiles.h"
#include "tabs/data/ctrlUndelete.h"
#include "tabs/data/ctrlVideos.h"
#include "tabs/data/ctrlXML.h"
#include "tabs/effects/ctrlEffects.h"
#include "tabs/gui/ctrlGUI.h"
#include "tabs/images/ctrlCursors.h"
#include "tabs/images/ctrlFonts.h"
#include "tabs/images/ctrlImages.h"
#include "tabs/images/ctrlSprites.h"
#include "tabs/images/ctrlTiles.h"
#include "tabs/scenes/ctrlScenes.h"

#include <Zelkoran/Font.h>

#include <SDL_rect.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using editortest::listItems;

struct TabCase {
    const char* name;
    int checkBoxId;
    std::function<CtrlBase*(ResourceManager*, GlobalStatus*)> make;
    std::vector<std::string> items;
};

template <class Tab>
CtrlBase* make(ResourceManager* rm, GlobalStatus* gs)
{
    return new (std::nothrow) Tab(rm, gs);
}

class TabIdentityTest : public TabTest {};

// Each tab lists exactly the live, visible blocks of its own type; Undelete
// lists the deleted ones of every type.
TEST_F(TabIdentityTest, EveryTabListsTheBlocksOfItsType)
{
    openArchive({{"hero", "ZK7_IMAGE"},       {"#C_arrow", "ZK7_IMAGE"}, {"arrow", "ZK7_CURSOR"},
                 {"tiles", "ZK7_TILE"},       {"walk", "ZK7_SPRITE"},    {"serif", "ZK7_FONT"},
                 {"hud", "ZK7_GUIPANEL"},     {"smoke", "ZK7_PARTICLE"}, {"theme", "ZK7_AUDIOTRACK"},
                 {"intro", "ZK7_VIDEO"},      {"level.tmx", "ZK7_XML"},  {"notes.txt", "ZK7_FILE"}, {"config.xml", "ZK7_XML"},
                 {"lost", "ZK7_IMAGE", true}, {"jingle", "ZK7_SOUND"}});
    const TabCase cases[] = {
        {"Images", TAB_IMAGES, make<CtrlImages>, {"hero"}},
        {"Cursors", TAB_CURSORS, make<CtrlCursors>, {"arrow"}},
        {"Tiles", TAB_TILES, make<CtrlTiles>, {"tiles"}},
        {"Sprites", TAB_SPRITES, make<CtrlSprites>, {"walk"}},
        {"Fonts", TAB_FONTS, make<CtrlFonts>, {"serif"}},
        {"GUI", TAB_GUI, make<CtrlGUI>, {"hud"}},
        {"Effects", TAB_EFFECTS, make<CtrlEffects>, {"smoke"}},
        {"Audio", TAB_AUDIO, make<CtrlAudioTracks>, {"theme"}},
        {"Videos", TAB_VIDEOS, make<CtrlVideos>, {"intro"}},
        {"Scenes", TAB_SCENES, make<CtrlScenes>, {"level.tmx"}},
        {"XML", TAB_XML, make<CtrlXML>, {"config.xml"}},
        {"Files", TAB_FILES, make<CtrlFiles>, {"notes.txt"}},
        {"Undelete", TAB_UNDELETE, make<CtrlUndelete>, {"lost"}},
    };
    for (const TabCase& c : cases) {
        std::unique_ptr<CtrlBase> tab(c.make(&*resources, &*status));
        ASSERT_NE(tab, nullptr) << c.name;
        EXPECT_STREQ(tab->getName().c_str(), c.name);
        EXPECT_EQ(tab->getCheckBoxID(), c.checkBoxId);
        EXPECT_EQ(tab->parseQEL(), 0) << c.name;
        Zelkoran::Panel* panel = nullptr;
        for (int id : Zelkoran::Main::instance()->guiMgr()->getPanelIDs())
            if (std::string(editortest::panel(id)->getName()) == c.name)
                panel = editortest::panel(id);
        ASSERT_NE(panel, nullptr) << c.name;
        EXPECT_EQ(listItems(panel->getList(BW_LIST)), c.items) << c.name;
        EXPECT_FALSE(panel->isShown()) << c.name;
        tab->show();
        EXPECT_TRUE(panel->isShown()) << c.name;
    }
}

// Every caption of the built tabs can be read whole: a check box holds its
// box and its text, and no widget on a label's row covers the label's text.
TEST_F(TabIdentityTest, CaptionsAreNotCutOrCovered)
{
    constexpr int kCheckBoxChrome = 2 + 14 + 6; // margin, box and gap before the text
    Zelkoran::FontMgr* fonts = Zelkoran::Main::instance()->fontMgr();
    const auto textWidth = [&](const Zelkoran::Widget& w, const char* text) {
        const Zelkoran::Font* font = fonts->get(w.getFont(Zelkoran::WS_NORMAL));
        return font ? font->getWidth(text) : 0;
    };
    std::vector<std::unique_ptr<CtrlBase>> tabs;
    std::vector<Zelkoran::Panel*> panels;
    for (const auto& makeTab : {make<CtrlImages>, make<CtrlAudioTracks>, make<CtrlXML>, make<CtrlUndelete>}) {
        tabs.emplace_back(makeTab(&*resources, &*status));
        tabs.back()->hide();
        panels.push_back(editortest::panel(Zelkoran::Main::instance()->guiMgr()->getPanelIDs().back()));
    }
    // The effect tab's floating panels, each shown on its own.
    auto* effects = static_cast<CtrlEffects*>(tabs.emplace_back(make<CtrlEffects>(&*resources, &*status)).get());
    panels.push_back(effects->advancedPanel());
    panels.push_back(effects->appearancePanel());
    for (Zelkoran::Panel* panel : panels) {
        for (Zelkoran::Panel* other : panels)
            other->baseWidget()->hide();
        panel->baseWidget()->show();
        for (Zelkoran::Widget* w : panel->children()) {
            const SDL_Rect r = w->getRect();
            SCOPED_TRACE(std::string(panel->getName()) + "/" + w->getName());
            if (w->getType() == Zelkoran::WT_CHECKBOX) {
                const char* caption = static_cast<Zelkoran::WidgetCheckBox*>(w)->getText();
                if (caption[0] && !w->getBackgroundSprite(Zelkoran::WS_NORMAL)) {
                    EXPECT_LE(kCheckBoxChrome + textWidth(*w, caption), r.w) << caption;
                }
                continue;
            }
            const char* caption = w->getType() == Zelkoran::WT_LABEL ? static_cast<Zelkoran::WidgetLabel*>(w)->getText() : "";
            if (!caption[0])
                continue;
            const int left = r.x + (r.w - textWidth(*w, caption)) / 2;
            const int right = left + textWidth(*w, caption);
            const int middle = r.y + r.h / 2;
            for (Zelkoran::Widget* other : panel->children()) {
                const SDL_Rect o = other->getRect();
                const bool groupFrame = other->getType() == Zelkoran::WT_FRAME
                                        && !static_cast<Zelkoran::WidgetFrame*>(other)->isFilled();
                if (other == w || !other->isShown() || groupFrame || middle < o.y || middle >= o.y + o.h)
                    continue;
                EXPECT_FALSE(right > o.x && left < o.x + o.w) << caption << " under " << other->getName();
            }
        }
    }
}

} // namespace

