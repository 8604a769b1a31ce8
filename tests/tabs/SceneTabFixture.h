// A headless editor with the scene tab shown, fed by the GUI events that
// clicks on its panel raise, as the main loop routes them. A small map
// (level.tmx), its tile set (tiles.tsx) and the tile set's picture
// (tiles.png, an image block) can be put into the archive. Every message
// box must be answered by the test.
#pragma once

#include "tabs/AnsweredTabFixture.h"
#include "tabs/base/BasePanel.h"

#include "app/EventRoute.h"
#include "tabs/scenes/SceneBlockKind.h"
#include "tabs/scenes/ctrlScenes.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Types.h>

#include <SDL_surface.h>

#include <string>
#include <vector>

namespace scenetest {

// Two 16 x 16 tiles: red, then blue.
inline const char* const kTileSet = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                    "<tileset version=\"1.10\" name=\"tiles\" tilewidth=\"16\" tileheight=\"16\" "
                                    "tilecount=\"2\" columns=\"2\">\n"
                                    " <image source=\"tiles.png\" width=\"32\" height=\"16\"/>\n"
                                    "</tileset>\n";

// 4 x 3 tiles: a ground layer, an empty-named layer, an object group.
inline std::string levelMap(const std::string& groundName = "Ground")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<map version=\"1.10\" orientation=\"orthogonal\" renderorder=\"right-down\" width=\"4\" height=\"3\" "
           "tilewidth=\"16\" tileheight=\"16\" infinite=\"0\" nextlayerid=\"4\" nextobjectid=\"2\">\n"
           " <tileset firstgid=\"1\" source=\"tiles.tsx\"/>\n"
           " <layer id=\"1\" name=\"" +
           groundName +
           "\" width=\"4\" height=\"3\">\n"
           "  <data encoding=\"csv\">\n1,1,1,1,\n1,2,2,1,\n1,1,1,1\n</data>\n"
           " </layer>\n"
           " <layer id=\"2\" name=\"\" width=\"4\" height=\"3\">\n"
           "  <data encoding=\"csv\">\n0,0,0,0,\n0,2,0,0,\n0,0,0,0\n</data>\n"
           " </layer>\n"
           " <objectgroup id=\"3\" name=\"Things\">\n"
           "  <object id=\"1\" x=\"8\" y=\"8\" width=\"4\" height=\"4\"/>\n"
           " </objectgroup>\n"
           "</map>\n";
}

} // namespace scenetest

class SceneTabTest : public AnsweredTabTest {
protected:
    void dropTab() override { tab.reset(); }

    // Builds the tab, shows it and activates it as the menu does.
    void makeTab()
    {
        tab.reset(new (std::nothrow) CtrlScenes(&*resources, &*status));
        ASSERT_NE(tab, nullptr);
        panelId = Zelkoran::Main::instance()->guiMgr()->getPanelIDs().back();
        panel = editortest::panel(panelId);
        list = panel->getList(BW_LIST);
        name = panel->getTextEdit(BW_NAME);
        text = panel->getTextEdit(SW_TEXT);
        layers = panel->getList(SW_LAYERS);
        tab->parseQEL();
        tab->show();
        lastResult = tab->processEvent(tab->getCheckBoxID(), 1);
    }

    // An archive holding the map, its tile set and the tile set's picture.
    void openLevel(const std::string& map = scenetest::levelMap())
    {
        openArchive({});
        addImage("tiles.png");
        put("tiles.tsx", scenetest::kTileSet);
        put("level.tmx", map);
    }

    // Clicks a widget of the tab's panel and hands the GUI events the click
    // raised to the tab; the last result, or 1 when no event reached it.
    int click(int widgetId)
    {
        EXPECT_TRUE(editortest::TS::clickWidget(panelId, widgetId)) << widgetId;
        return deliver();
    }
    int deliver()
    {
        int result = 1;
        for (const SDL_Event& e : editortest::TS::pump()) {
            const EventRoute route = routeEvent(e, false);
            if (e.type == Zelkoran::kGUIEventType && route == EventRoute::Process)
                result = tab->processEvent(static_cast<int>(reinterpret_cast<intptr_t>(e.user.data1)),
                                           static_cast<int>(reinterpret_cast<intptr_t>(e.user.data2)));
            else if (route == EventRoute::Mouse)
                tab->handleMouseEvent(const_cast<SDL_Event*>(&e));
        }
        tab->update(); // the main loop's next pass
        lastResult = result;
        return result;
    }
    // Chooses a row of the block list as a click on it does.
    int choose(const char* rowName)
    {
        EXPECT_EQ(tab->selectBlockListItemByName(rowName), 1) << rowName;
        lastResult = tab->processEvent(BW_LIST, list->getSelectedIndex());
        return lastResult;
    }
    // Chooses a row of the layer list.
    int chooseLayer(int row)
    {
        layers->setSelectedIndex(row);
        lastResult = tab->processEvent(SW_LAYERS, row);
        return lastResult;
    }

    // Writes a "ZK7_XML" block (or of type) and lists it.
    void put(const char* blockName, const std::string& bytes, uint32_t storage = 2, const char* type = "ZK7_XML")
    {
        Zelkoran::Archive::Block block(blockName, type);
        block.storage = storage;
        block.data = const_cast<char*>(bytes.data());
        block.size = bytes.size();
        ASSERT_EQ(archive()->blockAdd(block), 0) << blockName;
        if (tab)
            tab->parseQEL();
    }
    // A 32 x 16 picture, red left half, blue right half, as an image block.
    void addImage(const char* blockName)
    {
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 32, 16, 32, SDL_PIXELFORMAT_ARGB8888);
        ASSERT_NE(surface, nullptr);
        const SDL_Rect left{0, 0, 16, 16};
        const SDL_Rect right{16, 0, 16, 16};
        SDL_FillRect(surface, &left, 0xFFFF0000);
        SDL_FillRect(surface, &right, 0xFF0000FF);
        Zelkoran::ImageMgr* images = Zelkoran::Main::instance()->imageMgr();
        const int id = images->loadFromSurface(surface, blockName);
        SDL_FreeSurface(surface);
        ASSERT_GT(id, 0);
        ASSERT_EQ(images->get(id)->save(status->iArchiveID, blockName), 0);
        images->close(id);
    }
    // The stored block's bytes (or "<missing>") and its storage mode.
    std::string stored(const char* blockName, uint32_t* storage = nullptr)
    {
        Zelkoran::Archive::Block block(blockName, "ZK7_XML");
        if (archive()->blockLoad(block) != 0)
            return "<missing>";
        std::string bytes(static_cast<const char*>(block.data), block.size);
        if (storage)
            *storage = block.storage;
        archive()->blockFree(block);
        return bytes;
    }

    Zelkoran::Scene* scene() const { return Zelkoran::Main::instance()->sceneMgr()->get(tab->sceneID()); }
    std::string label(int id) const { return panel->getLabel(id)->getText(); }
    bool checked(int id) const { return panel->getCheckBox(id)->isChecked(); }
    bool enabled(int id) const { return panel->getWidgetByID(id)->isEnabled(); }
    std::vector<bool> storageBoxes() const { return {checked(SW_RAW), checked(SW_COMPRESSED), checked(SW_CRYPTED)}; }

    std::unique_ptr<CtrlScenes> tab;
    int panelId = 0;
    Zelkoran::Panel* panel = nullptr;
    Zelkoran::WidgetList* list = nullptr;
    Zelkoran::WidgetTextEdit* name = nullptr;
    Zelkoran::WidgetTextEdit* text = nullptr;
    Zelkoran::WidgetList* layers = nullptr;
    int lastResult = 0;
};
