// Open tile sets in memory: their image and tile size. Reading and writing
// "ZK7_TILE" blocks (load, save, remove) belongs to the tile tab's work and
// is not part of this unit.
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Tile.h>

#include <cstring>
#include <unordered_map>

namespace Zelkoran {

namespace {
constexpr size_t kMaxNameLength = 60;
} // namespace

struct TileMgr::Impl {
    std::unordered_map<int, std::unique_ptr<Tile>> tiles;
    int nextId = 1;

    bool nameTaken(const char* name, int except) const
    {
        if (!*name)
            return false;
        for (const auto& [id, tile] : tiles)
            if (id != except && std::strcmp(tile->getName(), name) == 0)
                return true;
        return false;
    }
};

Tile::Tile(int id, const char* name) : m_id(id), m_name(name) {}

Tile::~Tile()
{
    if (m_image > 0)
        Main::instance()->imageMgr()->close(m_image);
}

int Tile::assignImage(int imageId, int own)
{
    ImageMgr* images = Main::instance()->imageMgr();
    if (!images->get(imageId))
        return RC_ERR_NOT_FOUND;
    if (imageId == m_image) {
        if (own) // the tile set already holds one; the caller's hold is released
            images->close(imageId);
        return RC_OK;
    }
    if (!own)
        images->retain(imageId);
    if (m_image > 0)
        images->close(m_image);
    m_image = imageId;
    return RC_OK;
}

int Tile::setOffset(int flag, int w, int h)
{
    if (w < 1 || h < 1)
        return RC_ERR_INVALID;
    m_flag = flag, m_tileW = w, m_tileH = h;
    return RC_OK;
}

void Tile::getOffset(int& w, int& h) const { w = m_tileW, h = m_tileH; }

void Tile::getTileCount(int& across, int& down) const
{
    across = down = 0;
    const Image* image = m_image > 0 ? Main::instance()->imageMgr()->get(m_image) : nullptr;
    if (!image || !image->getSurface() || m_tileW < 1 || m_tileH < 1)
        return;
    across = image->getWidth() / m_tileW;
    down = image->getHeight() / m_tileH;
}

TileMgr::TileMgr() : m_impl(std::make_unique<Impl>()) {}
TileMgr::~TileMgr() = default;

int TileMgr::create(const char* name, int)
{
    if (!name || std::strlen(name) > kMaxNameLength)
        return RC_ERR_INVALID;
    if (m_impl->nameTaken(name, 0))
        return RC_ERR_EXISTS;
    const int id = m_impl->nextId++;
    m_impl->tiles[id] = std::unique_ptr<Tile>(new Tile(id, name));
    return id;
}

Tile* TileMgr::get(int id)
{
    auto it = m_impl->tiles.find(id);
    return it == m_impl->tiles.end() ? nullptr : it->second.get();
}

int TileMgr::close(int id) { return m_impl->tiles.erase(id) ? RC_OK : RC_ERR_NOT_FOUND; }

int TileMgr::setName(int id, const char* name)
{
    Tile* tile = get(id);
    if (!tile)
        return RC_ERR_NOT_FOUND;
    if (!name || !*name || std::strlen(name) > kMaxNameLength)
        return RC_ERR_INVALID;
    if (m_impl->nameTaken(name, id))
        return RC_ERR_EXISTS;
    tile->m_name = name;
    return RC_OK;
}

} // namespace Zelkoran
