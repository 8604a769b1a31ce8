#include "tabs/data/MapTileSetRestore.h"
#include "tabs/base/NamedPictures.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/XML.h>

#include <algorithm>

using namespace Zelkoran;

namespace {

constexpr const char* kDocumentType = "ZK7_XML";
constexpr const char* kImageType = "ZK7_IMAGE";

} // namespace

MapTileSetRestore::Names MapTileSetRestore::namedBy(const char* mapName) const
{
    Names sources;
    XMLMgr* documents = Main::instance()->xmlMgr();
    const int id = documents->load(m_archiveId, mapName);
    if (XML* map = id > 0 ? documents->get(id) : nullptr)
        NamedPictures::tileSetSources(*map, sources);
    if (id > 0)
        documents->close(id);
    Names blocks;
    for (const string& source : sources)
        if (string block = NamedPictures::ownBlock(m_archive, source);
            !block.empty() && std::find(blocks.begin(), blocks.end(), block) == blocks.end())
            blocks.push_back(std::move(block));
    return blocks;
}

bool MapTileSetRestore::restore(const Names& tileSets, int mapPosition)
{
    for (const string& name : tileSets)
        if (!restoreOne(name, mapPosition)) {
            undo();
            return false;
        }
    return true;
}

bool MapTileSetRestore::restoreOne(const string& name, int mapPosition)
{
    const Archive::Block tileSet(name.c_str(), kDocumentType);
    if (tileSet.tooLong)
        return true;
    const int deleted = NamedPictures::deletedEntry(m_archive, tileSet.name, kDocumentType, mapPosition);
    if (const int live = m_archive.blockSearch(tileSet); live >= 0) {
        if (deleted >= 0 && live > mapPosition)
            m_taken.push_back(name);
        return true;
    }
    if (deleted < 0)
        return true;
    if (m_archive.blockUndelete(deleted, nullptr) != 0)
        return false;
    m_restored.push_back(tileSet);
    const NamedPictures::Names pictures = NamedPictures::namedBy(m_archiveId, tileSet);
    Names wereDeleted;
    for (const string& picture : pictures)
        if (m_archive.blockSearch(Archive::Block(picture.c_str(), kImageType)) < 0)
            wereDeleted.push_back(picture);
    if (!NamedPictures::restoreDeleted(m_archive, pictures, deleted))
        return false;
    for (const string& picture : wereDeleted)
        if (m_archive.blockSearch(Archive::Block(picture.c_str(), kImageType)) >= 0)
            m_restored.push_back(Archive::Block(picture.c_str(), kImageType));
    return true;
}

void MapTileSetRestore::undo()
{
    for (auto it = m_restored.rbegin(); it != m_restored.rend(); ++it)
        m_archive.blockDelete(*it);
    m_restored.clear();
}
