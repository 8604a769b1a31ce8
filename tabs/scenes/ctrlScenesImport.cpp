// Import of Tiled files from disk: TSX tile sets (as text, or in full with
// their images stored as image blocks), TX templates (as text) and TMX maps
// (in full: the map with its tile sets, templates and images).
#include "tabs/scenes/ctrlScenes.h"

#include "services/EditorLog.h"
#include "services/GlobalStatus.h"
#include "tabs/scenes/SceneFileNames.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>
#include <Zelkoran/XML.h>

#include <SDL_rwops.h>
#include <SDL_surface.h>

#include <climits>
#include <cstring>
#include <set>

using namespace Zelkoran;

namespace {

// Choice ids: the Import button's, then a tile set's import mode.
constexpr int kScene = 4;
constexpr int kTileSetOrTemplate = 8;
constexpr int kFull = 4;
constexpr int kTextOnly = 8;
constexpr const char* kTileSetTitle = "TileSet import";
constexpr const char* kMapTitle = "TileMap import";
constexpr const char kTileSetFilter[] = "Tiled TileSets and Templates\0*.tsx;*.tx\0"
                                        "Tiled TileSets (*.tsx)\0*.tsx\0"
                                        "Tiled Templates (*.tx)\0*.tx\0"
                                        "All Files\0*.*\0";

Tool* tool() { return Main::instance()->tool(); }

bool blockExists(int archiveId, const CtrlBase::string& name, const char* type)
{
    const Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    return archive && archive->blockSearch(Archive::Block(name.c_str(), type)) >= 0;
}

// The image block holds exactly these pixels (ARGB8888).
bool holdsPixels(int archiveId, const CtrlBase::string& name, const SDL_Surface* pixels)
{
    ImageMgr* images = Main::instance()->imageMgr();
    const int id = images->load(archiveId, name.c_str());
    const Image* stored = id > 0 ? images->get(id) : nullptr;
    const SDL_Surface* own = stored ? stored->getSurface() : nullptr;
    bool same = own && pixels && own->w == pixels->w && own->h == pixels->h;
    for (int y = 0; same && y < own->h; ++y)
        same = std::memcmp(static_cast<const uint8_t*>(own->pixels) + y * own->pitch,
                           static_cast<const uint8_t*>(pixels->pixels) + y * pixels->pitch,
                           size_t(own->w) * 4) == 0;
    if (id > 0)
        images->close(id);
    return same;
}

} // namespace

void CtrlScenes::onImportButton()
{
    const int chosen = choiceBox("Scene Import", "Choose the action to perform.",
                                 {{kScene, "Import Scene", "Import a Scene from TMX, image, video, or Universal VTT.",
                                   "Import Scene"},
                                  {kTileSetOrTemplate, "Import TileSet/Template",
                                   "Import a TSX TileSet or TX Template file.", "Import TSX/TX"}},
                                 "Cancel");
    if (chosen == kScene)
        onCreateSceneFromSource();
    else if (chosen == kTileSetOrTemplate && onImport() == 0)
        setDirty(true);
    // The base panel's rules ran before the import filled the name field:
    // Save must follow what is held now.
    refreshWidgets();
}

int CtrlScenes::loadFileToBuffer(const string& path, unsigned char*& buffer, int& size) const
{
    buffer = nullptr;
    size = 0;
    SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
    if (!file)
        return -1;
    const Sint64 length = SDL_RWsize(file);
    if (length < 1 || length > INT_MAX) {
        SDL_RWclose(file);
        return -1;
    }
    buffer = static_cast<unsigned char*>(CMem::alloc(size_t(length), kSkardyMemoryModule));
    const bool read = buffer && SDL_RWread(file, buffer, 1, size_t(length)) == size_t(length);
    SDL_RWclose(file);
    if (!read) {
        CMem::free(buffer);
        buffer = nullptr;
        return -1;
    }
    size = int(length);
    return 0;
}

CtrlScenes::string CtrlScenes::derivedName(const string& path) const
{
    string extension;
    getExtensionLower(path, extension);
    return tool()->fileGetName(path.c_str()) + "." + extension;
}

CtrlScenes::string CtrlScenes::archivePart() const
{
    const string& archivePath = globalStatus->sArchivePath;
    string part = tool()->fileGetName(archivePath.c_str());
    if (const string extension = tool()->fileGetExtension(archivePath.c_str()); !extension.empty())
        part += "." + extension;
    return part;
}

int CtrlScenes::onImport()
{
    string path;
    if (!tool()->fileOpenDialog("Import a Tiled TileSet/Template", kTileSetFilter, path))
        return -1;
    string extension;
    getExtensionLower(path, extension);
    if (extension == "tmx") {
        showBox("Scene Import", "Use Create or import Scene for TMX files.", MBB_OK, MBT_WARNING, 0);
        return -1;
    }
    if (extension != "tx" && extension != "tsx") {
        showBox("Scene Import", "Only TSX TileSet and TX Template files are supported here.", MBB_OK, MBT_WARNING, 0);
        return -1;
    }
    int mode = kTextOnly;
    if (extension == "tsx")
        mode = choiceBox("Import Tiled TileSet", "Choose the import mode.",
                         {{kFull, "Full Integration", "Import the TSX together with referenced TileSets and images.",
                           "Import Full"},
                          {kTextOnly, "TSX Only",
                           "Import only the TSX file content. Referenced resources are not added.", "Import TSX"}},
                         "Cancel");
    if (mode == 2)
        return -1;
    if (mode == kFull) {
        const string name = derivedName(path);
        if (!acceptBlockName(name, kTileSetTitle))
            return -1;
        if (blockExists(globalStatus->iArchiveID, name, "ZK7_XML") &&
            showBox("File exists",
                    "The file \"" + name +
                        "\" already exists in the QEL.\n\nFull integration will overwrite the existing file and all "
                        "its dependencies.\n\nDo you want to continue?",
                    MBB_YESNO, MBT_WARNING, 0) != MBB_YES)
            return -1;
        if (onImportFullTSX(path, name) != 0 || loadStoredBlock(name) != 0)
            return -1;
        showBox("Import successful", "TileMap and all resources successfully integrated into QEL.", MBB_NONE,
                MBT_INFORMATION, 2000);
        globalStatus->bReparseAll = 1;
        return 0;
    }
    // A template, or a tile set as text: unsaved, under the file's name (the
    // name field still names the block held before). Saving it replaces a
    // block of that name, so that is agreed to first.
    const string name = derivedName(path);
    if (blockExists(globalStatus->iArchiveID, name, "ZK7_XML") &&
        showBox("File exists",
                "The file \"" + name +
                    "\" already exists in the QEL.\n\nSaving the import will overwrite it.\n\nDo you want to continue?",
                MBB_YESNO, MBT_WARNING, 0) != MBB_YES)
        return -1;
    unsigned char* bytes = nullptr;
    int size = 0;
    if (loadFileToBuffer(path, bytes, size) != 0) {
        showBox(kMapTitle, "TileMap could not be imported.", MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    closeResources();
    held.replace(bytes, size);
    currentItemName.clear();
    if (WidgetTextEdit* field = panel->getTextEdit(BW_NAME))
        field->setText(name.c_str());
    globalStatus->bReparseAll = 1;
    checkMapType();
    updateData();
    return 0;
}

int CtrlScenes::onImportFullTSX(const string& path, const string& blockName)
{
    unsigned char* bytes = nullptr;
    int size = 0;
    if (loadFileToBuffer(path, bytes, size) != 0) {
        showBox(kTileSetTitle, "Failed to read TSX file.", MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    XMLMgr* documents = Main::instance()->xmlMgr();
    const int id = documents->loadFromBuffer(bytes, size_t(size), blockName.c_str());
    XML* document = id > 0 ? documents->get(id) : nullptr;
    if (!document) {
        if (id > 0)
            documents->close(id);
        CMem::free(bytes);
        showBox(kTileSetTitle, "Failed to parse TSX file.", MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    const string folder = tool()->pathNormalize(tool()->fileGetDir(path.c_str()).c_str());
    const string part = archivePart();
    // The images the tile set being replaced names may be overwritten (the
    // user agreed); any other block of an image's name is left alone.
    const std::set<string> replaceable = imagesNamedBy(blockName);
    const int archiveId = globalStatus->iArchiveID;
    // A block that holds the picture already (a tile set sharing another's
    // picture) is named, not copied.
    SceneFileNames names(
        [&](const string& name, const string& imagePath) {
            if (replaceable.count(name) || !blockExists(archiveId, name, "ZK7_IMAGE"))
                return false;
            ImageMgr* images = Main::instance()->imageMgr();
            const int pictureId = images->loadFromFile(imagePath.c_str(), "");
            const Image* picture = pictureId > 0 ? images->get(pictureId) : nullptr;
            const bool same = picture && holdsPixels(archiveId, name, picture->getSurface());
            if (pictureId > 0)
                images->close(pictureId);
            return !same;
        },
        kMaxBlockName);
    bool ok = visitTSXImageNodes(document, [&](XML* image) {
        const string source = image->getAttributeString("source", "");
        if (source.empty())
            return true;
        const string normalized = tool()->pathNormalize(source.c_str());
        const bool absolute = !normalized.empty() && (normalized[0] == '/' || (normalized.size() >= 3 &&
                                                                               normalized[1] == ':' &&
                                                                               normalized[2] == '/'));
        string candidate = normalized;
        if (!absolute)
            candidate = folder.empty() || folder.back() == '/' ? folder + normalized : folder + "/" + normalized;
        string full;
        string reference;
        if (!normalized.empty() && tool()->fileGetAbsolutePath(candidate.c_str(), full) &&
            importImageToQEL(full, part, reference, names) == 0 &&
            image->setAttributeString("source", reference.c_str()))
            return true;
        editorLog().msg(LOG_WARNING, "[TileMap] Warning: the image \"%s\" of \"%s\" could not be stored.\n",
                        source.c_str(), path.c_str());
        return false;
    });
    if (ok) {
        const int rc = document->save(archiveId, blockName.c_str());
        if (rc != 0)
            editorLog().msg(LOG_WARNING, "[TileMap] Warning: the tile set \"%s\" could not be stored (%d).\n",
                            blockName.c_str(), rc);
        ok = rc == 0;
    }
    documents->close(id);
    CMem::free(bytes);
    if (!ok)
        showBox(kTileSetTitle, "Some errors occurred during import. Check log for details.", MBB_OK, MBT_WARNING, 0);
    parseQEL();
    return ok ? 0 : -1;
}

std::set<CtrlScenes::string> CtrlScenes::imagesNamedBy(const string& tileSetBlock) const
{
    std::set<string> named;
    XMLMgr* documents = Main::instance()->xmlMgr();
    const int id = blockExists(globalStatus->iArchiveID, tileSetBlock, "ZK7_XML")
                       ? documents->load(globalStatus->iArchiveID, tileSetBlock.c_str())
                       : -1;
    if (id <= 0)
        return named;
    visitTSXImageNodes(documents->get(id), [&](XML* image) {
        int archiveId = -1;
        string blockName;
        bool opened = false;
        if (resolveQELResource(image->getAttributeString("source", ""), archiveId, blockName, opened) && !opened &&
            archiveId == globalStatus->iArchiveID)
            named.insert(blockName);
        if (opened)
            Main::instance()->archiveMgr()->close(archiveId);
        return true;
    });
    documents->close(id);
    return named;
}

int CtrlScenes::importImageToQEL(const string& imagePath, const string& part, string& reference,
                                 SceneFileNames& names)
{
    string wanted;
    if (!tool()->fileGetName(imagePath.c_str(), wanted) || wanted.empty())
        return -1;
    const string extension = tool()->fileGetExtension(imagePath.c_str());
    wanted += extension.empty() ? string(".png") : "." + extension;
    // One block per image file: two files of one name get two blocks, and
    // a file named twice is stored once.
    const bool stored = names.has(imagePath);
    const string blockName = names.nameFor(imagePath, wanted);
    if (blockName.empty())
        return -1;
    if (stored) {
        reference = "qel://" + part + "/" + blockName;
        return 0;
    }
    ImageMgr* images = Main::instance()->imageMgr();
    const int archiveId = globalStatus->iArchiveID;
    const int id = images->loadFromFile(imagePath.c_str(), "");
    Image* image = id > 0 ? images->get(id) : nullptr;
    const bool saved = image && ((blockExists(archiveId, blockName, "ZK7_IMAGE") &&
                                  holdsPixels(archiveId, blockName, image->getSurface())) ||
                                 image->save(archiveId, blockName.c_str()) == 0);
    if (id > 0)
        images->close(id);
    if (!saved)
        return -1;
    reference = "qel://" + part + "/" + blockName;
    return 0;
}

int CtrlScenes::onImportFullTMX(const string& path, const string& sceneName)
{
    SceneMgr* scenes = Main::instance()->sceneMgr();
    const int id = scenes->loadFromFile(path.c_str(), nullptr);
    if (id <= 0) {
        showBox(kMapTitle,
                "Failed to load TileMap. File may be invalid or dependencies missing.\n\n" +
                    string(scenes->getLastError()),
                MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    Scene* imported = scenes->get(id);
    // The tile sets, templates and images come into the archive too, so
    // that the stored map needs no file beside it.
    const int stored = imported ? imported->storeDependencies(globalStatus->iArchiveID) : -1;
    if (stored < 0) {
        scenes->close(id);
        showBox(kMapTitle, getArchiveSaveErrorMessage(stored, "Failed to save TileMap resources to QEL."), MBB_OK,
                MBT_ERROR, 0);
        if (imported) {
            globalStatus->bReparseAll = 1;
            parseQEL();
        }
        return -1;
    }
    const int rc = saveSceneBlockToQEL(imported, sceneName, kMapTitle);
    scenes->close(id);
    globalStatus->bReparseAll = 1;
    parseQEL();
    return rc == 0 ? 0 : -1;
}

int CtrlScenes::loadStoredBlock(const string& name)
{
    closeResources();
    if (selectBlockListItemByName(name) == 1)
        currentItemName = name;
    if (holdStoredBlock(name) != 0) {
        showNoContent();
        return -1;
    }
    if (WidgetTextEdit* field = panel->getTextEdit(BW_NAME))
        field->setText(name.c_str());
    setDirty(false); // what is held is what is stored
    const Archive* archive = Main::instance()->archiveMgr()->get(globalStatus->iArchiveID);
    globalStatus->bSecured = archive && (archive->isEncrypted() || archive->isEncryptedBlocks());
    checkMapType();
    updateData();
    return 0;
}
