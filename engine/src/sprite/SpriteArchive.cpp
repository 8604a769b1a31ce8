// Sprites as archive blocks: create, load and save.
#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Sprite.h>

#include "image/HiddenImage.h"
#include "sprite/SpriteBlock.h"

namespace Zelkoran {

namespace {
constexpr const char* kSheetPrefix = "#S_";
}

int Sprite::save(int archiveId, const char* name)
{
    if (!Main::instance()->archiveMgr()->get(archiveId))
        return RC_ERR_NOT_FOUND;
    const char* blockName = saveName(name);
    if (!Main::instance()->imageMgr()->get(m_image) || m_anims.empty())
        return RC_ERR_INVALID;
    sprite::SpriteLayout layout;
    layout.cellW = m_frameW;
    layout.cellH = m_frameH;
    layout.anims = m_anims;
    Vector<uint8_t> payload;
    if (const int rc = sprite::encodeSpriteBlock(layout, payload); rc != RC_OK)
        return rc;
    return resource::saveWithImage(archiveId, sprite::kSpriteBlockType, kSheetPrefix, blockName, m_image, payload);
}

SpriteMgr::SpriteMgr() : ResourceMgr({sprite::kSpriteBlockType, kSheetPrefix, resource::kMaxResourceName, false}) {}

int SpriteMgr::create(const char* name, int)
{
    if (!fitsName(name))
        return RC_ERR_INVALID;
    return add(std::unique_ptr<Sprite>(new Sprite(nextId(), name)));
}

int SpriteMgr::load(int archiveId, const char* name)
{
    Vector<uint8_t> payload;
    int image = 0;
    int rc = resource::loadWithImage(archiveId, sprite::kSpriteBlockType, kSheetPrefix, name, payload, image);
    if (rc != RC_OK)
        return rc;
    const Image* sheet = Main::instance()->imageMgr()->get(image);
    sprite::SpriteLayout layout;
    rc = sprite::decodeSpriteBlock(payload.data(), payload.size(), sheet->getWidth(), sheet->getHeight(), layout);
    if (rc != RC_OK) {
        resource::releaseImage(image);
        return rc;
    }
    auto s = std::unique_ptr<Sprite>(new Sprite(nextId(), name));
    s->m_image = image;
    s->m_frameW = layout.cellW;
    s->m_frameH = layout.cellH;
    s->m_anims = std::move(layout.anims);
    s->orderAnimState(-1);
    s->selectAnimIndex(0);
    return add(std::move(s));
}

} // namespace Zelkoran
