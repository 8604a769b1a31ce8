// The VUQv1 import into an open archive: the summary and the blocks of a
// document of every kind, the warning of each bad element, the document
// faults, keys, full archives and hostile values.
#include "import/interchange/InterchangeFixture.h"
#include "support/LogCapture.h"
#include "import/interchange/XMLImport.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/TestSupport.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/XML.h>

#include <gtest/gtest.h>

#include <string>

namespace {

namespace TS = Zelkoran::TestSupport;
using Zelkoran::Archive;
using Zelkoran::Main;

class XMLImportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TS::clearAnswers();
        TS::clearModalLog();
        interchange::writeAssets(folder);
    }
    void TearDown() override
    {
        Main::instance()->archiveMgr()->closeAll();
        TS::clearAnswers();
    }

    int makeArchive(int limit = 0)
    {
        archiveId = Main::instance()->archiveMgr()->create(folder.path("out.qel").c_str(), limit);
        return archiveId;
    }
    Archive& archive() { return *Main::instance()->archiveMgr()->get(archiveId); }

    // Imports text into the archive (made on first use); the box shown last
    // goes to box, the log to warnings.
    int run(const std::string& text, const std::string& key = "")
    {
        if (archiveId == 0)
            makeArchive();
        Zelkoran::XMLMgr* docs = Main::instance()->xmlMgr();
        const int doc = docs->loadFromBuffer(text.data(), text.size(), "doc");
        EXPECT_GT(doc, 0);
        TS::pushAnswer(1);
        LogCapture capture(folder.path("import.log"));
        const int rc = XML2QEL(*docs->get(doc), archiveId, "Import", key.empty() ? nullptr : key.data(),
                               static_cast<uint32_t>(key.size()));
        warnings = capture.text();
        docs->close(doc);
        box = TS::modalLog().empty() ? "" : TS::modalLog().back().text.c_str();
        return rc;
    }

    bool hasBlock(const char* name, const char* type) { return archive().blockSearch(Archive::Block(name, type)) >= 0; }

    TestFolder folder;
    int archiveId = 0;
    std::string box, warnings;
};

TEST_F(XMLImportTest, EveryKindIsImportedWithTheExactSummary)
{
    ASSERT_EQ(run(interchange::document(folder, interchange::kEveryKind, 14)), 0);

    EXPECT_EQ(box, "VUQv1\nImported / Total - 13 / 14\nImages (Errors) - 1 (0)\nTiles (Errors) - 1 (0)\n"
                   "Fonts (Errors) - 1 (0)\nSprites (Errors) - 1 (0)\nMusic (Errors) - 1 (0)\n"
                   "Sounds (Errors) - 1 (0)\nFiles (Errors) - 2 (0)\nWidgets - 2");
    EXPECT_EQ(TS::modalLog().back().type, Zelkoran::MBT_INFORMATION);
    EXPECT_EQ(warnings.find("[XML2QEL]"), std::string::npos) << warnings;
    const std::map<std::string, int> expected = {{"ZK7_AUDIOTRACK", 2}, {"ZK7_FILE", 2},   {"ZK7_FONT", 1},
                                                 {"ZK7_GUIPANEL", 1},   {"ZK7_IMAGE", 7},  {"ZK7_SPRITE", 1},
                                                 {"ZK7_TILE", 1}};
    EXPECT_EQ(interchange::blockTypes(archive()), expected);

    // The sprite keeps its animations, the panel its slider and skins.
    Zelkoran::SpriteMgr* sprites = Main::instance()->spriteMgr();
    const int sprite = sprites->load(archiveId, "walker");
    ASSERT_GT(sprite, 0);
    int type = 0, first = 0, last = 0;
    uint16_t ms = 0;
    sprites->get(sprite)->getAnimTypeIndex(2, &type);
    sprites->get(sprite)->getFrameTimeIndex(0, 1, &ms);
    sprites->get(sprite)->getAnimRangeIndex(1, &first, &last);
    EXPECT_EQ(type, Zelkoran::SPR_ONESHOT);
    EXPECT_EQ(ms, 120);
    EXPECT_EQ(last, 1);
    sprites->close(sprite);

    Zelkoran::GUIMgr* gui = Main::instance()->guiMgr();
    const int panel = gui->load(archiveId, "hud");
    ASSERT_GT(panel, 0);
    Zelkoran::WidgetSlider* slider = gui->getPanel(panel)->getSlider(2);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->getMax(), 9);
    EXPECT_GT(slider->getBackgroundImage(Zelkoran::WS_ACTION), 0);
    EXPECT_EQ(gui->getPanel(panel)->baseWidget()->getAlphaMod(), 255);
    EXPECT_GT(gui->getPanel(panel)->getButton(1)->getBackgroundImage(Zelkoran::WS_HOVERED), 0);
    gui->close(panel);
}

TEST_F(XMLImportTest, DocumentFaultsStopBeforeAnythingIsWritten)
{
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"<VUX version=\"v1\"/>", "Error parsing the XML, is it a VUQ file?"},
        {"<VUQ totalblocks=\"3\"><file name=\"a\" storemethod=\"raw\" source=\"x\"/></VUQ>",
         "Only VUQv1 format is supported."},
        {"<VUQ version=\"V1\"/>", "Only VUQv1 format is supported."},
        {"<VUQ version=\"v2\"><file name=\"a\" storemethod=\"raw\" source=\"x\"/></VUQ>",
         "Only VUQv1 format is supported."},
        {"<VUQ version=\"v1 \"/>", "Only VUQv1 format is supported."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.text), -1) << c.text;
        EXPECT_EQ(box, c.error) << c.text;
        EXPECT_EQ(TS::modalLog().back().type, Zelkoran::MBT_ERROR);
        EXPECT_EQ(archive().getIndexCount(), 0);
    }
    archiveId = 999;
    EXPECT_EQ(run("<VUQ version=\"v1\"/>"), -1);
    EXPECT_EQ(box, "Error importing XML resources, QEL archive is not available.");
}

TEST_F(XMLImportTest, AnEmptyDocumentSumsUpToZero)
{
    ASSERT_EQ(run("<VUQ version=\"v1\"/>"), 0);
    EXPECT_EQ(box.substr(0, 31), "VUQv1\nImported / Total - 0 / 0\n");
    ASSERT_EQ(run("<VUQ version=\"v1\" totalblocks=\"5\"><Image name=\"a\"/><images/></VUQ>"), 0);
    EXPECT_EQ(box, "VUQv1\nImported / Total - 0 / 5\nImages (Errors) - 0 (0)\nTiles (Errors) - 0 (0)\n"
                   "Fonts (Errors) - 0 (0)\nSprites (Errors) - 0 (0)\nMusic (Errors) - 0 (0)\n"
                   "Sounds (Errors) - 0 (0)\nFiles (Errors) - 0 (0)\nWidgets - 0");
    EXPECT_EQ(warnings.find("[XML2QEL]"), std::string::npos);
}

// Each bad element is skipped with its warnings; the element after it is
// imported all the same.
TEST_F(XMLImportTest, EachBadElementIsWarnedAboutAndSkipped)
{
    const std::string huge(100000, 'n');
    const std::string anim = R"(<animation id="0" type="2" status="0" hotx="0" hoty="0" starframe="0" endframe="1" )";
    const std::string twoMore = R"(<animation id="1" type="2" status="0" frames="0" hotx="0" hoty="0" starframe="0" endframe="0"/>)"
                                R"(<animation id="2" type="2" status="0" frames="0" hotx="0" hoty="0" starframe="0" endframe="0"/>)";
    const std::string sprite = R"(<sprite name="w" source="@/sheet.png" alphablending="none" xoffset="32" yoffset="32">)";
    const std::string panel = R"(<guipanel name="p" xposition="0" yposition="0" width="9" height="9" alphamod="1">)";
    const std::string widget = R"(<widget name="b" type="button" id="1" xposition="0" yposition="0" key="0" selectboxRGB="0" value="0" range="0">)";
    struct Case {
        std::string body;
        const char* line;    // summary line
        const char* warning; // logged, in this order when two
        const char* second = "";
    } cases[] = {
        {R"(<image source="@/pic.png" alphablending="none"/>)", "Images (Errors) - 0 (1)",
         "could not import 'no name attribute' image.\n"},
        {R"(<image name="i" source="@/missing.png" alphablending="none"/>)", "Images (Errors) - 0 (1)",
         "could not import 'i' image.\n"},
        {R"(<image name="i" source="@/../../../etc/passwd" alphablending="none"/>)", "Images (Errors) - 0 (1)",
         "could not import 'i' image.\n"},
        {"<image name=\"" + huge + R"(" source="@/pic.png" alphablending="none"/>)", "Images (Errors) - 0 (1)",
         "Warning: could not import 'nnnn"},
        {R"(<image name="i" source="@/pic.png" alphablending="per-surface" colorkey="-1"/>)",
         "Images (Errors) - 0 (1)", "could not import 'i' image.\n"},
        {R"(<tile name="t" source="@/pic.png" alphablending="none" xoffset="0"/>)", "Tiles (Errors) - 0 (1)",
         "could not import 't' tile.\n"},
        {R"(<font name="f" source="@/font.png" alphablending="none"/>)", "Fonts (Errors) - 0 (1)",
         "could not import 'f' font.\n"},
        {R"(<font name="f" source="@/pic.png" alphablending="none" kerning="0"/>)", "Fonts (Errors) - 0 (1)",
         "could not import 'f' font.\n"},
        {R"(<font name="f" source="@/font.png" alphablending="none" kerning="100000"/>)", "Fonts (Errors) - 0 (1)",
         "kerning 100000 is out of range (-256..256).\n", "could not import 'f' font.\n"},
        {R"(<font name="f" source="@/font.png" alphablending="none" kerning="-257"/>)", "Fonts (Errors) - 0 (1)",
         "kerning -257 is out of range (-256..256).\n", "could not import 'f' font.\n"},
        {R"(<sprite name="w" source="@/sheet.png" alphablending="none" xoffset="32" yoffset="0"/>)",
         "Sprites (Errors) - 0 (1)", "could not import 'w' sprite.\n"},
        {sprite + anim + R"(frames="0"/>)" + twoMore + anim + R"(frames="0"/></sprite>)", "Sprites (Errors) - 0 (1)",
         "parsed '4' animations from a total of '3'.  [XML2QEL]", "could not import 'w' sprite.\n"},
        {sprite + R"(<animation id="3" type="2" status="0" frames="0" hotx="0" hoty="0" starframe="0" endframe="0"/></sprite>)",
         "Sprites (Errors) - 0 (1)", "idAnim '3' is out of range [0,2].\n"},
        {sprite + R"(<animation id="0" type="6" status="0" frames="0" hotx="0" hoty="0" starframe="0" endframe="0"/></sprite>)",
         "Sprites (Errors) - 0 (1)", "type '3' is unknown.\n"},
        {sprite + R"(<anim/></sprite>)", "Sprites (Errors) - 0 (1)", "no 'animation' tag found.\n"},
        {sprite + anim + R"(frames="3"><frame id="0" ms="1"/><frame id="1" ms="1"/></animation></sprite>)",
         "Sprites (Errors) - 0 (1)", "idAnim '0': parsed '2' frames from a total of '3'.  [XML2QEL]"},
        {sprite + anim + R"(frames="3"><frame id="3" ms="1"/></animation></sprite>)", "Sprites (Errors) - 0 (1)",
         "idAnim '0': idFrame '3' is out of range [0,2].  [XML2QEL]"},
        {sprite + anim + R"(frames="1"><frame id="0"/></animation></sprite>)", "Sprites (Errors) - 0 (1)",
         "idAnim '0': no 'ms' frame attribute found.\n"},
        {sprite + anim + R"(frames="1"><frame ms="1"/></animation></sprite>)", "Sprites (Errors) - 0 (1)",
         "idAnim '0': no 'id' frame attribute found.\n"},
        {sprite + anim + R"(frames="1"><step/></animation></sprite>)", "Sprites (Errors) - 0 (1)",
         "no 'frame' tag found.\n"},
        {R"(<music name="m" source="@/missing.ogg"/>)", "Music (Errors) - 0 (1)", "could not import 'm' music.\n"},
        {R"(<sound name="s" source="@/notes.txt"/>)", "Sounds (Errors) - 0 (1)", "could not import 's' sound.\n"},
        {R"(<file name="f" storemethod="RAW" source="@/notes.txt"/>)", "Files (Errors) - 1 (1)",
         "could not import 'f' file.\n"},
        {R"(<file name="f" storemethod="raw" source="@/empty.txt"/>)", "Files (Errors) - 1 (1)",
         "could not import 'f' file.\n"},
        {R"(<file name="f" storemethod="crypted" source="@/notes.txt"/>)", "Files (Errors) - 1 (1)",
         "could not import 'f' file.\n"},
        {panel + R"(<button/></guipanel>)", "Widgets - 1", "no 'widget' tag found.\n",
         "could not import 'p/' panel/widget.\n"},
        {panel + R"(<widget name="l" type="label" id="1" xposition="0" yposition="0" key="0" selectboxRGB="0" value="0"/></guipanel>)",
         "Widgets - 1", "could not import 'p/l' panel/widget.\n"},
        {panel + R"(<widget name="x" type="dial" id="1" xposition="0" yposition="0" key="0" selectboxRGB="0" value="0" range="0"/></guipanel>)",
         "Widgets - 1", "could not import 'p/x' panel/widget.\n"},
        {panel + widget + R"(<image state="focus" source="@/pic.png" alphablending="none"/></widget></guipanel>)",
         "Widgets - 1", "'state' attribute value is not supported('focus').\n", "could not import 'p/b' panel/widget.\n"},
        {panel + widget + R"(<image source="@/pic.png" alphablending="none"/></widget></guipanel>)", "Widgets - 1",
         "no 'state' attribute found.\n"},
        {panel + widget + R"(<sprite state="normal"/></widget></guipanel>)", "Widgets - 1",
         "'sprite' tag is not supported yet.\n"},
        {panel + widget + R"(<skin/></widget></guipanel>)", "Widgets - 1", "neither 'image' nor 'sprite' tags found.\n"},
    };
    for (const Case& c : cases) {
        archiveId = 0;
        const std::string after = R"(<file name="after" storemethod="raw" source="@/notes.txt"/>)";
        ASSERT_EQ(run(interchange::document(folder, c.body + after)), 0) << c.body.substr(0, 200);
        EXPECT_NE(box.find(c.line), std::string::npos) << box << "\n" << c.body.substr(0, 200);
        const size_t at = warnings.find(c.warning);
        EXPECT_NE(at, std::string::npos) << warnings << "\n" << c.body.substr(0, 200);
        EXPECT_NE(warnings.find(c.second, at), std::string::npos) << warnings;
        EXPECT_TRUE(hasBlock("after", "ZK7_FILE")) << c.body.substr(0, 200);
        EXPECT_FALSE(hasBlock("p", "ZK7_GUIPANEL"));
        Main::instance()->archiveMgr()->closeAll();
    }
}

// A file's name longer than a block name is cut between characters, never
// inside one.
TEST_F(XMLImportTest, ALongFileNameIsCutToWholeCharacters)
{
    std::string accented; // 70 bytes, two for each letter
    for (int i = 0; i < 35; ++i)
        accented += "\xc3\xa9";
    const struct {
        std::string name, stored;
    } cases[] = {{std::string(70, 'n'), std::string(63, 'n')}, {accented, accented.substr(0, 62)}};
    for (const auto& c : cases) {
        archiveId = 0;
        const std::string body = R"(<file name=")" + c.name + R"(" storemethod="raw" source="@/notes.txt"/>)";
        ASSERT_EQ(run(interchange::document(folder, body)), 0);
        EXPECT_NE(box.find("Files (Errors) - 1 (0)"), std::string::npos) << box;
        EXPECT_TRUE(hasBlock(c.stored.c_str(), "ZK7_FILE")) << c.stored;
        Main::instance()->archiveMgr()->closeAll();
    }
}

TEST_F(XMLImportTest, CryptedFilesNeedTheKeyEachTime)
{
    const std::string body = R"(<file name="a" storemethod="crypted" source="@/notes.txt"/>
                                <file name="b" storemethod="crypted" source="@/notes.txt"/>)";
    ASSERT_EQ(run(interchange::document(folder, body)), 0);
    EXPECT_NE(box.find("Files (Errors) - 0 (2)"), std::string::npos);

    Main::instance()->archiveMgr()->closeAll();
    archiveId = 0;
    ASSERT_EQ(run(interchange::document(folder, body), "secret"), 0);
    EXPECT_NE(box.find("Files (Errors) - 2 (0)"), std::string::npos);
    Main::instance()->archiveMgr()->closeAll();
    archiveId = Main::instance()->archiveMgr()->load(folder.path("out.qel").c_str(), "secret", 6);
    Archive::Block block("b", "ZK7_FILE");
    ASSERT_EQ(archive().setKey("secret", 6), 0);
    ASSERT_EQ(archive().blockLoad(block), 0);
    EXPECT_EQ(block.storage, Archive::ST_ENCRYPTED);
    EXPECT_EQ(std::string(static_cast<const char*>(block.data), block.size), "hi\n");
    archive().blockFree(block);
}

TEST_F(XMLImportTest, AFullArchiveHasItsOwnFileWarning)
{
    makeArchive(1);
    ASSERT_EQ(run(interchange::document(folder, R"(<file name="a" storemethod="raw" source="@/notes.txt"/>
        <file name="b" storemethod="raw" source="@/notes.txt"/><file name="c" source="@/notes.txt"/>)")), 0);
    EXPECT_NE(box.find("Files (Errors) - 1 (2)"), std::string::npos);
    EXPECT_NE(warnings.find("could not import 'b' file because the QEL has no free block slots left.\n"),
              std::string::npos);
    EXPECT_NE(warnings.find("could not import 'c' file.\n"), std::string::npos);
    EXPECT_EQ(warnings.find("'b' file.\n"), std::string::npos);
}

TEST_F(XMLImportTest, PanelAlphaIsKeptWithinItsRange)
{
    const struct {
        const char* alpha;
        int stored;
    } cases[] = {{"256", 255}, {"128", 128}, {"0", 255}};
    for (const auto& c : cases) {
        archiveId = 0;
        ASSERT_EQ(run(interchange::document(folder, std::string("<guipanel name=\"p\" xposition=\"0\" yposition=\"0\" "
                                                                 "width=\"9\" height=\"9\" alphamod=\"")
                                                         + c.alpha + "\"/>")),
                  0);
        Zelkoran::GUIMgr* gui = Main::instance()->guiMgr();
        const int panel = gui->load(archiveId, "p");
        ASSERT_GT(panel, 0) << c.alpha;
        EXPECT_EQ(gui->getPanel(panel)->baseWidget()->getAlphaMod(), c.stored) << c.alpha;
        gui->close(panel);
        Main::instance()->archiveMgr()->closeAll();
    }
}

TEST_F(XMLImportTest, PanelPicturesNeverMeetOtherBlocksAndAFailedPanelLeavesNone)
{
    makeArchive(16);
    Zelkoran::ImageMgr* images = Main::instance()->imageMgr();
    // The user's own images under the names older imports and this one use.
    for (const char* name : {"ok_normal", "#a/ok_normal"}) {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 5, 5, 32, SDL_PIXELFORMAT_ARGB8888);
        const int img = images->loadFromSurface(s, name);
        SDL_FreeSurface(s);
        ASSERT_EQ(images->get(img)->save(archiveId, ""), 0);
        images->close(img);
    }
    const auto panel = [](const char* name, const char* picture) {
        return std::string("<guipanel name=\"") + name
             + R"(" xposition="0" yposition="0" width="99" height="99" alphamod="1">
                 <widget name="ok" type="button" id="1" xposition="0" yposition="0" key="0" selectboxRGB="0" value="0" range="0">
                 <image state="normal" source="@/)" + picture + R"(" alphablending="none"/></widget></guipanel>)";
    };
    ASSERT_EQ(run(interchange::document(folder, panel("a", "pic.png") + panel("b", "sheet.png"))), 0);
    Zelkoran::GUIMgr* gui = Main::instance()->guiMgr();
    const struct {
        const char* panel;
        int width;
    } panels[] = {{"a", 32}, {"b", 64}};
    for (const auto& p : panels) {
        const int id = gui->load(archiveId, p.panel);
        ASSERT_GT(id, 0) << p.panel;
        const Zelkoran::Image* picture = images->get(gui->getPanel(id)->getButton(1)->getBackgroundImage(0));
        ASSERT_NE(picture, nullptr) << p.panel;
        EXPECT_EQ(picture->getWidth(), p.width) << p.panel;
        EXPECT_EQ(picture->getName()[0], '#') << "hidden from the image lists";
        gui->close(id);
    }
    for (const char* name : {"ok_normal", "#a/ok_normal"}) {
        const int img = images->load(archiveId, name);
        ASSERT_GT(img, 0) << name;
        EXPECT_EQ(images->get(img)->getWidth(), 5) << name << " is the user's still";
        images->close(img);
    }

    // Room for the picture but not for the panel: the picture goes again.
    const int live = archive().getBlockCount();
    std::string fill;
    for (int i = live + 1; i < archive().getBlockLimit(); ++i)
        fill += "<file name=\"f" + std::to_string(i) + R"(" storemethod="raw" source="@/notes.txt"/>)";
    ASSERT_EQ(run(interchange::document(folder, fill + panel("c", "pic.png"))), 0);
    EXPECT_NE(warnings.find("could not import 'c/ok' panel/widget"), std::string::npos) << warnings;
    EXPECT_EQ(archive().getBlockCount(), archive().getBlockLimit() - 1);
    EXPECT_EQ(interchange::blockTypes(archive()).at("ZK7_IMAGE"), 4);
}

} // namespace
