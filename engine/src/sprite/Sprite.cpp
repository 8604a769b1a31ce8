#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Sprite.h>

#include <SDL.h>

#include <unordered_map>

namespace Zelkoran {

Sprite::Sprite(int id, const char* name, int image, int frameW, int frameH)
    : m_id(id), m_name(name ? name : ""), m_image(image), m_frameW(frameW), m_frameH(frameH)
{
}

void Sprite::getOffset(int* w, int* h) const
{
    if (w)
        *w = m_frameW;
    if (h)
        *h = m_frameH;
}

int Sprite::getAnimCount() const
{
    const Image* img = Main::instance()->imageMgr()->get(m_image);
    return img && m_frameH > 0 ? img->getHeight() / m_frameH : 0;
}

int Sprite::getFrameCountIndex(int anim) const
{
    const Image* img = Main::instance()->imageMgr()->get(m_image);
    if (!img || m_frameW <= 0 || anim >= getAnimCount())
        return 0;
    return img->getWidth() / m_frameW;
}

int Sprite::selectAnimIndex(int anim)
{
    if (anim < 0 || anim >= getAnimCount())
        return RC_ERR_NOT_FOUND;
    m_anim = anim;
    return RC_OK;
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

struct SpriteMgr::Impl {
    std::unordered_map<int, std::unique_ptr<Sprite>> sprites;
    int nextId = 1;
};

SpriteMgr::SpriteMgr() : m_impl(std::make_unique<Impl>()) {}

SpriteMgr::~SpriteMgr()
{
    // Sheets are images: release them while the image manager still exists.
    for (auto& [id, s] : m_impl->sprites)
        Main::instance()->imageMgr()->close(s->m_image);
}

int SpriteMgr::loadFromBuffer(const void* data, size_t size, const char* name, int frameW, int frameH)
{
    if (frameW <= 0 || frameH <= 0)
        return RC_ERR_INVALID;
    ImageMgr* images = Main::instance()->imageMgr();
    const int image = images->loadFromBuffer(data, size, name);
    if (image <= 0)
        return image;
    const Image* img = images->get(image);
    if (img->getWidth() < frameW || img->getHeight() < frameH) {
        images->close(image);
        return RC_ERR_INVALID;
    }
    const int id = m_impl->nextId++;
    m_impl->sprites[id] = std::unique_ptr<Sprite>(new Sprite(id, name, image, frameW, frameH));
    return id;
}

int SpriteMgr::child(int parentId)
{
    const Sprite* parent = get(parentId);
    if (!parent || Main::instance()->imageMgr()->retain(parent->m_image) != RC_OK)
        return RC_ERR_NOT_FOUND;
    const int id = m_impl->nextId++;
    m_impl->sprites[id] =
        std::unique_ptr<Sprite>(new Sprite(id, parent->getName(), parent->m_image, parent->m_frameW, parent->m_frameH));
    return id;
}

Sprite* SpriteMgr::get(int id)
{
    auto it = m_impl->sprites.find(id);
    return it == m_impl->sprites.end() ? nullptr : it->second.get();
}

int SpriteMgr::close(int id)
{
    auto it = m_impl->sprites.find(id);
    if (it == m_impl->sprites.end())
        return RC_ERR_NOT_FOUND;
    Main::instance()->imageMgr()->close(it->second->m_image);
    m_impl->sprites.erase(it);
    return RC_OK;
}

} // namespace Zelkoran
