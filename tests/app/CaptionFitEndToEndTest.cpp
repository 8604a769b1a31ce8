// Every tab as the window shows it: captions, field values, list rows and
// read-only lines can be read whole, and no caption runs into its field.
// A video's facts, a long image name in the skin lists, the GUI tab's
// dialogs and the effect tab's floating panels are shown too.
#include "app/AppFixture.h"
#include "engine/video/VideoTestSupport.h"
#include "support/CaptionFit.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/data/ctrlVideos.h"
#include "tabs/effects/effectWidgetIds.h"
#include "tabs/gui/ctrlGUI.h"

#include <SDL_keycode.h>


namespace {

namespace TS = editortest::TS;

class CaptionFitEndToEndTest : public AppTest {};

TEST_F(CaptionFitEndToEndTest, EveryTabShowsItsCaptionsWhole)
{
    ASSERT_EQ(start(), 0);
    std::vector<editortest::BlockSpec> blocks = kMixedBlocks;
    blocks.push_back({"a_long_image_name_for_the_skin_lists_of_the_gui_tab", "ZK7_IMAGE"});
    openArchive(blocks);
    // A real panel "hud" with a button, for the GUI tab's widget rows and skin.
    Zelkoran::GUIMgr* gui = Zelkoran::Main::instance()->guiMgr();
    const int hud = gui->create("hud", 0x42000000);
    gui->getPanel(hud)->baseWidget()->setSize(300, 200);
    // One widget of each kind the properties show special rows for.
    const Zelkoran::eWidgetType kinds[] = {Zelkoran::WT_BUTTON,   Zelkoran::WT_LABEL,    Zelkoran::WT_CHECKBOX,
                                           Zelkoran::WT_SLIDER,   Zelkoran::WT_PROGRESS, Zelkoran::WT_TEXTEDIT,
                                           Zelkoran::WT_NUMBEREDIT, Zelkoran::WT_COMBOBOX, Zelkoran::WT_LIST,
                                           Zelkoran::WT_FRAME};
    for (int k = 0; k < static_cast<int>(std::size(kinds)); ++k)
        gui->getPanel(hud)->createWidgetByType(("w" + std::to_string(k)).c_str(), kinds[k], k + 1);
    ASSERT_EQ(gui->getPanel(hud)->save(app.globalStatus()->iArchiveID), 0);
    gui->close(hud);
    const std::string clip = folder.path("clip.mp4");
    ASSERT_TRUE(videotest::makeClip(clip, videotest::ClipSpec{}));
    const char* tabs[] = {"Images", "Cursors", "Tiles", "Sprites", "Fonts", "GUI", "Effects", "Audio", "Videos",
                          "Scenes", "XML", "Files", "Undelete"};
    for (int box = TAB_IMAGES; box <= TAB_SCENES; ++box) {
        ASSERT_TRUE(TS::clickWidget(menuPanel()->getID(), box)) << box;
        app.runPass();
        if (box == TAB_GUI) { // each widget chosen in turn, the last with its skin from an image
            Zelkoran::Panel* p = tabPanel("GUI");
            p->getList(BW_LIST)->setSelectedIndex(1);
            app.menu()->processEvent(BW_LIST, 1);
            for (int row = 2; row <= p->getList(CtrlGUI::GW_LIST)->getItemCount(); ++row) {
                p->getList(CtrlGUI::GW_LIST)->setSelectedIndex(row);
                app.menu()->processEvent(CtrlGUI::GW_LIST, row);
                app.runPass();
                EXPECT_EQ(editortest::captionFaults(*p, {BW_LIST}), std::vector<std::string>{})
                    << "GUI, " << p->getList(CtrlGUI::GW_LIST)->getItemText(row);
            }
            ASSERT_TRUE(TS::clickWidget(p->getID(), CtrlGUI::GW_SKIN_ASSET));
            app.runPass();
            ASSERT_TRUE(p->getWidgetByID(CtrlGUI::GW_SKIN_IMAGE)->isShown()) << "the skin's image list";
            // The tab's two dialogs, measured while they run, then left with Escape.
            for (const int opens : {CtrlGUI::GW_ADD_WIDGET, CtrlGUI::GW_TOOLTIP_SETTINGS}) {
                std::vector<std::string> dialogFaults{"not shown"};
                TS::pushScript([&dialogFaults](int dialogId) {
                    dialogFaults = editortest::captionFaults(*editortest::panel(dialogId));
                    TS::key(SDLK_ESCAPE);
                });
                ASSERT_TRUE(TS::clickWidget(p->getID(), opens));
                app.runPass();
                EXPECT_EQ(dialogFaults, std::vector<std::string>{}) << "GUI dialog of " << opens;
            }
        }
        if (box == TAB_EFFECTS) { // the floating panels, while their tab is shown
            for (const int opens : {EffectWidgetIds::EW_ADVANCED, EffectWidgetIds::EW_APPEARANCE}) {
                ASSERT_TRUE(TS::clickWidget(tabPanel("Effects")->getID(), opens));
                app.runPass();
            }
            int floating = 0;
            for (const char* name : {"EffectsAdvanced1727", "EffectsAppearance1734"})
                if (Zelkoran::Panel* p = tabPanel(name); p && p->baseWidget()->isShown()) {
                    ++floating;
                    EXPECT_EQ(editortest::captionFaults(*p), std::vector<std::string>{}) << name;
                }
            EXPECT_EQ(floating, 2);
        }
        if (box == TAB_VIDEOS) { // the video's facts
            TS::pushFileAnswer(true, clip.c_str());
            ASSERT_TRUE(TS::clickWidget(tabPanel("Videos")->getID(), CtrlVideos::VW_IMPORT));
            app.runPass();
            ASSERT_NE(
                tabPanel("Videos")->getTextEdit(CtrlVideos::VW_INFO)->getText().find("Container:"), std::string::npos);
        }
    }
    for (const char* name : tabs) {
        Zelkoran::Panel* p = tabPanel(name);
        ASSERT_NE(p, nullptr) << name;
        // A block list's rows are the block names the tab works with, whole.
        EXPECT_EQ(editortest::captionFaults(*p, {BW_LIST}), std::vector<std::string>{}) << name;
    }
    EXPECT_EQ(editortest::captionFaults(*menuPanel()), std::vector<std::string>{}) << "the menu bar";
}

} // namespace
