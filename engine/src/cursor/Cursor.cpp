#include <Zelkoran/Archive.h>
#include <Zelkoran/Cursor.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>

#include "cursor/CursorBlock.h"
#include "image/HiddenImage.h"
#include "resource/ResourceMgrImpl.h"

#include <algorithm>
#include <optional>

namespace Zelkoran {

template class ResourceMgr<Cursor>;

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

Cursor::Cursor(int id, const char* name) : Resource(id, name) {}

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
    return resource::saveWithImage(archiveId, cursor::kCursorBlockType, kImagePrefix, saveName(name), m_image,
                                   payload);
}

CursorMgr::CursorMgr() : ResourceMgr({cursor::kCursorBlockType, kImagePrefix, resource::kMaxResourceName, false}) {}

int CursorMgr::create(const char* name, int)
{
    if (!fitsName(name))
        return RC_ERR_INVALID;
    return add(std::unique_ptr<Cursor>(new Cursor(nextId(), name)));
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
    auto c = std::unique_ptr<Cursor>(new Cursor(nextId(), name));
    c->m_image = image;
    c->m_hotX = x;
    c->m_hotY = y;
    return add(std::move(c));
}

} // namespace Zelkoran
