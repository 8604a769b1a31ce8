// The window and its renderer, and the configuration manager that owns it.
// Main thread only.
#pragma once

#include <Zelkoran/AudioDevice.h>
#include <Zelkoran/CMem.h>

#include <functional>
#include <memory>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Surface;
struct SDL_Rect;

namespace Zelkoran {

// Called once per drawn frame, before the panels; the argument is the screen
// number, the result is ignored.
using RenderCallback = std::function<int(int)>;

class Screen {
public:
    // Renderer drivers of setDriver / getDriverInUse.
    enum eDriver : int {
        DRV_DEFAULT = 0, DRV_SOFT = 1, DRV_OGL = 2, DRV_GLES2 = 3, DRV_VULKAN = 4, DRV_D3D9 = 5,
        DRV_D3D11 = 6, DRV_D3D12 = 7, DRV_X11 = 8, DRV_METAL = 9, DRV_GPU = 10,
    };

    explicit Screen(int number);
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // Chooses the renderer before show(): 1 software, 2 OpenGL, 3 OpenGL ES 2,
    // anything else SDL's default. RC_ERR_INVALID once the window exists.
    int setDriver(int driver);
    // The driver the renderer really uses (eDriver), DRV_DEFAULT before show().
    int getDriverInUse() const;
    // Window size in pixels (>= 1 each); applied at once when shown. 0, or
    // RC_ERR_INVALID for a size below 1.
    int setSize(int width, int height);
    // Opens the window and its renderer. 0, or a negative code (the window
    // or the renderer could not be made).
    int show();
    bool isShown() const;
    int setTitle(const char* title);
    // Copies the surface as the window icon; RC_ERR_INVALID for null.
    int setIcon(SDL_Surface* icon);
    void setRenderCallback(RenderCallback callback);
    // Drawn unclipped over the render callback and the videos on every
    // frame: the engine's GUI, which the window does not know itself.
    void setOverlay(std::function<void()> draw);
    // Told after setSize changed the open window's size.
    void setResizeListener(std::function<void()> resized);
    // Fills the whole screen, ignoring the clip rectangle. 0, or
    // RC_ERR_NOT_FOUND before show().
    int clear(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
    int getWidth() const { return m_width; }
    int getHeight() const { return m_height; }
    // True and the rectangle when drawing is clipped.
    bool getClipRect(SDL_Rect& rect) const;
    // Clips every later drawing call (GFX, images, text); null removes it.
    void setClipRect(const SDL_Rect* rect);

    // Asks for a frame at the render rate: call it on every logic step while
    // the render callback's drawing changes without user input (animations).
    // Engine animations (particles, videos, playing audio) call it themselves.
    void invalidate() { m_invalid = true; }
    // Engine side: true once after invalidate().
    bool takeInvalid()
    {
        const bool was = m_invalid;
        m_invalid = false;
        return was;
    }

    // Engine side: draws one frame (clear, render callback, shown panels)
    // and presents it when present is true. 0, or RC_ERR_NOT_FOUND before show().
    int renderFrame(bool present);
    SDL_Renderer* getRenderer() const { return m_renderer; }
    SDL_Window* getWindow() const { return m_window; }
    // Reapplies the caller's clip rectangle after engine drawing.
    void restoreClip();
    // Frames presented so far, and SDL_GetPerformanceCounter() at the end of
    // the last one (frame timing for benchmarks and diagnostics).
    uint64_t getFramesPresented() const { return m_frames; }
    uint64_t getLastPresentCounter() const { return m_lastPresent; }

private:
    int m_number;
    int m_driver = DRV_DEFAULT;
    int m_driverInUse = DRV_DEFAULT;
    int m_width = 1400;
    int m_height = 1000;
    String m_title;
    SDL_Window* m_window = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    RenderCallback m_callback;
    std::function<void()> m_overlay;
    std::function<void()> m_resized;
    bool m_clipped = false;
    int m_clip[4] = {};
    bool m_invalid = false;
    uint64_t m_frames = 0;
    uint64_t m_lastPresent = 0;
};

class ConfigMgr {
public:
    ConfigMgr();
    ~ConfigMgr();
    // Screen n: 0 is the editor window; null for any other number.
    Screen* get(int n);
    // Stored; every engine call is made on the main thread anyway.
    int setMTFriendly(int on);
    int getMTFriendly() const { return m_mtFriendly; }

    // Opens the audio device through SDL2_mixer: frequency in Hz
    // (8000..192000), format an SDL audio format (0x8010 = signed 16-bit
    // little-endian), channels 1..8; the device may settle on another
    // frequency or channel count. Returns 0, RC_ERR_INVALID, RC_ERR_BUSY
    // (already open), RC_ERR_IO (no device could be opened) or
    // RC_ERR_NO_LIBRARY (-79, SDL2_mixer cannot be loaded; the log says why).
    int audioInit(int frequency, int format, int channels);
    // Stops every sound and closes the device; nothing when it is closed.
    void audioClose();
    // The mixer the engine plays through while audio is open, else null.
    AudioMixer* audioGetMixer();
    // Installs the one post-mix tap (null removes it). Does not return
    // while a tap is running, so after a removal user may be released.
    // Returns 0, RC_ERR_NOT_FOUND (audio closed) or RC_ERR_INVALID (the
    // device mixes neither signed 16-bit nor float samples).
    int audioSetPostMix(PostMixCallback callback, void* user);

private:
    Screen m_screen;
    int m_mtFriendly = 0;
};

} // namespace Zelkoran
