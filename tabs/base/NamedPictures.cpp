#include "tabs/base/NamedPictures.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Internal.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/XML.h>

#include <cstring>
#include <set>

using namespace Zelkoran;

namespace NamedPictures {

namespace {

constexpr const char* kImageType = "ZK7_IMAGE";
constexpr const char* kPanelType = "ZK7_GUIPANEL";

bool hasType(const Archive::Block& block, const char* type)
{
    return std::strncmp(block.type, type, sizeof(block.type)) == 0;
}

Names documentPictures(int archiveId, const Archive& archive, const char* name)
{
    Names pictures;
    XMLMgr* documents = Main::instance()->xmlMgr();
    const int id = documents->load(archiveId, name);
    XML* document = id > 0 ? documents->get(id) : nullptr;
    Names sources;
    if (document && document->nodeFirst())
        imageSources(*document, sources);
    if (id > 0)
        documents->close(id);
    for (const string& source : sources)
        if (string block = ownBlock(archive, source); !block.empty())
            pictures.push_back(block);
    return pictures;
}

} // namespace

string ownBlock(const Archive& archive, const string& source)
{
    if (!Internal::isQELURI(source.c_str()))
        return source;
    string path, block;
    bool sameArchive = false;
    if (Internal::resolveQELURI(source.c_str(), archive.getName(), path, block, sameArchive) != 0)
        return string();
    // A copy of the archive keeps referring to it under its former name.
    return sameArchive || !Main::instance()->tool()->fileExists(path.c_str()) ? block : string();
}

void imageSources(XML& document, Names& sources)
{
    if (!document.nodeChild())
        return;
    string name;
    do {
        if (document.nodeGetName(name) && name == "image") {
            if (const string source = document.getAttributeString("source", ""); !source.empty())
                sources.push_back(source);
        } else {
            imageSources(document, sources);
        }
    } while (document.nodeNext());
    document.nodeParent();
}

void tileSetSources(XML& map, Names& sources)
{
    if (!map.nodePointTo(1, "map") || !map.nodeChild())
        return;
    string name;
    do {
        if (map.nodeGetName(name) && name == "tileset")
            if (const string source = map.getAttributeString("source", ""); !source.empty())
                sources.push_back(source);
    } while (map.nodeNext());
}

Names namedBy(int archiveId, const Archive::Block& block)
{
    const Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive)
        return {};
    if (hasType(block, "ZK7_XML"))
        return documentPictures(archiveId, *archive, block.name);
    Names names;
    if (hasType(block, kPanelType))
        Main::instance()->guiMgr()->skinImages(archiveId, block.name, names);
    return names;
}

int removeUnnamedHidden(int archiveId, const Names& names)
{
    Names hidden;
    for (const string& name : names)
        if (!name.empty() && name[0] == '#')
            hidden.push_back(name);
    const Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (hidden.empty() || !archive)
        return 0;
    std::set<string> used;
    for (int i = 0; i < archive->getIndexCount(); ++i) {
        Archive::Block entry;
        if (archive->blockAt(i, entry) != 0 || entry.deleted ||
            !(hasType(entry, "ZK7_XML") || hasType(entry, kPanelType)))
            continue;
        for (string& name : namedBy(archiveId, entry))
            used.insert(std::move(name));
    }
    int removed = 0;
    for (const string& name : hidden)
        if (used.insert(name).second && Main::instance()->imageMgr()->remove(archiveId, name.c_str()) == 0)
            ++removed;
    return removed;
}

int deletedEntry(const Archive& archive, const char* name, const char* type, int ownerPosition)
{
    const int count = archive.getIndexCount();
    int before = -1;
    for (int i = 0; i < count; ++i) {
        Archive::Block block;
        if (archive.blockAt(i, block) != 0 || !block.deleted ||
            std::strncmp(block.name, name, sizeof(block.name)) != 0 || !hasType(block, type))
            continue;
        if (i > ownerPosition)
            return before >= 0 ? before : i;
        before = i;
    }
    return before;
}

int deletedImage(const Archive& archive, const char* name, int ownerPosition)
{
    return deletedEntry(archive, name, kImageType, ownerPosition);
}

bool restoreDeleted(Archive& archive, const Names& names, int ownerPosition)
{
    Names restored;
    for (const string& name : names) {
        const Archive::Block picture(name.c_str(), kImageType);
        if (picture.tooLong || archive.blockSearch(picture) >= 0)
            continue; // live already, or restored for an earlier mention
        const int position = deletedImage(archive, picture.name, ownerPosition);
        if (position < 0)
            continue;
        if (archive.blockUndelete(position, nullptr) != 0) {
            for (const string& back : restored)
                archive.blockDelete(Archive::Block(back.c_str(), kImageType));
            return false;
        }
        restored.push_back(name);
    }
    return true;
}

} // namespace NamedPictures
