#include "tabs/scenes/SceneExport.h"

#include "services/EditorLog.h"
#include "services/GlobalStatus.h"
#include "tabs/base/BlockText.h"
#include "tabs/base/TabControls.h"
#include "tabs/base/TabServices.h"
#include "tabs/scenes/SceneBlockKind.h"
#include "tabs/scenes/SceneChoiceIds.h"
#include "tabs/scenes/SceneDocument.h"
#include "tabs/scenes/SceneFileNames.h"
#include "tabs/scenes/SceneReferences.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>
#include <Zelkoran/XML.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <stdlib.h>

using namespace Zelkoran;
namespace fs = std::filesystem;

namespace {

constexpr const char* kTitle = "TileMap export";

Tool* tool() { return Main::instance()->tool(); }

} // namespace

int SceneExport::onExport(const string& archivePath) const
{
    string folder = tool()->fileGetDir(archivePath.c_str());
    const string name = m_services.selectedListName();
    if (name.empty()) {
        m_services.messageBox(kTitle, "Could not export the TileMap.\nA TileMap name is required.", MBB_NONE,
                              MBT_WARNING, 2000);
        return -1;
    }
    if (!folder.empty() && folder.back() != '/')
        folder += "/";
    const string outputPath = folder + tool()->fileNameFor(name.c_str());
    const string extension = SceneBlockKind::extensionOf(name);

    int mode = SC_ALONE;
    if (extension == "tmx")
        mode = choiceBox(
            m_services, "Export Tiled Map", "Choose the export mode.",
            {{SC_FULL, "Full Map Export", "Export the TMX together with its TileSets and images.", "Export Full"},
             {SC_ALONE, "TMX Only", "Export only the TMX XML file. Dependencies are not written.", "Export TMX"}},
            "Cancel");
    else if (extension == "tsx")
        mode = choiceBox(
            m_services, "Export Tiled TileSet", "Choose the export mode.",
            {{SC_FULL, "Full TileSet Export", "Export the TSX together with referenced images.", "Export Full"},
             {SC_ALONE, "TSX Only", "Export only the TSX XML file. Images are not written.", "Export TSX"}},
            "Cancel");
    if (mode == SC_FULL) {
        if ((extension == "tsx" ? onExportTSX(outputPath, folder) : onExportTMX(outputPath, name)) != 0)
            return -1;
    } else if (mode != SC_ALONE || exportXML(outputPath, name) != 0) {
        return -1;
    }
    m_services.messageBox(kTitle, "TileMap exported to \"" + outputPath + "\": Ok", MBB_OK, MBT_INFORMATION, 0);
    return 0;
}

int SceneExport::exportXML(const string& outputPath, const string& name) const
{
    if (m_services.checkOverwrite(outputPath) != 0)
        return -1;
    XMLMgr* documents = Main::instance()->xmlMgr();
    const int id = m_held.bytes() ? documents->loadFromBuffer(m_held.bytes(), size_t(m_held.size()), name.c_str()) : -1;
    if (id <= 0) {
        m_services.messageBox(kTitle, "Error parsing XML for export.", MBB_NONE, MBT_ERROR, 2000);
        return -1;
    }
    XML* document = documents->get(id);
    const bool written = document && document->saveToFile(outputPath.c_str());
    documents->close(id);
    return written ? 0 : -1;
}

void SceneExport::reportFailure(const string& text) const
{
    m_services.messageBox(kTitle, text, MBB_OK, MBT_ERROR, 0);
}

int SceneExport::onExportTMX(const string& outputPath, const string& name) const
{
    if (m_services.checkOverwrite(outputPath) != 0)
        return -1;
    SceneMgr* scenes = Main::instance()->sceneMgr();
    // The scene the tab shows is exported as it is now (moved layers
    // included); otherwise the stored block is loaded for the export.
    int loaded = 0;
    Scene* exported = m_document.scene();
    if (m_document.handle() <= 0) {
        loaded = scenes->load(m_services.status().sArchivePath.c_str(), name.c_str(), nullptr);
        exported = loaded > 0 ? scenes->get(loaded) : nullptr;
        if (!exported) {
            if (loaded > 0)
                scenes->close(loaded);
            reportFailure("Could not export the TileMap.\nThe map could not be loaded: " +
                                string(scenes->getLastError()));
            return -1;
        }
    }
    if (!exported)
        return -1;
    // The engine writes the map and its files into a folder of their own
    // first: a file of the export folder that one of them would replace is
    // asked about like the map, and a No or a failure leaves none of them.
    const fs::path target(outputPath.c_str());
    std::string staging = (target.parent_path() / ".skarden-export-XXXXXX").string();
    int rc = mkdtemp(staging.data()) ? 0 : -1;
    if (rc != 0)
        editorLog().msg(LOG_ERROR, "[TileMap] Export of \"%s\": no folder could be made in \"%s\": %s\n",
                        name.c_str(), target.parent_path().c_str(), std::strerror(errno));
    if (rc == 0)
        rc = exported->save((fs::path(staging) / target.filename()).c_str(), name.c_str(), "", true);
    if (loaded > 0)
        scenes->close(loaded);
    bool declined = false;
    std::error_code ec;
    if (rc == 0) {
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(staging, ec))
            files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files)
            declined =
                declined || (file.filename() != target.filename() &&
                             m_services.checkOverwrite(string((target.parent_path() / file.filename()).c_str())) != 0);
        for (const fs::path& file : files)
            if (!declined && !ec)
                fs::rename(file, target.parent_path() / file.filename(), ec);
    }
    if (rc == 0 && !ec) {
        fs::remove_all(staging, ec);
        return declined ? -1 : 0;
    }
    // The engine logs which of its files failed; a move out of the staging
    // folder is logged here.
    if (rc != 0)
        editorLog().msg(LOG_ERROR, "[TileMap] Export of \"%s\" failed with code %d.\n", name.c_str(), rc);
    else if (ec)
        editorLog().msg(LOG_ERROR, "[TileMap] Export of \"%s\": a file could not be moved into \"%s\": %s\n",
                        name.c_str(), target.parent_path().c_str(), ec.message().c_str());
    fs::remove_all(staging, ec);
    reportFailure("Could not export the TileMap.\nThe map, its TileSets or images could not be written to \"" +
                        string(target.parent_path().c_str()) + "\".");
    return -1;
}

int SceneExport::onExportTSX(const string& outputPath, const string& exportFolder) const
{
    const string name = m_services.selectedListName();
    XMLMgr* documents = Main::instance()->xmlMgr();
    const int id = m_held.bytes() ? documents->loadFromBuffer(m_held.bytes(), size_t(m_held.size()), name.c_str()) : -1;
    XML* document = id > 0 ? documents->get(id) : nullptr;
    if (!document) {
        if (id > 0)
            documents->close(id);
        reportFailure("Could not export the TileSet.\nIts XML could not be parsed.");
        return -1;
    }
    // One file per reference: two images that share a file name do not
    // overwrite each other, and a reference named twice is written once.
    SceneFileNames files;
    std::set<string> written;
    string failure;
    const bool imagesWritten = SceneReferences::visitTSXImageNodes(document, [&](XML* image) {
        const string reference = image->getAttributeString("source", "");
        if (reference.empty())
            return true;
        int archiveId = -1;
        string blockName;
        bool opened = false;
        if (!m_references.resolveQELResource(reference, archiveId, blockName, opened)) {
            failure = "Could not export the TileSet.\nThe image \"" + reference + "\" could not be found.";
            return false;
        }
        string wanted = tool()->fileGetName(blockName.c_str());
        if (!tool()->fileCheckExtension(wanted.c_str(), "png"))
            wanted += ".png";
        const string fileName = files.nameFor(reference, wanted);
        bool done = written.count(fileName) != 0;
        if (!done) {
            const int imageId = Main::instance()->imageMgr()->load(archiveId, blockName.c_str());
            Image* picture = imageId > 0 ? Main::instance()->imageMgr()->get(imageId) : nullptr;
            if (!picture) {
                failure = "Could not export the TileSet.\nThe image \"" + reference + "\" could not be read.";
            } else if (m_services.checkOverwrite(exportFolder + fileName) == 0) {
                done = picture->saveToPNG((exportFolder + fileName).c_str());
                if (!done)
                    failure = "Could not export the TileSet.\nThe image could not be written to \"" + exportFolder +
                              fileName + "\".";
            }
            if (imageId > 0)
                Main::instance()->imageMgr()->close(imageId);
            if (done)
                written.insert(fileName);
        }
        if (opened)
            Main::instance()->archiveMgr()->close(archiveId);
        return done && image->setAttributeString("source", fileName.c_str());
    });
    bool saved = false;
    if (imagesWritten && m_services.checkOverwrite(outputPath) == 0) {
        saved = document->saveToFile(outputPath.c_str());
        if (!saved)
            failure = "Could not export the TileSet.\n\"" + outputPath + "\" could not be written.";
    }
    documents->close(id);
    if (!failure.empty())
        reportFailure(failure);
    return saved ? 0 : -1;
}
