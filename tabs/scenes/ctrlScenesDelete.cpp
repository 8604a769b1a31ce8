// Delete of the selected Tiled document, alone or with the tile sets and
// images of the open archive that it names.
#include "tabs/scenes/ctrlScenes.h"

#include "services/GlobalStatus.h"
#include "tabs/base/TabControls.h"
#include "tabs/scenes/SceneChoiceIds.h"
#include "tabs/scenes/SceneRecursiveDelete.h"

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

} // namespace

int CtrlScenes::onDelete()
{
    GlobalStatus& status = tabServices().status();
    const WidgetList* list = tabServices().panel().getList(BW_LIST);
    if (!list || list->getSelectedIndex() == 0)
        return -1;
    const string name = list->getSelectedText();
    string extension;
    SceneReferences::getExtensionLower(name, extension);
    int mode = SC_ALONE;
    if (extension == "tmx")
        mode = ::choiceBox(
            tabServices(), "Delete Tiled Map", "Choose the delete mode.",
            {{SC_FULL, "Full Map Delete",
              "Delete the TMX together with referenced TileSets and images stored in this QEL. "
              "TileSets and images that other maps also use are deleted too.",
              "Delete Full"},
             {SC_ALONE, "TMX Only", "Delete only the TMX file. Referenced resources are preserved.", "Delete TMX"}},
            "Cancel");
    else if (extension == "tsx")
        mode = ::choiceBox(
            tabServices(), "Delete Tiled TileSet", "Choose the delete mode.",
            {{SC_FULL, "Full TileSet Delete",
              "Delete the TSX together with referenced images stored in this QEL. "
              "Images that other TileSets also use are deleted too.",
              "Delete Full"},
             {SC_ALONE, "TSX Only", "Delete only the TSX file. Referenced images are preserved.", "Delete TSX"}},
            "Cancel");
    else if (tabServices().messageBox(kTitle, "Are you sure you want to delete \"" + name + "\"?", MBB_YESNO,
                                      MBT_INFORMATION, 0) != MBB_YES)
        return -1;
    if (mode != SC_FULL && mode != SC_ALONE)
        return -1;
    closeResources();
    SceneRecursiveDelete walk(tabServices(), references);
    if (mode == SC_ALONE) {
        // The map's own hidden pictures go with it: kept, no tab could reach them.
        const Vector<string> own = extension == "tmx" ? walk.ownImageSources(name) : Vector<string>();
        Archive* archive = Main::instance()->archiveMgr()->get(status.iArchiveID);
        if (!archive || !document.setupBlockParams(name) || archive->blockDelete(held.block()) != 0)
            return recoverResourceDeleteFailure(name);
        walk.removeUnnamedHiddenPictures(own);
        return finishResourceDelete();
    }
    if (walk.deleteRecursive(name) == 0)
        return finishResourceDelete();
    tabServices().messageBox(kTitle,
                             "An error occurred during recursive deletion.\nSome resources might not have been deleted.",
                             MBB_OK, MBT_WARNING, 0);
    if (walk.deleted() > 0) {
        // Blocks are gone although the walk failed: every list must follow.
        status.bReparseAll = 1;
        parseQEL();
    }
    return recoverResourceDeleteFailure(name);
}
