#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Sprite.h>

#include "image/HiddenImage.h"
#include "resource/ResourceMgrImpl.h"

#include <SDL.h>

#include <algorithm>

namespace Zelkoran {

template class ResourceMgr<Sprite>;

Sprite::Sprite(int id, const char* name) : Resource(id, name) {}

Sprite::~Sprite() { resource::releaseImage(m_image); }

void Sprite::getOffset(int* w, int* h) const
{
    if (w)
        *w = m_frameW;
    if (h)
        *h = m_frameH;
}

int Sprite::getAnimCount() const { return static_cast<int>(m_anims.size()); }

int Sprite::getFrameCountIndex(int anim) const
{
    const Anim* a = this->anim(anim);
    return a ? static_cast<int>(a->times.size()) : 0;
}

const Sprite::Anim* Sprite::anim(int index) const
{
    return index >= 0 && index < getAnimCount() ? &m_anims[static_cast<size_t>(index)] : nullptr;
}

int Sprite::assignImage(int imageId, int own)
{
    const Image* img = Main::instance()->imageMgr()->get(imageId);
    if (!img)
        return RC_ERR_NOT_FOUND;
    if (img->getWidth() < 1 || img->getHeight() < 1)
        return RC_ERR_INVALID;
    if (const int rc = resource::replaceImage(m_image, imageId, own); rc != RC_OK)
        return rc;
    m_anims.clear();
    m_frameW = img->getWidth();
    m_frameH = img->getHeight();
    recut(1, 1);
    m_anim = m_frame = 0;
    m_elapsed = 0;
    return RC_OK;
}

int Sprite::setOffset(int w, int h)
{
    const Image* img = Main::instance()->imageMgr()->get(m_image);
    if (!img || w < 1 || h < 1 || w > img->getWidth() || h > img->getHeight())
        return RC_ERR_INVALID;
    m_frameW = w;
    m_frameH = h;
    recut(img->getHeight() / h, img->getWidth() / w);
    return RC_OK;
}

void Sprite::recut(int rows, int columns)
{
    m_anims.resize(static_cast<size_t>(rows));
    for (Anim& a : m_anims) {
        const int before = static_cast<int>(a.times.size());
        const bool wholeRow = before == 0 || (a.first == 0 && a.last == before - 1);
        a.times.resize(static_cast<size_t>(columns), kDefaultFrameMs);
        if (wholeRow) {
            a.first = 0;
            a.last = columns - 1;
        } else {
            a.last = std::min(a.last, columns - 1);
            a.first = std::min(a.first, a.last);
        }
    }
    if (m_anim >= rows)
        m_anim = 0;
    if (m_frame >= columns)
        m_frame = m_anims[static_cast<size_t>(m_anim)].first;
    orderAnimState(-1);
}

int Sprite::renderFrame(SDL_Renderer* renderer, int anim, int frame, const SDL_Rect* dst, uint8_t alpha)
{
    Image* img = Main::instance()->imageMgr()->get(m_image);
    if (!img || !renderer)
        return RC_ERR_NOT_FOUND;
    const int anims = getAnimCount();
    if (anims <= 0)
        return RC_ERR_INVALID;
    anim = anim < 0 ? 0 : anim >= anims ? anims - 1 : anim;
    SDL_Texture* tex = img->texture(renderer);
    if (!tex)
        return RC_ERR_INVALID;
    const SDL_Rect src{frame * m_frameW, anim * m_frameH, m_frameW, m_frameH};
    const SDL_Rect whole{0, 0, m_frameW, m_frameH};
    SDL_SetTextureAlphaMod(tex, static_cast<uint8_t>(img->getAlphaMod() * alpha / 255));
    return SDL_RenderCopy(renderer, tex, &src, dst ? dst : &whole) == 0 ? RC_OK : RC_ERR_GENERIC;
}


int SpriteMgr::loadFromBuffer(const void* data, size_t size, const char* name, int frameW, int frameH)
{
    if (frameW <= 0 || frameH <= 0)
        return RC_ERR_INVALID;
    ImageMgr* images = Main::instance()->imageMgr();
    const int image = images->loadFromBuffer(data, size, name);
    if (image <= 0)
        return image;
    auto sprite = std::unique_ptr<Sprite>(new Sprite(nextId(), name));
    if (sprite->assignImage(image, 1) != RC_OK || sprite->setOffset(frameW, frameH) != RC_OK) {
        // The sprite holds the image once assigned and releases it with itself.
        if (sprite->getImage() != image)
            images->close(image);
        return RC_ERR_INVALID;
    }
    return add(std::move(sprite));
}

int SpriteMgr::child(int parentId)
{
    const Sprite* parent = get(parentId);
    if (!parent || Main::instance()->imageMgr()->retain(parent->m_image) != RC_OK)
        return RC_ERR_NOT_FOUND;
    auto sprite = std::unique_ptr<Sprite>(new Sprite(nextId(), parent->getName()));
    sprite->m_image = parent->m_image;
    sprite->m_frameW = parent->m_frameW;
    sprite->m_frameH = parent->m_frameH;
    sprite->m_anims = parent->m_anims;
    sprite->m_stateOrder = parent->m_stateOrder;
    return add(std::move(sprite));
}

} // namespace Zelkoran
