#include "tabs/scenes/SceneTileSetImport.h"

#include "services/CMemSkarden.h"
#include "services/EditorLog.h"
#include "services/GlobalStatus.h"
#include "tabs/base/TabServices.h"
#include "tabs/scenes/SceneBlockKind.h"
#include "tabs/scenes/SceneFileNames.h"
#include "tabs/scenes/SceneReferences.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/XML.h>

#include <SDL_rwops.h>
#include <SDL_surface.h>

#include <climits>
#include <cstring>

using namespace Zelkoran;

namespace {

constexpr const char* kTileSetTitle = "TileSet import";

Tool* tool() { return Main::instance()->tool(); }

// The log's reason for a picture of a tile set that is not stored: "" where
// the code says nothing more than that it failed.
const char* whyNotStored(int code)
{
    switch (code) {
    case RC_ERR_NOT_FOUND: return ": the file cannot be opened";
    case RC_ERR_CORRUPT: return ": it is not a picture the editor reads";
    case RC_ERR_TOO_LARGE: return ": a picture may be at most 16384 pixels a side";
    case RC_ERR_NO_MEMORY: return ": there is not enough memory for it";
    case RC_ERR_NO_SLOT: return ": the QEL file has no free block slot";
    default: return "";
    }
}

// The image block holds exactly these pixels (ARGB8888).
bool holdsPixels(int archiveId, const String& name, const SDL_Surface* pixels)
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

bool holdsBlock(int archiveId, const String& name, const char* type)
{
    const Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    return archive && archive->blockSearch(Archive::Block(name.c_str(), type)) >= 0;
}

// The image block names of one tile set import. An image block of the
// archive is left alone unless the tile set being replaced names it; one
// that holds the picture already (a tile set sharing another's picture) is
// named, not copied.
class ImageBlockNames : public SceneFileNames {
public:
    ImageBlockNames(int archiveId, std::set<String> replaceable)
        : SceneFileNames(kMaxBlockName), m_archiveId(archiveId), m_replaceable(std::move(replaceable))
    {
    }

protected:
    bool taken(const String& name, const String& imagePath) const override
    {
        if (m_replaceable.count(name) || !holdsBlock(m_archiveId, name, "ZK7_IMAGE"))
            return false;
        ImageMgr* images = Main::instance()->imageMgr();
        const int pictureId = images->loadFromFile(imagePath.c_str(), "");
        const Image* picture = pictureId > 0 ? images->get(pictureId) : nullptr;
        const bool same = picture && holdsPixels(m_archiveId, name, picture->getSurface());
        if (pictureId > 0)
            images->close(pictureId);
        return !same;
    }

private:
    int m_archiveId;
    std::set<String> m_replaceable;
};

} // namespace

SceneTileSetImport::string SceneTileSetImport::blockNameFor(const string& path)
{
    return tool()->fileGetName(path.c_str()) + "." + SceneBlockKind::extensionOf(path);
}

bool SceneTileSetImport::blockExists(const string& name, const char* type) const
{
    return holdsBlock(m_services.status().iArchiveID, name, type);
}

int SceneTileSetImport::loadFileToBuffer(const string& path, unsigned char*& buffer, int& size)
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

SceneTileSetImport::string SceneTileSetImport::archivePart() const
{
    const string& archivePath = m_services.status().sArchivePath;
    string part = tool()->fileGetName(archivePath.c_str());
    if (const string extension = tool()->fileGetExtension(archivePath.c_str()); !extension.empty())
        part += "." + extension;
    return part;
}

int SceneTileSetImport::onImportFullTSX(const string& path, const string& blockName) const
{
    unsigned char* bytes = nullptr;
    int size = 0;
    if (loadFileToBuffer(path, bytes, size) != 0) {
        m_services.messageBox(kTileSetTitle, "Failed to read TSX file.", MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    XMLMgr* documents = Main::instance()->xmlMgr();
    const int id = documents->loadFromBuffer(bytes, size_t(size), blockName.c_str());
    XML* document = id > 0 ? documents->get(id) : nullptr;
    if (!document) {
        if (id > 0)
            documents->close(id);
        CMem::free(bytes);
        m_services.messageBox(kTileSetTitle, "Failed to parse TSX file.", MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    const string folder = tool()->pathNormalize(tool()->fileGetDir(path.c_str()).c_str());
    const string part = archivePart();
    // The images the tile set being replaced names may be overwritten (the
    // user agreed).
    ImageBlockNames names(m_services.status().iArchiveID, imagesNamedBy(blockName));
    bool ok = SceneReferences::visitTSXImageNodes(document, [&](XML* image) {
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
        const int rc = !normalized.empty() && tool()->fileGetAbsolutePath(candidate.c_str(), full)
                           ? importImageToQEL(full, part, reference, names)
                           : RC_ERR_NOT_FOUND;
        if (rc == 0 && image->setAttributeString("source", reference.c_str()))
            return true;
        editorLog().msg(LOG_WARNING, "[TileMap] Warning: the image \"%s\" of \"%s\" could not be stored%s.\n",
                        source.c_str(), path.c_str(), whyNotStored(rc));
        return false;
    });
    if (ok) {
        const int rc = document->save(m_services.status().iArchiveID, blockName.c_str());
        if (rc != 0)
            editorLog().msg(LOG_WARNING, "[TileMap] Warning: the tile set \"%s\" could not be stored (%d).\n",
                            blockName.c_str(), rc);
        ok = rc == 0;
    }
    documents->close(id);
    CMem::free(bytes);
    if (!ok)
        m_services.messageBox(kTileSetTitle, "Some errors occurred during import. Check log for details.", MBB_OK,
                              MBT_WARNING, 0);
    return ok ? 0 : 1;
}

std::set<SceneTileSetImport::string> SceneTileSetImport::imagesNamedBy(const string& tileSetBlock) const
{
    std::set<string> named;
    XMLMgr* documents = Main::instance()->xmlMgr();
    const int id = blockExists(tileSetBlock, "ZK7_XML")
                       ? documents->load(m_services.status().iArchiveID, tileSetBlock.c_str())
                       : -1;
    if (id <= 0)
        return named;
    SceneReferences::visitTSXImageNodes(documents->get(id), [&](XML* image) {
        int archiveId = -1;
        string blockName;
        bool opened = false;
        if (m_references.resolveQELResource(image->getAttributeString("source", ""), archiveId, blockName, opened) &&
            !opened && archiveId == m_services.status().iArchiveID)
            named.insert(blockName);
        if (opened)
            Main::instance()->archiveMgr()->close(archiveId);
        return true;
    });
    documents->close(id);
    return named;
}

int SceneTileSetImport::importImageToQEL(const string& imagePath, const string& part, string& reference,
                                         SceneFileNames& names) const
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
    const int archiveId = m_services.status().iArchiveID;
    const int id = images->loadFromFile(imagePath.c_str(), "");
    Image* image = id > 0 ? images->get(id) : nullptr;
    if (!image)
        return id < 0 ? id : -1;
    const int saved = blockExists(blockName, "ZK7_IMAGE") && holdsPixels(archiveId, blockName, image->getSurface())
                          ? 0
                          : image->save(archiveId, blockName.c_str());
    images->close(id);
    if (saved != 0)
        return saved;
    reference = "qel://" + part + "/" + blockName;
    return 0;
}
