#include "tabs/SceneTabFixture.h"

#include <Zelkoran/XML.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <thread>

namespace {

using namespace Zelkoran;
using editortest::listItems;
namespace TS = editortest::TS;

TEST_F(SceneTabTest, ReferencesResolveToTheOpenOrAnotherArchive)
{
    openArchive({});
    editortest::buildArchive(folder.path("other.qel"), {{"sub/rock.png", "ZK7_IMAGE"}});
    makeTab();
    const int open = status->iArchiveID;
    const std::string self = status->sArchivePath.c_str();
    const struct {
        std::string reference;
        bool resolved;
        int archive; // 0: an archive opened for the caller
        std::string block;
    } cases[] = {
        {"tiles/grass.png", true, open, "tiles/grass.png"},
        {"qel://tab.qel/grass.png", true, open, "grass.png"},
        {"QEL://" + self + "/sub/grass.png", true, open, "sub/grass.png"},
        {"qel://other.qel/sub/rock.png", true, 0, "sub/rock.png"},
        {"qel://missing.qel/rock.png", false, -1, ""},
        {"qel://folder/rock.png", false, -1, ""},
        {"qel://tab.qel/", false, -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reference);
        int archiveId = 99;
        CtrlBase::string block;
        bool opened = true;
        EXPECT_EQ(tab->sceneReferences().resolveQELResource(c.reference.c_str(), archiveId, block, opened), c.resolved);
        EXPECT_EQ(opened, c.archive == 0);
        if (c.archive == 0) {
            EXPECT_GT(archiveId, 0);
            EXPECT_NE(archiveId, open);
            EXPECT_EQ(Main::instance()->archiveMgr()->close(archiveId), 0);
        } else {
            EXPECT_EQ(archiveId, c.archive);
        }
        if (c.resolved) {
            EXPECT_EQ(block.c_str(), c.block);
        }
    }

    CtrlBase::string path;
    CtrlBase::string resource;
    EXPECT_TRUE(SceneReferences::parseQELURI("qel://dir/world.qel/grass.png", path, resource));
    EXPECT_EQ(path.c_str(), (std::filesystem::current_path() / "dir/world.qel").string());
    EXPECT_EQ(resource, "grass.png");
    EXPECT_FALSE(SceneReferences::parseQELURI("dir/world.qel/grass.png", path, resource));
}

TEST_F(SceneTabTest, ACopiedArchiveFindsItsOwnPicturesWhateverLiesUnderItsOldName)
{
    ArchiveMgr* archives = Main::instance()->archiveMgr();
    const std::string old = folder.path("tab.qel"), copy = folder.path("copy.qel");
    for (const bool oldKept : {true, false}) {
        SCOPED_TRACE(oldKept ? "the old file changed beside it" : "the old file gone");
        std::filesystem::remove(old);
        std::filesystem::remove(copy);
        // As the imports write them: the map and the tile set name blocks
        // by the archive's bare file name.
        openLevel(scenetest::levelMap());
        std::string tileSet = scenetest::kTileSet;
        tileSet.replace(tileSet.find("tiles.png"), 9, "qel://tab.qel/tiles.png");
        std::string map = scenetest::levelMap();
        map.replace(map.find("tiles.tsx"), 9, "qel://tab.qel/tiles.tsx");
        put("tiles.tsx", tileSet);
        put("level.tmx", map);
        ASSERT_EQ(archives->close(status->iArchiveID), 0);
        std::filesystem::copy_file(old, copy);
        if (oldKept) {
            editortest::openAsEditorArchive(*status, old);
            ASSERT_EQ(archive()->blockDelete(Archive::Block("tiles.png", "ZK7_IMAGE")), 0);
            std::string gone = scenetest::kTileSet;
            put("tiles.tsx", gone.replace(gone.find("tiles.png"), 9, "qel://tab.qel/gone.png"));
            ASSERT_EQ(archives->close(status->iArchiveID), 0);
        } else {
            std::filesystem::remove(old);
        }

        editortest::openAsEditorArchive(*status, copy);
        if (!tab)
            makeTab();
        tab->parseQEL();
        ASSERT_EQ(choose("level.tmx"), 0);
        ASSERT_NE(scene(), nullptr) << Main::instance()->sceneMgr()->getLastError();
        EXPECT_EQ(listItems(layers), (std::vector<std::string>{"Ground", "Layer 2", "Things"}));
        int archiveId = 0;
        CtrlBase::string block;
        bool opened = true;
        EXPECT_TRUE(tab->sceneReferences().resolveQELResource("qel://tab.qel/tiles.png", archiveId, block, opened));
        EXPECT_EQ(std::tuple(archiveId, std::string(block), opened),
                  std::tuple(status->iArchiveID, std::string("tiles.png"), false));
        tab->resetWidgets();
        ASSERT_EQ(archives->close(status->iArchiveID), 0);
    }
}

TEST_F(SceneTabTest, AMapThatCannotBeBuiltSaysWhichReferenceFailedAndFromWhichFile)
{
    // Renamed, with a different archive now under its old name beside it:
    // made in another second, so it is no copy of the renamed one.
    const std::string old = folder.path("tab.qel"), renamed = folder.path("renamed.qel");
    const std::string other = folder.path("other.qel");
    editortest::buildArchive(other, {{"other.tmx", "ZK7_XML"}});
    for (const std::time_t made = std::time(nullptr); std::time(nullptr) == made;)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::string map = scenetest::levelMap();
    openLevel(map.replace(map.find("tiles.tsx"), 9, "qel://tab.qel/tiles.tsx"));
    ASSERT_EQ(Main::instance()->archiveMgr()->close(status->iArchiveID), 0);
    std::filesystem::rename(old, renamed);
    std::filesystem::rename(other, old);
    editortest::openAsEditorArchive(*status, renamed);
    makeTab();
    const Box told{"TileMap",
                   "The Scene could not be built; its text is shown.\nlevel.tmx: line 3: the tile set "
                   "\"qel://tab.qel/tiles.tsx\" cannot be read from \"" + old + "\": it is missing",
                   MBB_OK, MBT_WARNING};
    TS::pushAnswer(MBB_OK);
    ASSERT_EQ(choose("level.tmx"), 0);
    EXPECT_EQ(scene(), nullptr);
    TS::pushAnswer(MBB_OK);
    click(SW_RENDER);
    EXPECT_FALSE(tab->previewOn());
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{told, told}));
}

TEST_F(SceneTabTest, TileSetImagesAreVisitedInDocumentOrder)
{
    openArchive({});
    makeTab();
    const std::string tileSet = "<tileset><image source=\"a\"/><tile id=\"0\"><image source=\"b\"/></tile>"
                                "<tile id=\"1\"/><grid/><tile id=\"2\"><properties/><image source=\"c\"/>"
                                "<x><image source=\"deep\"/></x></tile><wangsets/></tileset>";
    const struct {
        std::string document;
        std::string refuse; // the visitor answers false for this source
        bool result;
        std::vector<std::string> visited;
    } cases[] = {
        {tileSet, "", true, {"a", "b", "c"}},
        {tileSet, "b", false, {"a", "b"}},
        {tileSet, "a", false, {"a"}},
        {"<tileset/>", "", true, {}},
        {"<map><tileset><image source=\"a\"/></tileset></map>", "", false, {}},
    };
    XMLMgr* documents = Main::instance()->xmlMgr();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.document);
        const int id = documents->loadFromBuffer(c.document.data(), c.document.size(), "t.tsx");
        ASSERT_GT(id, 0);
        std::vector<std::string> visited;
        const bool result = SceneReferences::visitTSXImageNodes(documents->get(id), [&](XML* at) {
            visited.emplace_back(at->getAttributeString("source", ""));
            return visited.back() != c.refuse;
        });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(visited, c.visited);
        documents->close(id);
    }
    EXPECT_FALSE(SceneReferences::visitTSXImageNodes(nullptr, [](XML*) { return true; }));
}

} // namespace
