#include "image/HiddenImage.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>

#include <new>

namespace Zelkoran::resource {

namespace {

Archive* archiveOf(int archiveId) { return Main::instance()->archiveMgr()->get(archiveId); }

bool live(const Archive& archive, const char* name, const char* type)
{
    return archive.blockSearch(Archive::Block(name, type)) >= 0;
}

} // namespace

int saveWithImage(int archiveId, const char* type, const char* prefix, const char* name, int imageId,
                  const Vector<uint8_t>& payload)
{
    Archive* archive = archiveOf(archiveId);
    Image* image = Main::instance()->imageMgr()->get(imageId);
    if (!archive || !image)
        return RC_ERR_NOT_FOUND;
    if (!fitsResourceName(name) || !name[0])
        return RC_ERR_INVALID;
    const String imageName = hiddenImageName(prefix, name);
    // Both blocks or neither: a slot shortage must show before the image
    // block is replaced.
    const int needed = (live(*archive, imageName.c_str(), "ZK7_IMAGE") ? 0 : 1) + (live(*archive, name, type) ? 0 : 1);
    if (archive->getBlockLimit() - archive->getBlockCount() < needed)
        return RC_ERR_NO_SLOT;
    int rc = image->save(archiveId, imageName.c_str());
    if (rc != RC_OK)
        return rc;
    Archive::Block block(name, type);
    block.storage = blockStorage(*archive, Archive::ST_RAW);
    block.data = const_cast<uint8_t*>(payload.data());
    block.size = payload.size();
    return archive->blockAdd(block);
}

int loadWithImage(int archiveId, const char* type, const char* prefix, const char* name, Vector<uint8_t>& payload,
                  int& imageId)
{
    imageId = 0;
    Archive* archive = archiveOf(archiveId);
    if (!archive || !name || !name[0] || !fitsResourceName(name))
        return RC_ERR_NOT_FOUND;
    Archive::Block block(name, type);
    int rc = archive->blockLoad(block);
    if (rc != RC_OK)
        return rc;
    try {
        const auto* bytes = static_cast<const uint8_t*>(block.data);
        payload.assign(bytes, bytes + block.size);
    } catch (const std::bad_alloc&) {
        archive->blockFree(block);
        return RC_ERR_NO_MEMORY;
    }
    archive->blockFree(block);
    const int id = Main::instance()->imageMgr()->load(archiveId, hiddenImageName(prefix, name).c_str());
    if (id <= 0)
        return id;
    imageId = id;
    return RC_OK;
}

int holdImage(int imageId, int own)
{
    ImageMgr* images = Main::instance()->imageMgr();
    if (!images->get(imageId))
        return RC_ERR_NOT_FOUND;
    return own ? RC_OK : images->retain(imageId);
}

void releaseImage(int imageId)
{
    if (imageId > 0)
        if (ImageMgr* images = Main::instance()->imageMgr())
            images->close(imageId);
}

int replaceImage(int& held, int imageId, int own)
{
    if (imageId == held && imageId > 0)
        return RC_OK;
    const int rc = holdImage(imageId, own);
    if (rc != RC_OK)
        return rc;
    releaseImage(held);
    held = imageId;
    return RC_OK;
}

} // namespace Zelkoran::resource
