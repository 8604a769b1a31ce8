#include "scene/SceneSources.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Internal.h>
#include <Zelkoran/Main.h>

#include "core/PathText.h"
#include "core/WholeFile.h"
#include "image/ImageBlock.h"
#include "image/PictureDecode.h"
#include "image/PictureSize.h"
#include "image/PngCodec.h"
#include "xml/XMLText.h"

#include <SDL.h>

#include <climits>
#include <cstring>

namespace Zelkoran::scene {

namespace {

// Image files larger than this are refused before they are read.
constexpr uint64_t kMaxImageFileBytes = uint64_t(256) << 20;

String folderOf(const String& path)
{
    return PathText::toString(std::filesystem::path(path.c_str()).parent_path());
}

bool isFile(const String& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(PathText::toPath(path.c_str()), ec);
}

// Whether the picture states a side no image block holds: such a file is
// refused before the decoder allocates what its header claims.
bool statesTooLarge(SDL_RWops* rw, uint32_t& width, uint32_t& height)
{
    return image::statedPictureSize(rw, width, height) != 0 &&
           (width > uint32_t(image::kMaxImageSide) || height > uint32_t(image::kMaxImageSide));
}

SDL_Surface* decodeBytes(SDL_RWops* rw)
{
    SDL_Surface* raw = image::decodePicture(rw, nullptr);
    if (!raw)
        return nullptr;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(raw);
    return argb;
}

} // namespace

SDL_Surface* decodePicture(const void* data, size_t size)
{
    SDL_RWops* rw = size <= size_t(INT_MAX) ? SDL_RWFromConstMem(data, int(size)) : nullptr;
    uint32_t width = 0, height = 0;
    if (rw && statesTooLarge(rw, width, height)) {
        SDL_RWclose(rw);
        return nullptr;
    }
    return rw ? decodeBytes(rw) : nullptr;
}

void applyColorKey(SDL_Surface* argb, uint32_t rgb)
{
    if (!argb || SDL_LockSurface(argb) != 0)
        return;
    for (int y = 0; y < argb->h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(argb->pixels) + size_t(y) * size_t(argb->pitch));
        for (int x = 0; x < argb->w; ++x)
            if ((row[x] & 0x00FFFFFFu) == rgb)
                row[x] = 0;
    }
    SDL_UnlockSurface(argb);
}

SceneSources::~SceneSources()
{
    for (const auto& [path, id] : m_opened)
        Main::instance()->archiveMgr()->close(id);
}

int SceneSources::archiveAt(const String& path)
{
    ArchiveMgr& archives = *Main::instance()->archiveMgr();
    const int open = archives.find(path.c_str());
    if (open > 0)
        return open;
    if (auto it = m_opened.find(path); it != m_opened.end())
        return it->second;
    if (!isFile(path))
        return RC_ERR_NOT_FOUND;
    const int id = archives.load(path.c_str(), nullptr, 0);
    if (id > 0)
        m_opened.emplace(path, id);
    return id > 0 ? id : (id < 0 ? id : RC_ERR_NOT_FOUND);
}

bool SceneSources::namesFormerSelf(const Origin& from, const String& archivePath)
{
    if (!isFile(archivePath))
        return true;
    ArchiveMgr& archives = *Main::instance()->archiveMgr();
    const int named = archiveAt(archivePath), own = archiveAt(from.archivePath);
    const Archive* namedArchive = named > 0 ? archives.get(named) : nullptr;
    const Archive* ownArchive = own > 0 ? archives.get(own) : nullptr;
    return namedArchive && ownArchive && namedArchive->isCopyOf(*ownArchive, from.block.c_str());
}

int SceneSources::locate(const Origin& from, const char* ref, const char* blockType, Found& out)
{
    m_place.clear();
    if (!ref || !*ref)
        return RC_ERR_NOT_FOUND;
    if (Internal::isQELURI(ref)) {
        String archivePath;
        bool same = false;
        // A relative archive path is taken from the referring text's folder.
        const String base = !from.archivePath.empty() || from.folder.empty() ? from.archivePath
                                                                              : from.folder + "/referrer.tmx";
        if (Internal::resolveQELURI(ref, base.c_str(), archivePath, out.block, same) != RC_OK)
            return RC_ERR_INVALID;
        m_place = archivePath;
        // References keep the archive's file name of when they were
        // written: a copied or renamed archive finds its own blocks, whether
        // the file of its former name is gone or still lies beside it.
        if (!same && !from.archivePath.empty() && namesFormerSelf(from, archivePath)) {
            const int own = archiveAt(from.archivePath);
            const Archive* archive = own > 0 ? Main::instance()->archiveMgr()->get(own) : nullptr;
            if (archive && archive->blockSearch(Archive::Block(out.block.c_str(), blockType)) >= 0) {
                out.archiveId = own;
                m_place = from.archivePath;
                return RC_OK;
            }
        }
        const int id = archiveAt(archivePath);
        if (id < 1)
            return id;
        out.archiveId = id;
        return RC_OK;
    }
    if (!from.archivePath.empty()) {
        const int id = archiveAt(from.archivePath);
        Archive* archive = id > 0 ? Main::instance()->archiveMgr()->get(id) : nullptr;
        if (archive && archive->blockSearch(Archive::Block(ref, blockType)) >= 0) {
            out.archiveId = id;
            out.block = ref;
            m_place = from.archivePath;
            return RC_OK;
        }
    }
    // A file: relative references are taken from the referring text's folder.
    std::filesystem::path p = PathText::toPath(ref);
    if (p.is_relative() && !from.folder.empty())
        p = std::filesystem::path(from.folder.c_str()) / p;
    m_place = PathText::toString(p);
    if (!PathText::absolute(p, out.file) || !isFile(out.file))
        return RC_ERR_NOT_FOUND;
    return RC_OK;
}

String SceneSources::unreadable(const char* kind, const char* ref, int rc) const
{
    String text = String("the ") + kind + " \"" + ref + "\" cannot be read";
    if (!m_place.empty())
        text += " from \"" + m_place + "\"";
    if (rc == RC_ERR_TOO_LARGE && (m_refusedWidth || m_refusedHeight))
        return text + ": it is " + std::to_string(m_refusedWidth).c_str() + "x" +
               std::to_string(m_refusedHeight).c_str() + " pixels; a picture may have at most " +
               std::to_string(image::kMaxImageSide).c_str() + " pixels a side";
    switch (rc) {
    case RC_ERR_NOT_FOUND:
    case RC_ERR_INVALID: return text + ": it is missing";
    case RC_ERR_CORRUPT:
        return text + (std::strcmp(kind, "image") == 0 ? ": it is damaged or not a picture" : ": it is damaged");
    case RC_ERR_TOO_LARGE: return text + ": it is too large";
    case RC_ERR_NO_MEMORY: return text + ": there is not enough memory for it";
    default: return text;
    }
}

int SceneSources::readText(const Origin& from, const char* ref, String& text, Origin& found, String& identity)
{
    m_refusedWidth = m_refusedHeight = 0;
    Found where;
    if (int rc = locate(from, ref, "ZK7_XML", where); rc != RC_OK)
        return rc;
    if (where.archiveId > 0) {
        Archive* archive = Main::instance()->archiveMgr()->get(where.archiveId);
        Archive::Block block(where.block.c_str(), "ZK7_XML");
        if (int rc = archive->blockLoad(block); rc != RC_OK)
            return rc;
        if (block.size > xml::kMaxTextBytes) {
            archive->blockFree(block);
            return RC_ERR_TOO_LARGE;
        }
        text.assign(static_cast<const char*>(block.data), size_t(block.size));
        archive->blockFree(block);
        found.archivePath = archive->getName();
        found.folder = folderOf(found.archivePath);
        found.block = where.block;
        identity = "qel:" + found.archivePath + "/" + where.block;
        return RC_OK;
    }
    if (int rc = readWholeFile(where.file.c_str(), text, xml::kMaxTextBytes); rc != RC_OK)
        return rc;
    found.archivePath.clear();
    found.block.clear();
    found.folder = folderOf(where.file);
    identity = "file:" + where.file;
    return RC_OK;
}

int SceneSources::readPicture(const Origin& from, const char* ref, int trans, PicturePtr& out)
{
    m_refusedWidth = m_refusedHeight = 0;
    Found where;
    if (int rc = locate(from, ref, image::kImageBlockType, where); rc != RC_OK)
        return rc;
    // Shared only by references written alike: a picture keeps one reference
    // text, which must stay right where each text names it ("../a.png" in a
    // map, "a.png" in the tile set beside the image).
    const String key = (where.archiveId > 0 ? String(std::to_string(where.archiveId).c_str()) + ":" + where.block
                                            : where.file) +
                       "#" + std::to_string(trans).c_str() + "#" + ref;
    if (auto it = m_pictures.find(key); it != m_pictures.end()) {
        out = it->second;
        return RC_OK;
    }
    SDL_Surface* pixels = nullptr;
    bool clearPalette = false;
    if (where.archiveId > 0) {
        Archive* archive = Main::instance()->archiveMgr()->get(where.archiveId);
        Archive::Block block(where.block.c_str(), image::kImageBlockType);
        if (int rc = archive->blockLoad(block); rc != RC_OK)
            return rc;
        image::ImageSettings settings;
        const int rc = image::decodeImageBlock(static_cast<const uint8_t*>(block.data), size_t(block.size), pixels,
                                               settings);
        archive->blockFree(block);
        if (rc != RC_OK)
            return rc;
        // Blocks without alpha decode opaque; pictures carry alpha, so a
        // colour key can make pixels transparent.
        if (pixels->format->format != SDL_PIXELFORMAT_ARGB8888) {
            SDL_Surface* argb = SDL_ConvertSurfaceFormat(pixels, SDL_PIXELFORMAT_ARGB8888, 0);
            SDL_FreeSurface(pixels);
            if (!(pixels = argb))
                return RC_ERR_NO_MEMORY;
        }
        if (trans < 0 && settings.key[0] >= 0)
            trans = (settings.key[0] << 16) | (settings.key[1] << 8) | settings.key[2];
        clearPalette = trans < 0 && settings.clearPalette;
    } else {
        Vector<uint8_t> bytes;
        if (int rc = readWholeFile(where.file.c_str(), bytes, kMaxImageFileBytes); rc != RC_OK)
            return rc;
        SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), int(bytes.size()));
        uint32_t width = 0, height = 0;
        if (rw && statesTooLarge(rw, width, height)) {
            SDL_RWclose(rw);
            m_refusedWidth = width;
            m_refusedHeight = height;
            return RC_ERR_TOO_LARGE;
        }
        if (!rw || !(pixels = decodeBytes(rw)))
            return RC_ERR_CORRUPT;
        clearPalette = trans < 0 && image::pngPaletteHasAlpha(bytes.data(), bytes.size());
    }
    if (trans >= 0)
        applyColorKey(pixels, uint32_t(trans));
    auto picture = std::make_shared<Picture>();
    picture->clearPalette = clearPalette;
    picture->source = ref;
    picture->surface = pixels;
    m_pictures.emplace(key, picture);
    out = std::move(picture);
    return RC_OK;
}

} // namespace Zelkoran::scene
