#include "tabs/SceneTabFixture.h"
#include "tabs/base/BasePanel.h"

#include "tabs/base/TabControls.h"

#include <Zelkoran/Screen.h>
#include <Zelkoran/Widget.h>

#include <SDL_events.h>

namespace {

using editortest::listItems;
using namespace Zelkoran;
namespace TS = editortest::TS;

SDL_Event mouse(uint32_t type, int x, int y, uint8_t button = SDL_BUTTON_LEFT)
{
    SDL_Event e{};
    e.type = type;
    if (type == SDL_MOUSEMOTION) {
        e.motion.x = x;
        e.motion.y = y;
    } else {
        e.button.x = x;
        e.button.y = y;
        e.button.button = button;
    }
    return e;
}

TEST_F(SceneTabTest, ListsTiledDocumentsAndStartsWithNothingUsable)
{
    openArchive({{"a.tmx", "ZK7_XML"},
                 {"b.TSX", "ZK7_XML"},
                 {"c.Tx", "ZK7_XML"},
                 {"#hidden.tmx", "ZK7_XML"},
                 {"notes.xml", "ZK7_XML"},
                 {"map.tmx.bak", "ZK7_XML"},
                 {"tmx", "ZK7_XML"},
                 {"map.tmxx", "ZK7_XML"},
                 {"gone.tmx", "ZK7_XML", true},
                 {"other.tmx", "ZK7_FILE"}});
    makeTab();
    EXPECT_EQ(listItems(list), (std::vector<std::string>{"a.tmx", "b.TSX", "c.Tx"}));
    EXPECT_EQ(lastResult, 4);
    EXPECT_EQ(label(SW_TYPE), "No file");
    EXPECT_EQ(label(SW_SIZE), "Size: 0 B");
    EXPECT_EQ(label(SW_BLOCKSIZE), "QEL Blocksize: 0 B");
    EXPECT_EQ(storageBoxes(), (std::vector<bool>{false, true, false}));
    EXPECT_TRUE(enabled(SW_IMPORT));
    for (int id : SceneTabWidgets::kDecided)
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_TRUE(checked(SW_BG_BLOCKY));
    EXPECT_STREQ(panel->getWidgetByID(SW_TEXT)->getName(), "ASCIIBox");
}

TEST_F(SceneTabTest, ASelectedBlockIsLabelledByKindAndMapsBecomeScenes)
{
    openLevel();
    put("engine.tmx", scenetest::levelMap() + "<!-- " + std::string(SceneBlockKind::kSceneMarker) + " -->\n");
    put("broken.TMX", "<map width=\"4\"");
    put("door.tx", "<template><object/></template>");
    put("raw.tsx", std::string("<tileset>\x01</tileset>"), 1);
    makeTab();
    const struct {
        const char* block;
        const char* type;
        bool scene, text;
        std::vector<bool> storage;
    } cases[] = {
        {"level.tmx", "Tiled Map", true, true, {false, true, false}},
        {"engine.tmx", "ZK7SCENE", true, true, {false, true, false}},
        {"broken.TMX", "Tiled Map", false, true, {false, true, false}},
        {"tiles.tsx", "Tiled TileSet", false, true, {false, true, false}},
        {"door.tx", "Tiled Template", false, true, {false, true, false}},
        {"raw.tsx", "Tiled TileSet", false, false, {true, false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.block);
        EXPECT_EQ(choose(c.block), 0);
        EXPECT_EQ(label(SW_TYPE), c.type);
        EXPECT_EQ(label(SW_SIZE), "Size: " + std::to_string(stored(c.block).size()) + " B");
        EXPECT_NE(label(SW_BLOCKSIZE), "QEL Blocksize: 0 B");
        EXPECT_EQ(tab->sceneID() > 0, c.scene);
        EXPECT_EQ(enabled(SW_TEXT), c.text);
        EXPECT_EQ(enabled(SW_RENDER), std::string(c.type).find("Map") != std::string::npos || c.scene);
        EXPECT_EQ(enabled(SW_LAYERS), c.scene);
        EXPECT_EQ(storageBoxes(), c.storage);
        EXPECT_FALSE(tab->isDirty());
    }
    EXPECT_EQ(choose("level.tmx"), 0);
    EXPECT_EQ(listItems(layers), (std::vector<std::string>{"Ground", "Layer 2", "Things"}));
    EXPECT_EQ(layers->getSelectedIndex(), 1);
    EXPECT_TRUE(checked(SW_SHOW_LAYER));
    // The same row again loads nothing.
    const int id = tab->sceneID();
    EXPECT_EQ(choose("level.tmx"), 0);
    EXPECT_EQ(tab->sceneID(), id);
}

TEST_F(SceneTabTest, AFailedLoadShowsNothingAndCanBeRetried)
{
    const std::string path = folder.path("locked.qel");
    {
        ArchiveMgr* archives = Main::instance()->archiveMgr();
        const int id = archives->create(path.c_str(), 8);
        Archive* locked = archives->get(id);
        ASSERT_EQ(locked->setKey("key", 3), 0);
        std::string bytes = scenetest::levelMap();
        for (const char* blockName : {"secret.tmx", "plain.tsx"}) {
            Archive::Block block(blockName, "ZK7_XML");
            block.storage = blockName[0] == 's' ? Archive::ST_ENCRYPTED : Archive::ST_RAW;
            block.data = bytes.data();
            block.size = bytes.size();
            ASSERT_EQ(locked->blockAdd(block), 0);
        }
        archives->close(id);
    }
    editortest::openAsEditorArchive(*status, path);
    makeTab();
    EXPECT_EQ(choose("plain.tsx"), 0);
    EXPECT_EQ(choose("secret.tmx"), -1);
    EXPECT_EQ(label(SW_TYPE), "No file");
    EXPECT_EQ(text->getText(), "");
    EXPECT_FALSE(enabled(BW_SAVE));
    ASSERT_EQ(archive()->setKey("key", 3), 0);
    EXPECT_EQ(choose("secret.tmx"), 0); // the same row again tries again
    EXPECT_EQ(label(SW_TYPE), "Tiled Map");
}

TEST_F(SceneTabTest, LayersAreShownHiddenAndRemovedThroughTheList)
{
    openLevel();
    makeTab();
    ASSERT_EQ(choose("level.tmx"), 0);
    chooseLayer(2);
    EXPECT_TRUE(enabled(SW_REMOVE_LAYER));
    EXPECT_EQ(click(SW_SHOW_LAYER), 0); // hides layer 2
    EXPECT_EQ(scene()->getLayerFeatures(2) & SLF_SHOWN, 0u);
    EXPECT_TRUE(tab->isDirty());
    EXPECT_TRUE(tab->sceneChanged());

    // A middle layer leaves its slot empty and the same row selected; the
    // text follows the scene at once.
    TS::pushAnswer(MBB_YES);
    EXPECT_EQ(click(SW_REMOVE_LAYER), 0);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Remove layer", "Remove layer \"Layer\"?", MBB_YESNO, MBT_QUESTION}}));
    EXPECT_EQ(listItems(layers), (std::vector<std::string>{"Ground", "[empty] Layer 2", "Things"}));
    EXPECT_EQ(layers->getSelectedIndex(), 2);
    EXPECT_FALSE(enabled(SW_REMOVE_LAYER));
    EXPECT_FALSE(enabled(SW_SHOW_LAYER));
    EXPECT_NE(text->getText().find(SceneBlockKind::kSceneMarker.data(), 0, SceneBlockKind::kSceneMarker.size()),
              std::string::npos);
    EXPECT_EQ(click(SW_SHOW_LAYER), 1); // disabled: no event, nothing changes

    // The last layer: trailing empty slots go, row 1 is selected.
    chooseLayer(3);
    TS::pushAnswer(MBB_NO);
    EXPECT_EQ(click(SW_REMOVE_LAYER), 0);
    EXPECT_EQ(scene()->getLayerCount(0), 3);
    TS::pushAnswer(MBB_YES);
    EXPECT_EQ(click(SW_REMOVE_LAYER), 0);
    takeBoxes();
    EXPECT_EQ(listItems(layers), (std::vector<std::string>{"Ground"}));
    EXPECT_EQ(layers->getSelectedIndex(), 1);

    // Saved, the scene is stored as the engine writes it and reloads alike.
    TS::pushAnswer(0);
    EXPECT_EQ(click(BW_SAVE), 0);
    EXPECT_FALSE(tab->isDirty());
    EXPECT_NE(stored("level.tmx").find(SceneBlockKind::kSceneMarker.data()), std::string::npos);
    EXPECT_EQ(label(SW_TYPE), "Tiled Map"); // the kind follows the next selection
    tab->onNew();
    EXPECT_EQ(choose("level.tmx"), 0);
    EXPECT_EQ(label(SW_TYPE), "ZK7SCENE");
    EXPECT_EQ(listItems(layers), (std::vector<std::string>{"Ground"}));
}

TEST_F(SceneTabTest, ThePreviewDrawsTheViewportOnItsBackgroundAndDragsTheLayer)
{
    openLevel();
    makeTab();
    ASSERT_EQ(choose("level.tmx"), 0);
    panel->getNumberEdit(SW_WIDTH)->setValue(32);
    tab->processEvent(SW_WIDTH, 32); // preview off: nothing follows
    EXPECT_FALSE(tab->isDirty());
    EXPECT_EQ(click(SW_RENDER), 0);
    click(SW_BG_BLACK);
    click(SW_BG_BLACK); // stays the one choice
    EXPECT_EQ((std::vector<bool>{checked(SW_BG_BLACK), checked(SW_BG_WHITE), checked(SW_BG_BLOCKY)}),
              (std::vector<bool>{true, false, false}));
    Screen* screen = Main::instance()->configMgr()->get(0);
    screen->setRenderCallback([this](int value) { return tab->render(value); });
    const auto pixel = [](SDL_Surface* frame, int x, int y) {
        return static_cast<const uint32_t*>(frame->pixels)[y * frame->pitch / 4 + x] & 0xFFFFFF;
    };
    // 64 x 48 centred in the 1200 x 960 area from (200, 40); tile 1 is red,
    // the cell (1, 1) of the upper layer blue.
    SDL_Rect viewport{};
    ASSERT_TRUE(scene()->getViewport(viewport));
    EXPECT_EQ((std::vector<int>{viewport.x, viewport.y, viewport.w, viewport.h}), (std::vector<int>{768, 496, 64, 48}));
    SDL_Surface* frame = TS::captureFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(pixel(frame, 770, 498), 0xFF0000u);
    EXPECT_EQ(pixel(frame, 768 + 20, 496 + 20), 0x0000FFu);
    EXPECT_EQ(pixel(frame, 700, 300), 0x000000u);
    SDL_FreeSurface(frame);

    // A custom size beyond the scene is cut to it; a smaller one clips the drawing.
    panel->getNumberEdit(SW_WIDTH)->setValue(800);
    EXPECT_EQ(click(SW_SET_VIEWPORT), 0);
    EXPECT_EQ(widgetInt(tab->tabServices().panel(), SW_WIDTH, 0, 8192, 1), 64);
    EXPECT_TRUE(tab->isDirty());
    panel->getNumberEdit(SW_WIDTH)->setValue(20);
    tab->processEvent(SW_WIDTH, 20);
    ASSERT_TRUE(scene()->getViewport(viewport));
    EXPECT_EQ((std::vector<int>{viewport.x, viewport.y, viewport.w, viewport.h}), (std::vector<int>{790, 496, 20, 48}));
    frame = TS::captureFrame();
    EXPECT_EQ(pixel(frame, 791, 498), 0xFF0000u);
    EXPECT_EQ(pixel(frame, 812, 498), 0x000000u);
    SDL_FreeSurface(frame);
    screen->setRenderCallback(nullptr);

    tab->setDirty(false);
    const int x = viewport.x + 10;
    const int y = viewport.y + 10;
    const struct {
        const char* what;
        std::vector<SDL_Event> events;
        float px, py;
        bool dirty;
    } drags[] = {
        {"right button",
         {mouse(SDL_MOUSEBUTTONDOWN, x, y, SDL_BUTTON_RIGHT), mouse(SDL_MOUSEMOTION, x + 9, y)},
         0,
         0,
         false},
        {"outside", {mouse(SDL_MOUSEBUTTONDOWN, 300, 300), mouse(SDL_MOUSEMOTION, 320, 300)}, 0, 0, false},
        {"no motion", {mouse(SDL_MOUSEBUTTONDOWN, x, y), mouse(SDL_MOUSEMOTION, x, y)}, 0, 0, false},
        {"drag", {mouse(SDL_MOUSEBUTTONDOWN, x, y), mouse(SDL_MOUSEMOTION, x + 10, y + 5)}, -10, -5, true},
    };
    for (const auto& d : drags) {
        SCOPED_TRACE(d.what);
        std::vector<SDL_Event> events = d.events;
        events.push_back(mouse(SDL_MOUSEBUTTONUP, 0, 0));
        for (SDL_Event& e : events)
            EXPECT_EQ(tab->handleMouseEvent(&e), 0);
        float px = 0;
        float py = 0;
        ASSERT_EQ(scene()->getLayerPosition(1, px, py), 0);
        EXPECT_EQ(px, d.px);
        EXPECT_EQ(py, d.py);
        EXPECT_EQ(tab->isDirty(), d.dirty);
    }
}

TEST_F(SceneTabTest, LeavingKeepsUnsavedWorkAndRestoresACleanPreview)
{
    openLevel();
    makeTab();
    ASSERT_EQ(choose("level.tmx"), 0);
    click(SW_RENDER);
    chooseLayer(3);
    // Clean: released on leaving, loaded again with preview and row on return.
    tab->onDeactivate();
    EXPECT_EQ(tab->sceneID(), 0);
    EXPECT_EQ(tab->onActivate(), 0);
    EXPECT_GT(tab->sceneID(), 0);
    EXPECT_TRUE(tab->previewOn());
    EXPECT_TRUE(checked(SW_RENDER));
    EXPECT_EQ(layers->getSelectedIndex(), 3);

    // Unsaved: nothing is released or reloaded.
    click(SW_SHOW_LAYER);
    const int id = tab->sceneID();
    tab->onDeactivate();
    EXPECT_FALSE(tab->previewOn());
    EXPECT_EQ(tab->onActivate(), 0);
    EXPECT_EQ(tab->sceneID(), id);
    EXPECT_TRUE(tab->isDirty());
    EXPECT_TRUE(tab->previewOn());
    EXPECT_EQ(scene()->getLayerFeatures(3) & SLF_SHOWN, 0u);
}

TEST_F(SceneTabTest, TypedTextIsTakenWhenCommitted)
{
    openLevel();
    makeTab();
    ASSERT_EQ(choose("level.tmx"), 0);
    const int before = tab->sceneID();
    const auto typeAtEnd = [this](const char* typed) {
        click(SW_TEXT);
        TS::key(SDLK_END, KMOD_CTRL);
        TS::typeText(typed);
        deliver();
        click(BW_NAME); // the text box loses the focus: its edit is committed
    };
    typeAtEnd("<!-- note -->");
    EXPECT_TRUE(tab->isDirty());
    EXPECT_TRUE(tab->sceneChanged());
    EXPECT_NE(tab->sceneID(), before);
    EXPECT_STREQ(scene()->getName(), "level.tmx");

    TS::pushAnswer(0);
    typeAtEnd("<");
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"TileMap", "XML was modified but could not be reloaded as a Scene.",
                                              MBB_NONE, MBT_WARNING, 2500}}));
    EXPECT_EQ(listItems(layers), (std::vector<std::string>{"Ground", "Layer 2", "Things"}));
}

TEST_F(SceneTabTest, NamesLongerThanABlockNameAreRefusedNotCut)
{
    openLevel();
    const std::string cut(63, 'n');
    put(cut.c_str(), scenetest::kTileSet);
    makeTab();
    ASSERT_EQ(choose("tiles.tsx"), 0);
    name->setText((cut + ".tsx").c_str());
    TS::pushAnswer(0);
    EXPECT_EQ(tab->processEvent(BW_SAVE, 0), -1);
    const std::vector<Box> warned{
        {"TileMap: save to QEL",
         "The name is longer than 63 bytes.\nQEL block names hold at most 63 bytes: shorten it.", MBB_NONE,
         MBT_WARNING, 2000}};
    EXPECT_EQ(takeBoxes(), warned);
    EXPECT_EQ(tab->saveSceneBlockToQEL(nullptr, (cut + "x").c_str(), "TileMap"), -1); // no scene: silently refused
    EXPECT_TRUE(takeBoxes().empty());
    ASSERT_EQ(choose("level.tmx"), 0);
    TS::pushAnswer(0);
    EXPECT_EQ(tab->saveSceneBlockToQEL(scene(), (cut + ".tmx").c_str(), "TileMap"), -1);
    EXPECT_EQ(takeBoxes(), warned);
    EXPECT_EQ(stored(cut.c_str()), scenetest::kTileSet);
}

TEST_F(SceneTabTest, DeleteRemovesTheSelectedBlockAloneAfterAYesOrTheChoice)
{
    openLevel();
    put("door.tx", "<template><object/></template>");
    makeTab();
    ASSERT_EQ(choose("door.tx"), 0);
    const Box question{"Delete TileMap", "Are you sure you want to delete \"door.tx\"?", MBB_YESNO,
                       MBT_INFORMATION};
    TS::pushAnswer(MBB_NO);
    EXPECT_EQ(click(BW_DELETE), -1);
    TS::pushAnswer(MBB_YES);
    EXPECT_EQ(click(BW_DELETE), 4);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{question, question}));
    EXPECT_EQ(stored("door.tx"), "<missing>");

    ASSERT_EQ(choose("level.tmx"), 0);
    for (int answer : std::initializer_list<int>{2, 8}) {
        TS::pushAnswer(answer);
        click(BW_DELETE);
    }
    EXPECT_EQ(takeBoxes(), (std::vector<Box>(2, Box{"Delete Tiled Map", "", 0, 0})));
    EXPECT_EQ(stored("level.tmx"), "<missing>");
    EXPECT_EQ(listItems(list), (std::vector<std::string>{"tiles.tsx"}));
    EXPECT_EQ(tab->sceneID(), 0);
    EXPECT_EQ(label(SW_TYPE), "No file");
    EXPECT_TRUE(status->bReparseAll);
}

} // namespace
