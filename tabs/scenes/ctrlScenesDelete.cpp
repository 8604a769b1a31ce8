// Delete of the selected Tiled document, alone or with the tile sets and
// images of the open archive that it names.
#include "tabs/scenes/ctrlScenes.h"

#include "services/GlobalStatus.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>
#include <Zelkoran/XML.h>

#include <set>

using namespace Zelkoran;

namespace {

constexpr const char* kTitle = "Delete TileMap";
constexpr int kFull = 4;
constexpr int kAlone = 8;

Tool* tool() { return Main::instance()->tool(); }

} // namespace

// What one full delete has seen: a block is followed once (a map that names
// itself, or two that name each other, end there) and an image removed once.
struct CtrlScenes::DeleteWalk {
    std::set<string> visited;
    std::set<string> removedImages;
    int deleted = 0;
};

int CtrlScenes::onDelete()
{
    const WidgetList* list = panel->getList(BW_LIST);
    if (!list || list->getSelectedIndex() == 0)
        return -1;
    const string name = list->getSelectedText();
    string extension;
    getExtensionLower(name, extension);
    int mode = kAlone;
    if (extension == "tmx")
        mode = choiceBox("Delete Tiled Map", "Choose the delete mode.",
                         {{kFull, "Full Map Delete",
                           "Delete the TMX together with referenced TileSets and images stored in this QEL. "
                           "TileSets and images that other maps also use are deleted too.",
                           "Delete Full"},
                          {kAlone, "TMX Only", "Delete only the TMX file. Referenced resources are preserved.",
                           "Delete TMX"}},
                         "Cancel");
    else if (extension == "tsx")
        mode = choiceBox("Delete Tiled TileSet", "Choose the delete mode.",
                         {{kFull, "Full TileSet Delete",
                           "Delete the TSX together with referenced images stored in this QEL. "
                           "Images that other TileSets also use are deleted too.",
                           "Delete Full"},
                          {kAlone, "TSX Only", "Delete only the TSX file. Referenced images are preserved.",
                           "Delete TSX"}},
                         "Cancel");
    else if (showBox(kTitle, "Are you sure you want to delete \"" + name + "\"?", MBB_YESNO, MBT_INFORMATION, 0) !=
             MBB_YES)
        return -1;
    if (mode != kFull && mode != kAlone)
        return -1;
    closeResources();
    if (mode == kAlone) {
        Archive* archive = Main::instance()->archiveMgr()->get(globalStatus->iArchiveID);
        if (!archive || !setupBlockParams(name) || archive->blockDelete(held.block()) != 0)
            return recoverResourceDeleteFailure(name);
        return finishResourceDelete();
    }
    DeleteWalk walk;
    if (deleteRecursive(name, walk) == 0)
        return finishResourceDelete();
    showBox(kTitle, "An error occurred during recursive deletion.\nSome resources might not have been deleted.",
            MBB_OK, MBT_WARNING, 0);
    if (walk.deleted > 0) {
        // Blocks are gone although the walk failed: every list must follow.
        globalStatus->bReparseAll = 1;
        parseQEL();
    }
    return recoverResourceDeleteFailure(name);
}

int CtrlScenes::deleteRecursive(const string& reference)
{
    DeleteWalk walk;
    return deleteRecursive(reference, walk);
}

int CtrlScenes::deleteRecursive(const string& reference, DeleteWalk& walk)
{
    int archiveId = -1;
    string blockName;
    bool opened = false;
    if (!resolveQELResource(reference, archiveId, blockName, opened))
        return -1;
    if (opened || archiveId != globalStatus->iArchiveID) {
        showBox(kTitle, "External resource was not removed:\n" + reference, MBB_NONE, MBT_INFORMATION, 2500);
        if (opened)
            Main::instance()->archiveMgr()->close(archiveId);
        return 0;
    }
    if (!walk.visited.insert(blockName).second)
        return 0; // on the current path or deleted already
    bool failed = false;
    XMLMgr* documents = Main::instance()->xmlMgr();
    if (const int id = documents->load(archiveId, blockName.c_str()); id > 0) {
        XML* document = documents->get(id);
        string extension;
        getExtensionLower(blockName, extension);
        if (!document) {
            failed = true;
        } else if (extension == "tmx") {
            failed = !deleteMapTileSets(document, walk);
        } else if (extension == "tsx") {
            failed = !visitTSXImageNodes(document, [&](XML* image) { return removeTileSetImage(image, walk); });
        }
        documents->close(id);
    }
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    Archive::Block target;
    tool()->szCopy(target.name, blockName.c_str(), sizeof(target.name));
    tool()->szCopy(target.type, "ZK7_XML", sizeof(target.type));
    if (failed || !archive || archive->blockDelete(target) != 0)
        return -1;
    ++walk.deleted;
    return 0;
}

bool CtrlScenes::deleteMapTileSets(XML* map, DeleteWalk& walk)
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
        allGone = deleteRecursive(source, walk) == 0 && allGone;
    return allGone;
}

bool CtrlScenes::removeTileSetImage(XML* image, DeleteWalk& walk)
{
    const string source = image->getAttributeString("source", "");
    if (source.empty())
        return true;
    int archiveId = -1;
    string blockName;
    bool opened = false;
    if (!resolveQELResource(source, archiveId, blockName, opened))
        return false;
    if (opened) {
        Main::instance()->archiveMgr()->close(archiveId);
        return true;
    }
    if (archiveId != globalStatus->iArchiveID || !walk.removedImages.insert(blockName).second)
        return true;
    if (Main::instance()->imageMgr()->remove(archiveId, blockName.c_str()) != 0)
        return false;
    ++walk.deleted;
    return true;
}
