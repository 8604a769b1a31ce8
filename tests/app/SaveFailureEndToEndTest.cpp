// Save clicked in every tab that saves while the write cannot be made: the
// archive has no free slot, its file is write-protected, or another program
// moved a file over it. Each tab's notice reads the same cause.
#include "app/AppFixture.h"
#include "engine/video/VideoTestSupport.h"
#include "import/interchange/InterchangeFixture.h"
#include "import/interchange/XMLImport.h"
#include "support/FileFaults.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/TabCheckBoxIds.h"

#include <Zelkoran/Cursor.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Particle.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Video.h>
#include <Zelkoran/XML.h>

#include <filesystem>
#include <utility>
#include <string>
#include <vector>

namespace {

namespace TS = editortest::TS;
using Zelkoran::Main;

const char* const kNoRoom = "There is no room for more QEL blocks.\nDefrag/resize the QEL file and try again.";

// A block of each kind a tab saves, each the first its tab lists.
void writeEveryKind(const TestFolder& folder, const std::string& path)
{
    Main* engine = Main::instance();
    interchange::writeAssets(folder);
    const std::string text = interchange::document(folder, interchange::kEveryKind);
    const int id = engine->archiveMgr()->create(path.c_str(), 64);
    ASSERT_GT(id, 0);
    const int xml = engine->xmlMgr()->loadFromBuffer(text.data(), text.size(), "every");
    ASSERT_GT(xml, 0);
    TS::pushAnswer(1); // the import's summary
    ASSERT_EQ(XML2QEL(*engine->xmlMgr()->get(xml), id, "Import", nullptr, 0), 0);
    engine->xmlMgr()->close(xml);

    const int picture = engine->imageMgr()->loadFromFile(folder.path("pic.png").c_str(), "pic");
    Zelkoran::CursorMgr* cursors = engine->cursorMgr();
    const int cursor = cursors->create("arrow", 10);
    ASSERT_EQ(cursors->get(cursor)->assignImage(picture, 1), 0);
    ASSERT_EQ(cursors->get(cursor)->save(id, ""), 0);
    cursors->close(cursor);
    const int effect = engine->particleMgr()->create("smoke", 10);
    ASSERT_EQ(engine->particleMgr()->get(effect)->save(id, ""), 0);
    engine->particleMgr()->close(effect);
    const std::string clip = folder.path("clip.mp4");
    ASSERT_TRUE(videotest::makeClip(clip, videotest::ClipSpec{}));
    const int video = engine->videoMgr()->loadFromFile(clip.c_str(), "intro", Zelkoran::ATT_MUSIC);
    ASSERT_GT(video, 0);
    ASSERT_EQ(engine->videoMgr()->get(video)->save(id, ""), 0);
    engine->videoMgr()->close(video);
    const std::pair<const char*, std::string> texts[] = {
        {"config.xml", "<?xml version=\"1.0\"?><config/>"},
        {"level.tmx", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<map version=\"1.10\" orientation=\"orthogonal\" "
                      "renderorder=\"right-down\" width=\"2\" height=\"2\" tilewidth=\"16\" tileheight=\"16\" "
                      "infinite=\"0\" nextlayerid=\"2\" nextobjectid=\"1\">\n <layer id=\"1\" name=\"Ground\" "
                      "width=\"2\" height=\"2\">\n  <data encoding=\"csv\">\n0,0,\n0,0\n</data>\n </layer>\n</map>\n"},
    };
    for (const auto& [name, body] : texts) {
        Zelkoran::Archive::Block block(name, "ZK7_XML");
        block.data = const_cast<char*>(body.data());
        block.size = body.size();
        ASSERT_EQ(engine->archiveMgr()->get(id)->blockAdd(block), 0);
    }
    ASSERT_EQ(engine->archiveMgr()->close(id), 0);
}

// Fills every free slot of the archive at path with blocks no tab lists.
void fill(const std::string& path)
{
    Zelkoran::ArchiveMgr* archives = Main::instance()->archiveMgr();
    const int id = archives->load(path.c_str(), nullptr, 0);
    ASSERT_GT(id, 0);
    Zelkoran::Archive* archive = archives->get(id);
    char data[] = "x";
    for (int i = 0; archive->getBlockCount() < archive->getBlockLimit(); ++i) {
        Zelkoran::Archive::Block filler(("filler" + std::to_string(i)).c_str(), "ZK7_FILLER");
        filler.data = data;
        filler.size = sizeof data;
        ASSERT_EQ(archive->blockAdd(filler), 0);
    }
    ASSERT_EQ(archives->close(id), 0);
}

class SaveFailureEndToEndTest : public AppTest {
protected:
    void pass() { EXPECT_FALSE(app.runPass()); }
    // Every box shown since the last call, as "title|text".
    static std::vector<std::string> takeBoxes()
    {
        std::vector<std::string> boxes;
        for (const TS::ModalRecord& r : TS::modalLog())
            boxes.push_back(std::string(r.title.c_str()) + "|" + r.text.c_str());
        TS::clearModalLog();
        return boxes;
    }
};

TEST_F(SaveFailureEndToEndTest, EveryTabsSaveTellsTheCause)
{
    const struct {
        const char* tab;
        int box;
        const char* item;
        const char* title;
        const char* failure;
    } tabs[] = {
        {"Images", TAB_IMAGES, "hero", "Image: save to QEL", "Could not save the image."},
        {"Cursors", TAB_CURSORS, "arrow", "Cursor: save to QEL", "Could not save the cursor."},
        {"Tiles", TAB_TILES, "ground", "Tile: save to QEL", "Could not save the tile."},
        {"Sprites", TAB_SPRITES, "walker", "Sprite: save to QEL", "Could not save the sprite."},
        {"Fonts", TAB_FONTS, "serif", "Font: save to QEL", "Could not save the font."},
        {"GUI", TAB_GUI, "hud", "Panel: save to QEL", "Could not save the panel."},
        {"Effects", TAB_EFFECTS, "smoke", "Particle: save to QEL", "Could not save the particle effect."},
        {"Audio", TAB_AUDIO, "click", "AudioTrack: save to QEL", "Could not save the audio track."},
        {"Videos", TAB_VIDEOS, "intro", "Video: save to QEL", "Could not save the video."},
        {"Scenes", TAB_SCENES, "level.tmx", "TileMap: save to QEL", "TileMap could not be saved."},
        {"XML", TAB_XML, "config.xml", "XML: save to QEL", "XML could not be saved."},
        {"Files", TAB_FILES, "packed", "File: save to QEL", "File could not be saved."},
    };
    const std::string path = folder.path("game.qel");
    const std::string replaced = "\" was replaced or deleted by another program since it was opened.\n"
                                 "Nothing was written to it.";
    const std::string denied = "\" cannot be written: permission denied.\nIt is kept as it is.";
    const struct {
        const char* label;
        bool full;
        void (*change)(const std::string& path);
        std::string cause; // after the tab's own line; "" for kNoRoom alone
    } faults[] = {
        {"full", true, nullptr, ""},
        {"write-protected", false, FileFaults::writeProtect, "The QEL file \"" + path + denied},
        {"replaced", false,
         [](const std::string& p) {
             std::filesystem::copy_file(p, p + ".new");
             std::filesystem::rename(p + ".new", p);
         },
         "The QEL file \"" + path + replaced},
    };
    ASSERT_EQ(start(), 0);
    const std::string made = folder.path("every.qel");
    writeEveryKind(folder, made);
    for (const auto& fault : faults) {
        for (const auto& tab : tabs) {
            SCOPED_TRACE(std::string(fault.label) + ", " + tab.tab);
            FileFaults::Scope planned;
            std::filesystem::remove(path);
            std::filesystem::copy_file(made, path);
            if (fault.full)
                fill(path);
            TS::pushFileAnswer(true, path.c_str());
            ASSERT_TRUE(TS::clickWidget(app.resources()->get(SR_MENU_PANEL), Menu::MB_LOAD));
            pass();
            ASSERT_TRUE(TS::clickWidget(app.resources()->get(SR_MENU_PANEL), tab.box));
            pass();
            Zelkoran::Panel* panel = tabPanel(tab.tab);
            ASSERT_NE(panel, nullptr);
            Zelkoran::WidgetList* list = panel->getList(BW_LIST);
            const SDL_Rect rect = list->getRect();
            TS::click(rect.x + 20, rect.y + list->getRowHeight() / 2 + 2);
            pass();
            ASSERT_STREQ(list->getSelectedText(), tab.item);
            TS::clearModalLog();
            // A full archive still takes a block saved again under its
            // name: the save under a new name needs a slot.
            if (fault.full)
                typeKeys(panel->getID(), BW_NAME, "copy", Commit::None);
            else
                fault.change(path);

            TS::pushAnswer(0);
            ASSERT_TRUE(TS::clickWidget(panel->getID(), BW_SAVE));
            pass();
            pass();
            const std::string text = fault.cause.empty() ? kNoRoom : std::string(tab.failure) + "\n" + fault.cause;
            EXPECT_EQ(takeBoxes(), std::vector<std::string>{std::string(tab.title) + "|" + text});

            TS::pushAnswer(Zelkoran::MBB_YES);
            ASSERT_TRUE(TS::clickWidget(app.resources()->get(SR_MENU_PANEL), Menu::MB_CLOSE));
            pass();
            TS::clearModalLog();
            TS::clearAnswers();
        }
    }
}

} // namespace
