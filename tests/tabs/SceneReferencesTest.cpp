#include "tabs/SceneTabFixture.h"

#include <Zelkoran/XML.h>

#include <filesystem>

namespace {

using namespace Zelkoran;

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
        EXPECT_EQ(tab->resolveQELResource(c.reference.c_str(), archiveId, block, opened), c.resolved);
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
    EXPECT_TRUE(tab->parseQELURI("qel://dir/world.qel/grass.png", path, resource));
    EXPECT_EQ(path.c_str(), (std::filesystem::current_path() / "dir/world.qel").string());
    EXPECT_EQ(resource, "grass.png");
    EXPECT_FALSE(tab->parseQELURI("dir/world.qel/grass.png", path, resource));
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
        const bool result = tab->visitTSXImageNodes(documents->get(id), [&](XML* at) {
            visited.emplace_back(at->getAttributeString("source", ""));
            return visited.back() != c.refuse;
        });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(visited, c.visited);
        documents->close(id);
    }
    EXPECT_FALSE(tab->visitTSXImageNodes(nullptr, [](XML*) { return true; }));
}

} // namespace
