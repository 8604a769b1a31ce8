#include "tabs/scenes/SceneRecursiveDelete.h"

#include "services/GlobalStatus.h"
#include "tabs/base/NamedPictures.h"
#include "tabs/base/TabServices.h"
#include "tabs/scenes/SceneBlockKind.h"
#include "tabs/scenes/SceneReferences.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/XML.h>

#include <cstring>

using namespace Zelkoran;

int SceneRecursiveDelete::deleteRecursive(const string& reference)
{
    int archiveId = -1;
    string blockName;
    bool opened = false;
    if (!m_references.resolveQELResource(reference, archiveId, blockName, opened))
        return -1;
    if (opened || archiveId != m_services.status().iArchiveID) {
        m_services.messageBox("Delete TileMap", "External resource was not removed:\n" + reference, MBB_NONE,
                              MBT_INFORMATION, 2500);
        if (opened)
            Main::instance()->archiveMgr()->close(archiveId);
        return 0;
    }
    if (!m_visited.insert(blockName).second)
        return 0; // on the current path or deleted already
    bool failed = false;
    Vector<string> ownImages; // named by the map itself, not through a tile set
    XMLMgr* documents = Main::instance()->xmlMgr();
    if (const int id = documents->load(archiveId, blockName.c_str()); id > 0) {
        XML* document = documents->get(id);
        const string extension = SceneBlockKind::extensionOf(blockName);
        if (!document) {
            failed = true;
        } else if (extension == "tmx") {
            failed = !deleteMapTileSets(document);
            if (document->nodePointTo(1, "map"))
                NamedPictures::imageSources(*document, ownImages);
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
    return removeUnsharedImages(ownImages) ? 0 : -1;
}

bool SceneRecursiveDelete::removeUnsharedImages(const Vector<string>& sources)
{
    if (sources.empty())
        return true;
    const std::set<string> used = imagesOfLiveDocuments();
    bool allGone = true;
    for (const string& source : sources) {
        string blockName;
        if (ownImage(source, blockName) && !used.count(blockName) && m_removedImages.insert(blockName).second) {
            if (Main::instance()->imageMgr()->remove(m_services.status().iArchiveID, blockName.c_str()) == 0)
                ++m_deleted;
            else
                allGone = false;
        }
    }
    return allGone;
}

Vector<SceneRecursiveDelete::string> SceneRecursiveDelete::ownImageSources(const string& blockName) const
{
    Vector<string> sources;
    XMLMgr* documents = Main::instance()->xmlMgr();
    const int id = documents->load(m_services.status().iArchiveID, blockName.c_str());
    if (id <= 0)
        return sources;
    if (XML* document = documents->get(id); document && document->nodePointTo(1, "map"))
        NamedPictures::imageSources(*document, sources);
    documents->close(id);
    return sources;
}

int SceneRecursiveDelete::removeUnnamedHiddenPictures(const Vector<string>& sources)
{
    Vector<string> hidden;
    for (const string& source : sources)
        if (string blockName; ownImage(source, blockName) && !blockName.empty() && blockName[0] == '#')
            hidden.push_back(source);
    return removeUnsharedImages(hidden) ? 0 : -1;
}

bool SceneRecursiveDelete::ownImage(const string& source, string& blockName) const
{
    int archiveId = -1;
    bool opened = false;
    if (!m_references.resolveQELResource(source, archiveId, blockName, opened))
        return false;
    if (opened)
        Main::instance()->archiveMgr()->close(archiveId);
    return !opened && archiveId == m_services.status().iArchiveID;
}

std::set<SceneRecursiveDelete::string> SceneRecursiveDelete::imagesOfLiveDocuments() const
{
    std::set<string> used;
    const Archive* archive = Main::instance()->archiveMgr()->get(m_services.status().iArchiveID);
    if (!archive)
        return used;
    XMLMgr* documents = Main::instance()->xmlMgr();
    for (int index = 0; index < archive->getIndexCount(); ++index) {
        const char* type = archive->blockTypeAt(index);
        Archive::Block entry;
        if (!type || std::strncmp(type, "ZK7_XML", sizeof(entry.type)) != 0 || archive->blockAt(index, entry) != 0 ||
            archive->blockSearch(entry) != index)
            continue;
        const int id = documents->load(m_services.status().iArchiveID, entry.name);
        XML* document = id > 0 ? documents->get(id) : nullptr;
        Vector<string> sources;
        if (document && document->nodeFirst())
            NamedPictures::imageSources(*document, sources);
        if (id > 0)
            documents->close(id);
        for (const string& source : sources)
            if (string blockName; ownImage(source, blockName))
                used.insert(blockName);
    }
    return used;
}

bool SceneRecursiveDelete::deleteMapTileSets(XML* map)
{
    // Sources are read first: the nested deletes do not use this document,
    // but a failure must not keep the later tile sets from going.
    Vector<string> sources;
    NamedPictures::tileSetSources(*map, sources);
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
    if (archiveId != m_services.status().iArchiveID || !m_removedImages.insert(blockName).second)
        return true;
    if (Main::instance()->imageMgr()->remove(archiveId, blockName.c_str()) != 0)
        return false;
    ++m_deleted;
    return true;
}
