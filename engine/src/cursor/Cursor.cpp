#include <Zelkoran/Archive.h>
#include <Zelkoran/Cursor.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>

#include "cursor/CursorBlock.h"
#include "resource/HiddenImage.h"
#include "resource/ResourceStore.h"

#include <algorithm>
#include <optional>

namespace Zelkoran {

namespace {

constexpr const char* kImagePrefix = "#C_";
constexpr uint32_t kFormMask = 0xFE000000u;
constexpr int kMinOffset = -8388608;
constexpr int kMaxOffset = 8388607;

// Toward zero, saturated to the int range (NaN gives 0).
int truncated(float v)
{
    if (!(v == v))
        return 0;
    return static_cast<int>(std::clamp(v, -2147483648.0f, 2147483520.0f));
}

// The encoded value of one axis, none when the position cannot be one.
std::optional<int> encodeAxis(const Position& p)
{
    const int v = truncated(p.offset);
    switch (p.helper) {
    case PH_ABSOLUTE:
        // A pixel there would read back as a centre or size offset.
        if ((static_cast<uint32_t>(v) & kFormMask) == static_cast<uint32_t>(PH_SIZE))
            return std::nullopt;
        return v;
    case PH_CENTER_CODE:
    case PH_SIZE:
        return static_cast<int>(static_cast<uint32_t>(p.helper) |
                                (static_cast<uint32_t>(std::clamp(v, kMinOffset, kMaxOffset)) & 0x00FFFFFFu));
    default: return std::nullopt;
    }
}

} // namespace

Cursor::Cursor(int id, const char* name) : m_id(id), m_name(name ? name : "") {}

Cursor::~Cursor() { resource::releaseImage(m_image); }

int Cursor::assignImage(int imageId, int own)
{
    return resource::replaceImage(m_image, imageId, own);
}

bool Cursor::setHotSpot(Position x, Position y)
{
    const std::optional<int> ex = encodeAxis(x), ey = encodeAxis(y);
    if (!ex || !ey)
        return false;
    m_hotX = *ex;
    m_hotY = *ey;
    return true;
}

void Cursor::getHotSpot(int& x, int& y) const
{
    x = m_hotX;
    y = m_hotY;
}

int Cursor::save(int archiveId, const char* name)
{
    if (!Main::instance()->archiveMgr()->get(archiveId))
        return RC_ERR_NOT_FOUND;
    if (!Main::instance()->imageMgr()->get(m_image))
        return RC_ERR_INVALID;
    Vector<uint8_t> payload;
    cursor::encodeCursorBlock(m_hotX, m_hotY, payload);
    return resource::saveWithImage(archiveId, cursor::kCursorBlockType, kImagePrefix,
                                   name && name[0] ? name : m_name.c_str(), m_image, payload);
}

struct CursorMgr::Impl {
    resource::ResourceStore<Cursor> cursors;
};

CursorMgr::CursorMgr() : m_impl(std::make_unique<Impl>()) {}
CursorMgr::~CursorMgr() = default;

int CursorMgr::create(const char* name, int)
{
    if (!resource::fitsResourceName(name))
        return RC_ERR_INVALID;
    return m_impl->cursors.add(std::unique_ptr<Cursor>(new Cursor(m_impl->cursors.peekId(), name)));
}

int CursorMgr::load(int archiveId, const char* name)
{
    Vector<uint8_t> payload;
    int image = 0;
    int rc = resource::loadWithImage(archiveId, cursor::kCursorBlockType, kImagePrefix, name, payload, image);
    if (rc != RC_OK)
        return rc;
    int x = 0, y = 0;
    if ((rc = cursor::decodeCursorBlock(payload.data(), payload.size(), x, y)) != RC_OK) {
        resource::releaseImage(image);
        return rc;
    }
    auto c = std::unique_ptr<Cursor>(new Cursor(m_impl->cursors.peekId(), name));
    c->m_image = image;
    c->m_hotX = x;
    c->m_hotY = y;
    return m_impl->cursors.add(std::move(c));
}

Cursor* CursorMgr::get(int id) { return m_impl->cursors.get(id); }

int CursorMgr::close(int id) { return m_impl->cursors.take(id) ? RC_OK : RC_ERR_NOT_FOUND; }

int CursorMgr::setName(int id, const char* name)
{
    Cursor* c = get(id);
    if (!c)
        return RC_ERR_NOT_FOUND;
    if (!resource::fitsResourceName(name) || !name[0])
        return RC_ERR_INVALID;
    c->m_name = name;
    return RC_OK;
}

int CursorMgr::remove(int archiveId, const char* name)
{
    return resource::removeWithImage(archiveId, cursor::kCursorBlockType, kImagePrefix, name);
}

} // namespace Zelkoran
