#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Timer.h>
#include <Zelkoran/Video.h>

#include "audio/AudioMixer.h"

#include <SDL.h>

#include <cstring>

namespace Zelkoran {

namespace {

// SDL render driver names by eDriver; null = SDL's choice.
const char* driverName(int driver)
{
    switch (driver) {
    case Screen::DRV_SOFT: return "software";
    case Screen::DRV_OGL: return "opengl";
    case Screen::DRV_GLES2: return "opengles2";
    default: return nullptr;
    }
}

int driverOf(const char* sdlName)
{
    if (!sdlName)
        return Screen::DRV_DEFAULT;
    if (!std::strcmp(sdlName, "software"))
        return Screen::DRV_SOFT;
    if (!std::strcmp(sdlName, "opengl"))
        return Screen::DRV_OGL;
    if (!std::strcmp(sdlName, "opengles2"))
        return Screen::DRV_GLES2;
    return Screen::DRV_DEFAULT;
}

} // namespace

Screen::Screen(int number) : m_number(number), m_title("Zelkoran") {}

Screen::~Screen()
{
    if (m_renderer)
        SDL_DestroyRenderer(m_renderer);
    if (m_window)
        SDL_DestroyWindow(m_window);
    if (m_window)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

int Screen::setDriver(int driver)
{
    if (m_window)
        return RC_ERR_INVALID;
    m_driver = driver;
    return RC_OK;
}

int Screen::getDriverInUse() const { return m_driverInUse; }

int Screen::setSize(int width, int height)
{
    if (width < 1 || height < 1)
        return RC_ERR_INVALID;
    m_width = width;
    m_height = height;
    if (m_window) {
        SDL_SetWindowSize(m_window, width, height);
        if (m_resized)
            m_resized();
    }
    return RC_OK;
}

int Screen::show()
{
    if (m_window) {
        SDL_ShowWindow(m_window);
        return RC_OK;
    }
    // The software renderer draws into the window surface; keep SDL from
    // putting that surface on a GL texture (slow without a GPU).
    if (m_driver == DRV_SOFT)
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return RC_ERR_GENERIC;
    m_window = SDL_CreateWindow(m_title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, m_width, m_height,
                                SDL_WINDOW_SHOWN);
    if (!m_window) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return RC_ERR_GENERIC;
    }
    const char* name = driverName(m_driver);
    int index = -1;
    for (int i = 0; name && i < SDL_GetNumRenderDrivers(); ++i) {
        SDL_RendererInfo info;
        if (SDL_GetRenderDriverInfo(i, &info) == 0 && !std::strcmp(info.name, name))
            index = i;
    }
    const Uint32 flags = m_driver == DRV_SOFT ? SDL_RENDERER_SOFTWARE : 0;
    m_renderer = SDL_CreateRenderer(m_window, index, flags);
    if (!m_renderer && index >= 0)
        m_renderer = SDL_CreateRenderer(m_window, -1, 0);
    if (!m_renderer)
        m_renderer = SDL_CreateRenderer(m_window, -1, SDL_RENDERER_SOFTWARE);
    if (!m_renderer) {
        SDL_DestroyWindow(m_window);
        m_window = nullptr;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return RC_ERR_GENERIC;
    }
    SDL_RendererInfo info;
    SDL_GetRendererInfo(m_renderer, &info);
    m_driverInUse = driverOf(info.name);
    SDL_SetRenderDrawBlendMode(m_renderer, SDL_BLENDMODE_BLEND);
    restoreClip();
    return RC_OK;
}

bool Screen::isShown() const { return m_window != nullptr; }

int Screen::setTitle(const char* title)
{
    m_title = title ? title : "";
    if (m_window)
        SDL_SetWindowTitle(m_window, m_title.c_str());
    return RC_OK;
}

int Screen::setIcon(SDL_Surface* icon)
{
    if (!icon)
        return RC_ERR_INVALID;
    if (m_window)
        SDL_SetWindowIcon(m_window, icon);
    return RC_OK;
}

void Screen::setRenderCallback(RenderCallback callback) { m_callback = std::move(callback); }
void Screen::setOverlay(std::function<void()> draw) { m_overlay = std::move(draw); }
void Screen::setResizeListener(std::function<void()> resized) { m_resized = std::move(resized); }

int Screen::clear(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    if (!m_renderer)
        return RC_ERR_NOT_FOUND;
    SDL_SetRenderDrawColor(m_renderer, r, g, b, a);
    SDL_RenderClear(m_renderer);
    return RC_OK;
}

bool Screen::getClipRect(SDL_Rect& rect) const
{
    if (!m_clipped)
        return false;
    rect = SDL_Rect{m_clip[0], m_clip[1], m_clip[2], m_clip[3]};
    return true;
}

void Screen::setClipRect(const SDL_Rect* rect)
{
    m_clipped = rect != nullptr;
    if (rect) {
        m_clip[0] = rect->x;
        m_clip[1] = rect->y;
        m_clip[2] = rect->w < 0 ? 0 : rect->w;
        m_clip[3] = rect->h < 0 ? 0 : rect->h;
    }
    restoreClip();
}

void Screen::restoreClip()
{
    if (!m_renderer)
        return;
    if (!m_clipped) {
        SDL_RenderSetClipRect(m_renderer, nullptr);
        return;
    }
    // SDL treats an empty clip rectangle as no clipping: clip to a point
    // outside the screen instead, so nothing is drawn.
    SDL_Rect r{m_clip[0], m_clip[1], m_clip[2], m_clip[3]};
    if (r.w <= 0 || r.h <= 0)
        r = SDL_Rect{-2, -2, 1, 1};
    SDL_RenderSetClipRect(m_renderer, &r);
}

int Screen::renderFrame(bool present)
{
    if (!m_renderer)
        return RC_ERR_NOT_FOUND;
    restoreClip();
    // The render callback paints the background itself.
    if (m_callback) {
        m_callback(m_number);
    } else {
        SDL_SetRenderDrawColor(m_renderer, 128, 128, 128, 255);
        SDL_RenderClear(m_renderer);
    }
    // Video frames lie on the callback's drawing, under the caller's clip.
    restoreClip();
    if (VideoMgr* videos = Main::instance()->videoMgr())
        videos->render(m_renderer);
    SDL_RenderSetClipRect(m_renderer, nullptr);
    if (m_overlay)
        m_overlay();
    restoreClip();
    if (present) {
        SDL_RenderPresent(m_renderer);
        ++m_frames;
        m_lastPresent = SDL_GetPerformanceCounter();
        Main::instance()->timer()->frameRendered();
    }
    return RC_OK;
}

ConfigMgr::ConfigMgr() : m_screen(0) {}
ConfigMgr::~ConfigMgr() { audioClose(); }

int ConfigMgr::audioInit(int frequency, int format, int channels)
{
    return audio::openDevice(frequency, format, channels);
}

void ConfigMgr::audioClose() { audio::closeDevice(); }

AudioMixer* ConfigMgr::audioGetMixer() { return currentMixer(); }

int ConfigMgr::audioSetPostMix(PostMixCallback callback, void* user) { return audio::setPostMix(callback, user); }

Screen* ConfigMgr::get(int n) { return n == 0 ? &m_screen : nullptr; }

int ConfigMgr::setMTFriendly(int on)
{
    m_mtFriendly = on;
    return RC_OK;
}

} // namespace Zelkoran
