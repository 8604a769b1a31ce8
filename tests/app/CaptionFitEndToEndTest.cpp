// Every tab as the window shows it: captions, field values, list rows and
// read-only lines can be read whole, and no caption runs into its field.
// A video's facts and a long image name in the skin lists are shown too.
#include "app/AppFixture.h"
#include "engine/video/VideoTestSupport.h"
#include "support/CaptionFit.h"

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
    for (int box = 220; box <= 232; ++box) {
        ASSERT_TRUE(TS::clickWidget(menuPanel()->getID(), box)) << box;
        app.runPass();
        if (box == 230) { // each widget chosen in turn, the last with its skin from an image
            Zelkoran::Panel* p = tabPanel("GUI");
            p->getList(105)->setSelectedIndex(1);
            app.menu()->processEvent(105, 1);
            for (int row = 2; row <= p->getList(911)->getItemCount(); ++row) {
                p->getList(911)->setSelectedIndex(row);
                app.menu()->processEvent(911, row);
                app.runPass();
                EXPECT_EQ(editortest::captionFaults(*p, {105}), std::vector<std::string>{})
                    << "GUI, " << p->getList(911)->getItemText(row);
            }
            ASSERT_TRUE(TS::clickWidget(p->getID(), 982));
            app.runPass();
            ASSERT_TRUE(p->getWidgetByID(967)->isShown()) << "the skin's image list";
        }
        if (box == 231) { // the video's facts
            TS::pushFileAnswer(true, clip.c_str());
            ASSERT_TRUE(TS::clickWidget(tabPanel("Videos")->getID(), 1500));
            app.runPass();
            ASSERT_NE(tabPanel("Videos")->getTextEdit(1509)->getText().find("Container:"), std::string::npos);
        }
    }
    for (const char* name : tabs) {
        Zelkoran::Panel* p = tabPanel(name);
        ASSERT_NE(p, nullptr) << name;
        // A block list's rows are the block names the tab works with, whole.
        EXPECT_EQ(editortest::captionFaults(*p, {105}), std::vector<std::string>{}) << name;
    }
}

} // namespace
