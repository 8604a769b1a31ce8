#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Tile.h>

#include "image/HiddenImage.h"
#include "resource/ResourceMgrImpl.h"
#include "tile/TileBlock.h"

namespace Zelkoran {

template class ResourceMgr<Tile>;

namespace {
constexpr const char* kImagePrefix = "#T_";
}

Tile::Tile(int id, const char* name) : Resource(id, name) {}

Tile::~Tile() { resource::releaseImage(m_image); }

int Tile::assignImage(int imageId, int own)
{
    return resource::replaceImage(m_image, imageId, own);
}

int Tile::setOffset(int flag, int w, int h)
{
    if (w < 1 || h < 1)
        return RC_ERR_INVALID;
    m_flag = flag ? 1 : 0;
    m_tileW = w;
    m_tileH = h;
    return RC_OK;
}

void Tile::getOffset(int& w, int& h) const
{
    w = m_tileW;
    h = m_tileH;
}

void Tile::getTileCount(int& across, int& down) const
{
    const Image* img = Main::instance()->imageMgr()->get(m_image);
    const bool cut = img && m_tileW > 0 && m_tileH > 0;
    across = cut ? img->getWidth() / m_tileW : 0;
    down = cut ? img->getHeight() / m_tileH : 0;
}

int Tile::save(int archiveId, const char* name)
{
    if (!Main::instance()->archiveMgr()->get(archiveId))
        return RC_ERR_NOT_FOUND;
    if (!Main::instance()->imageMgr()->get(m_image) || m_tileW < 1 || m_tileH < 1)
        return RC_ERR_INVALID;
    Vector<uint8_t> payload;
    tile::encodeTileBlock(tile::TileLayout{m_flag, m_tileW, m_tileH}, payload);
    return resource::saveWithImage(archiveId, tile::kTileBlockType, kImagePrefix, saveName(name), m_image, payload);
}

static_assert(TileMgr::kMaxName == resource::kMaxResourceName, "tile names end up in hidden image block names");

TileMgr::TileMgr() : ResourceMgr({tile::kTileBlockType, kImagePrefix, kMaxName, true}) {}

int TileMgr::create(const char* name, int)
{
    if (!fitsName(name))
        return RC_ERR_INVALID;
    if (name[0] && nameTaken(name, 0))
        return RC_ERR_EXISTS;
    return add(std::unique_ptr<Tile>(new Tile(nextId(), name)));
}

int TileMgr::load(int archiveId, const char* name)
{
    Vector<uint8_t> payload;
    int image = 0;
    int rc = resource::loadWithImage(archiveId, tile::kTileBlockType, kImagePrefix, name, payload, image);
    if (rc != RC_OK)
        return rc;
    tile::TileLayout layout;
    if ((rc = tile::decodeTileBlock(payload.data(), payload.size(), layout)) != RC_OK) {
        resource::releaseImage(image);
        return rc;
    }
    auto t = std::unique_ptr<Tile>(new Tile(nextId(), name));
    t->m_image = image;
    t->m_flag = layout.flag;
    t->m_tileW = layout.tileW;
    t->m_tileH = layout.tileH;
    return add(std::move(t));
}

} // namespace Zelkoran
