#include "tabs/scenes/SceneReferences.h"

#include "services/EditorLog.h"
#include "services/GlobalStatus.h"
#include "tabs/scenes/SceneBlockKind.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Internal.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/XML.h>

using namespace Zelkoran;

bool SceneReferences::resolveQELResource(const string& reference, int& archiveId, string& blockName, bool& opened) const
{
    archiveId = m_services.status().iArchiveID;
    opened = false;
    blockName = reference;
    if (!Internal::isQELURI(reference.c_str()))
        return true;
    bool sameArchive = false;
    string archivePath;
    if (Internal::resolveQELURI(reference.c_str(), m_services.status().sArchivePath.c_str(), archivePath, blockName,
                                sameArchive) != 0) {
        editorLog().msg(LOG_WARNING, "[TileMap] Invalid QEL URI '%s'. Expected qel://path/file.qel/resource\n",
                        reference.c_str());
        archiveId = -1;
        return false;
    }
    if (sameArchive)
        return true;
    // As the engine reads the document: a missing archive, or a copy of the
    // open one under its former name, means the open archive when that
    // holds the block.
    ArchiveMgr* archives = Main::instance()->archiveMgr();
    const Archive* own = archives->get(archiveId);
    if (own && own->blockSearch(Archive::Block(blockName.c_str(), "")) >= 0) {
        bool former = !Main::instance()->tool()->fileExists(archivePath.c_str());
        if (!former) {
            const int named = archives->load(archivePath.c_str(), nullptr, 0);
            const string document = m_document;
            former = named > 0 && !document.empty() &&
                     archives->get(named)->isCopyOf(*own, document.c_str());
            if (named > 0)
                archives->close(named);
        }
        if (former)
            return true;
    }
    archiveId = Main::instance()->archiveMgr()->load(archivePath.c_str(), nullptr, 0);
    if (archiveId > 0) {
        opened = true;
        return true;
    }
    editorLog().msg(LOG_WARNING, "[TileMap] Could not load external QEL archive: %s\n", archivePath.c_str());
    archiveId = -1;
    return false;
}

bool SceneReferences::parseQELURI(const string& uri, string& archivePath, string& resource)
{
    bool sameArchive = false;
    return Internal::resolveQELURI(uri.c_str(), "", archivePath, resource, sameArchive) == 0;
}

bool SceneReferences::visitTSXImageNodes(XML* document, const std::function<bool(XML*)>& visitor)
{
    if (!document || !visitor || !document->nodePointTo(1, "tileset"))
        return false;
    if (!document->nodeChild())
        return true;
    string name;
    do {
        document->nodeGetName(name);
        if (name == "image") {
            if (!visitor(document))
                return false;
        } else if (name == "tile" && document->nodeChild()) {
            // Only images directly inside the tile are visited, none deeper.
            do {
                string inner;
                document->nodeGetName(inner);
                if (inner == "image" && !visitor(document)) {
                    document->nodeParent();
                    return false;
                }
            } while (document->nodeNext());
            document->nodeParent();
        }
    } while (document->nodeNext());
    return true;
}

void SceneReferences::getExtensionLower(const string& path, string& extension)
{
    extension = SceneBlockKind::extensionOf(path);
}
