// The scene tab as a user drives it: a map and its tile set chosen, their
// text typed into, saved in each storage mode, the archive opened again.
#include "tabs/SceneTabFixture.h"
#include "tabs/base/BasePanel.h"

#include <Zelkoran/Internal.h>

#include <filesystem>

namespace {

using namespace Zelkoran;
namespace TS = editortest::TS;

std::string sizeLabel(const char* prefix, uint64_t bytes)
{
    char text[64] = {};
    Internal::getHumanReadableSize(bytes, text, sizeof(text), 1);
    return std::string(prefix) + text;
}

class SceneTabEndToEndTest : public SceneTabTest {
protected:
    // Clicks into the text box, types at its very end and clicks the name
    // field, which commits the edit.
    void typeAtEnd(const char* typed)
    {
        click(SW_TEXT);
        TS::key(SDLK_END, KMOD_CTRL);
        TS::typeText(typed);
        deliver();
        click(BW_NAME);
    }
    // Drags the previewed map 10 pixels to the right with the mouse.
    void dragViewport()
    {
        SDL_Rect viewport{};
        ASSERT_TRUE(scene()->getViewport(viewport));
        TS::mouseDown(viewport.x + 10, viewport.y + 10);
        TS::mouseMove(viewport.x + 20, viewport.y + 10);
        TS::mouseUp(viewport.x + 20, viewport.y + 10);
        deliver();
    }
    void saveWith(int storageBox)
    {
        click(storageBox);
        TS::pushAnswer(0); // the timed "TileMap saved." notice
        EXPECT_EQ(click(BW_SAVE), 0);
        EXPECT_EQ(TS::modalLog().back().text, "TileMap saved.");
        EXPECT_FALSE(tab->isDirty());
    }
};

TEST_F(SceneTabEndToEndTest, EditedTextIsSavedInEveryStorageModeAndReadBack)
{
    openLevel();
    rememberKey("secret");
    makeTab();

    // The tile set: the typed text is stored byte for byte.
    ASSERT_EQ(choose("tiles.tsx"), 0);
    typeAtEnd("<!-- edited -->");
    EXPECT_TRUE(tab->isDirty());
    std::string tileSet = scenetest::kTileSet;
    tileSet.insert(tileSet.size() - 1, "<!-- edited -->");
    saveWith(SW_RAW);
    EXPECT_EQ(stored("tiles.tsx"), tileSet);

    // The map: the typed text becomes the scene, which Save stores as the
    // engine writes it; later saves keep those bytes in each mode.
    ASSERT_EQ(choose("level.tmx"), 0);
    EXPECT_EQ(label(SW_TYPE), "Tiled Map");
    typeAtEnd("<!-- edited -->");
    EXPECT_TRUE(tab->sceneChanged());
    std::string first;
    const struct {
        int box;
        uint32_t storage;
        std::vector<bool> boxes;
    } modes[] = {
        {SW_COMPRESSED, Archive::ST_COMPRESSED, {false, true, false}},
        {SW_RAW, Archive::ST_RAW, {true, false, false}},
        {SW_CRYPTED, Archive::ST_ENCRYPTED, {false, false, true}},
    };
    for (const auto& m : modes) {
        SCOPED_TRACE(m.box);
        saveWith(m.box);
        uint32_t storage = 0;
        const std::string bytes = stored("level.tmx", &storage);
        EXPECT_EQ(storage, m.storage);
        EXPECT_EQ(storageBoxes(), m.boxes);
        EXPECT_NE(bytes.find(SceneBlockKind::kSceneMarker), std::string::npos);
        if (first.empty())
            first = bytes;
        EXPECT_EQ(bytes, first);
        EXPECT_EQ(label(SW_SIZE), sizeLabel("Size: ", bytes.size()));
        EXPECT_EQ(label(SW_BLOCKSIZE), sizeLabel("QEL Blocksize: ", tab->blockRecord().storedSize));
        EXPECT_GT(tab->blockRecord().storedSize, 0u);
    }
    EXPECT_TRUE(status->bSecured);

    // Opened again: the map is the engine's own, encrypted, with its layers.
    // (as the menu does: every tab reset, then the lists rebuilt)
    EXPECT_EQ(tab->resetWidgets(), 0);
    ASSERT_EQ(Main::instance()->archiveMgr()->close(status->iArchiveID), 0);
    editortest::openAsEditorArchive(*status, folder.path("tab.qel"));
    ASSERT_EQ(archive()->setKey("secret", 6), 0);
    tab->parseQEL();
    EXPECT_EQ(editortest::listItems(list), (std::vector<std::string>{"level.tmx", "tiles.tsx"}));
    ASSERT_EQ(choose("level.tmx"), 0);
    EXPECT_EQ(label(SW_TYPE), "ZK7SCENE");
    EXPECT_EQ(label(SW_SIZE), sizeLabel("Size: ", first.size()));
    EXPECT_EQ(storageBoxes(), (std::vector<bool>{false, false, true}));
    EXPECT_EQ(editortest::listItems(layers), (std::vector<std::string>{"Ground", "Layer 2", "Things"}));
    ASSERT_EQ(choose("tiles.tsx"), 0);
    EXPECT_EQ(label(SW_TYPE), "Tiled TileSet");
    EXPECT_EQ(storageBoxes(), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(text->getLine(text->getLineCount()), "</tileset><!-- edited -->");
}

TEST_F(SceneTabEndToEndTest, ADragAndAHiddenLayerSurviveALaterTextEditAndItsComment)
{
    openLevel();
    makeTab();
    ASSERT_EQ(choose("level.tmx"), 0);
    click(SW_RENDER);
    ASSERT_TRUE(tab->previewOn());
    SDL_Rect viewport{};
    ASSERT_TRUE(scene()->getViewport(viewport));
    const int x = viewport.x + 10, y = viewport.y + 10;
    TS::mouseDown(x, y);
    TS::mouseMove(x + 10, y + 5);
    TS::mouseUp(x + 10, y + 5);
    deliver();
    float px = 0, py = 0;
    ASSERT_EQ(scene()->getLayerPosition(1, px, py), 0);
    EXPECT_EQ(std::pair(px, py), std::pair(-10.0f, -5.0f)) << "dragged";
    chooseLayer(2);
    click(SW_SHOW_LAYER);
    EXPECT_EQ(scene()->getLayerFeatures(2) & SLF_SHOWN, 0u);
    click(SW_RENDER); // back to the text
    ASSERT_FALSE(tab->previewOn());
    typeAtEnd("<!-- note -->");
    saveWith(SW_COMPRESSED);

    EXPECT_EQ(tab->resetWidgets(), 0);
    ASSERT_EQ(Main::instance()->archiveMgr()->close(status->iArchiveID), 0);
    editortest::openAsEditorArchive(*status, folder.path("tab.qel"));
    tab->parseQEL();
    ASSERT_EQ(choose("level.tmx"), 0);
    ASSERT_NE(scene(), nullptr);
    ASSERT_EQ(scene()->getLayerPosition(1, px, py), 0);
    EXPECT_EQ(std::pair(px, py), std::pair(-10.0f, -5.0f));
    EXPECT_EQ(scene()->getLayerFeatures(2) & SLF_SHOWN, 0u);
    EXPECT_NE(stored("level.tmx").find("<!-- note -->"), std::string::npos) << stored("level.tmx");
}

TEST_F(SceneTabEndToEndTest, TextThatIsNoSceneIsSavedAsTypedWithOrWithoutALayerEditBefore)
{
    openLevel();
    makeTab();
    const struct {
        const char* edit;
        bool drag;
        bool hide;
    } cases[] = {{"none", false, false}, {"drag", true, false}, {"hide", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edit);
        put("level.tmx", scenetest::levelMap());
        ASSERT_EQ(choose("tiles.tsx"), 0);
        ASSERT_EQ(choose("level.tmx"), 0);
        click(SW_RENDER);
        ASSERT_TRUE(tab->previewOn());
        if (c.drag) {
            dragViewport();
        }
        if (c.hide) {
            chooseLayer(2);
            click(SW_SHOW_LAYER);
        }
        click(SW_RENDER);
        const std::string before = text->getText().c_str();
        TS::pushAnswer(0); // the timed warning: the text is no scene
        typeAtEnd("<oops");
        EXPECT_EQ(TS::modalLog().back().text, "XML was modified but could not be reloaded as a Scene.");
        TS::pushAnswer(0); // the timed "TileMap saved." notice
        EXPECT_EQ(click(BW_SAVE), 0);
        EXPECT_EQ(TS::modalLog().back().text, "TileMap saved.");
        const std::string typed = text->getText().c_str();
        EXPECT_EQ(typed, before + "<oops");
        EXPECT_EQ(stored("level.tmx"), typed + "\n");
        EXPECT_FALSE(tab->isDirty());
    }
}

TEST_F(SceneTabEndToEndTest, ALayerEditThatReplacesTextTypedInTheBoxSaysSo)
{
    openLevel();
    makeTab();
    for (const bool drag : {true, false}) {
        SCOPED_TRACE(drag ? "drag" : "hide");
        put("level.tmx", scenetest::levelMap());
        ASSERT_EQ(choose("tiles.tsx"), 0);
        ASSERT_EQ(choose("level.tmx"), 0);
        TS::pushAnswer(0); // the timed warning: the text is no scene
        typeAtEnd("<oops");
        click(SW_RENDER);
        TS::pushAnswer(MBB_OK);
        if (drag) {
            dragViewport();
        } else {
            chooseLayer(2);
            click(SW_SHOW_LAYER);
        }
        EXPECT_EQ(TS::modalLog().back().text, "The text typed in the box could not be read as a Scene.\nIt was "
                                              "replaced by the Scene's text, which now holds this layer change.");
        const std::string shown = text->getText().c_str();
        EXPECT_EQ(shown.find("<oops"), std::string::npos);
        EXPECT_NE(shown.find(drag ? "offsetx=\"-10\"" : "visible=\"0\""), std::string::npos) << shown;
        click(SW_RENDER);
    }
}

TEST_F(SceneTabEndToEndTest, ANameTypedWithFolderStepsIsExportedAsAVisibleFileOfTheFolder)
{
    openLevel();
    makeTab();
    ASSERT_EQ(choose("level.tmx"), 0);
    click(BW_NAME);
    TS::key(SDLK_a, KMOD_CTRL);
    for (const char ch : std::string("../../level.tmx")) {
        TS::typeText(std::string(1, ch).c_str());
        deliver();
    }
    saveWith(SW_RAW);
    ASSERT_STREQ(list->getSelectedText(), "../../level.tmx");
    TS::pushAnswer(8); // TMX only
    TS::pushAnswer(MBB_OK);
    click(SW_EXPORT);
    EXPECT_EQ(std::string(TS::modalLog().back().text), "TileMap exported to \"" + folder.path("level.tmx") + "\": Ok");
    for (const auto& entry : std::filesystem::directory_iterator(folder.path("")))
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
    TS::clearModalLog();
}

} // namespace
