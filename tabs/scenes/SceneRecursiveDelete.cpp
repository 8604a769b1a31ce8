#include "tabs/scenes/SceneRecursiveDelete.h"

#include "services/GlobalStatus.h"
#include "tabs/scenes/SceneBlockKind.h"
#include "tabs/scenes/SceneReferences.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/XML.h>

using namespace Zelkoran;

int SceneRecursiveDelete::deleteRecursive(const string& reference)
{
    int archiveId = -1;
    string blockName;
    bool opened = false;
    if (!m_references.resolveQELResource(reference, archiveId, blockName, opened))
        return -1;
    if (opened || archiveId != m_status->iArchiveID) {
        m_dialogs.show("Delete TileMap", "External resource was not removed:\n" + reference, MBB_NONE,
                       MBT_INFORMATION, 2500);
        if (opened)
            Main::instance()->archiveMgr()->close(archiveId);
        return 0;
    }
    if (!m_visited.insert(blockName).second)
        return 0; // on the current path or deleted already
    bool failed = false;
    XMLMgr* documents = Main::instance()->xmlMgr();
    if (const int id = documents->load(archiveId, blockName.c_str()); id > 0) {
        XML* document = documents->get(id);
        const string extension = SceneBlockKind::extensionOf(blockName);
        if (!document) {
            failed = true;
        } else if (extension == "tmx") {
            failed = !deleteMapTileSets(document);
        } else if (extension == "tsx") {
            failed = !SceneReferences::visitTSXImageNodes(document,
                                                          [&](XML* image) { return removeTileSetImage(image); });
        }
        documents->close(id);
    }
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    Archive::Block target;
    Tool* tool = Main::instance()->tool();
    tool->szCopy(target.name, blockName.c_str(), sizeof(target.name));
    tool->szCopy(target.type, "ZK7_XML", sizeof(target.type));
    if (failed || !archive || archive->blockDelete(target) != 0)
        return -1;
    ++m_deleted;
    return 0;
}

bool SceneRecursiveDelete::deleteMapTileSets(XML* map)
{
    if (!map->nodePointTo(1, "map") || !map->nodeChild())
        return true;
    // Sources are read first: the nested deletes do not use this document,
    // but a failure must not keep the later tile sets from going.
    Vector<string> sources;
    string name;
    do {
        if (map->nodeGetName(name) && name == "tileset")
            if (const string source = map->getAttributeString("source", ""); !source.empty())
                sources.push_back(source);
    } while (map->nodeNext());
    bool allGone = true;
    for (const string& source : sources)
        allGone = deleteRecursive(source) == 0 && allGone;
    return allGone;
}

bool SceneRecursiveDelete::removeTileSetImage(XML* image)
{
    const string source = image->getAttributeString("source", "");
    if (source.empty())
        return true;
    int archiveId = -1;
    string blockName;
    bool opened = false;
    if (!m_references.resolveQELResource(source, archiveId, blockName, opened))
        return false;
    if (opened) {
        Main::instance()->archiveMgr()->close(archiveId);
        return true;
    }
    if (archiveId != m_status->iArchiveID || !m_removedImages.insert(blockName).second)
        return true;
    if (Main::instance()->imageMgr()->remove(archiveId, blockName.c_str()) != 0)
        return false;
    ++m_deleted;
    return true;
}
