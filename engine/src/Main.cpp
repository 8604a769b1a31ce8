#include <Zelkoran/Archive.h>
#include <Zelkoran/AudioTrack.h>
#include <Zelkoran/Cursor.h>
#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Log.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Particle.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Tile.h>
#include <Zelkoran/Timer.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Video.h>
#include <Zelkoran/XML.h>

#include <SDL.h>

#include <algorithm>
#include <cmath>

namespace Zelkoran {

namespace {
Main* g_main = nullptr;

// Shortest gap between two frames drawn because input changed the GUI.
constexpr uint64_t kMinInputFrameGapMs = 4;
// The screen stays active (frames at the render rate) this long after input.
constexpr uint64_t kActiveMs = 1000;
// Frame interval of an idle screen (carets blink, slow changes still show).
constexpr uint64_t kIdleFrameMs = 500;
} // namespace

struct Main::Managers {
    std::unique_ptr<LogMgr> log = std::make_unique<LogMgr>();
    std::unique_ptr<Timer> timer = std::make_unique<Timer>();
    std::unique_ptr<Tool> tool = std::make_unique<Tool>();
    std::unique_ptr<ArchiveMgr> archive = std::make_unique<ArchiveMgr>();
    std::unique_ptr<ConfigMgr> config = std::make_unique<ConfigMgr>();
    std::unique_ptr<CursorMgr> cursor = std::make_unique<CursorMgr>();
    std::unique_ptr<FontMgr> font = std::make_unique<FontMgr>();
    std::unique_ptr<ImageMgr> image = std::make_unique<ImageMgr>();
    std::unique_ptr<SpriteMgr> sprite = std::make_unique<SpriteMgr>();
    std::unique_ptr<TileMgr> tile = std::make_unique<TileMgr>();
    std::unique_ptr<GUIMgr> gui = std::make_unique<GUIMgr>();
    std::unique_ptr<AudioTrackMgr> audio = std::make_unique<AudioTrackMgr>();
    std::unique_ptr<VideoMgr> video = std::make_unique<VideoMgr>();
    std::unique_ptr<XMLMgr> xml = std::make_unique<XMLMgr>();
    std::unique_ptr<ParticleMgr> particle = std::make_unique<ParticleMgr>();
    std::unique_ptr<SceneMgr> scene = std::make_unique<SceneMgr>();
};

// Frame pacing state of update(), in timer milliseconds.
struct Main::Pacing {
    double nextLogic = 0;
    uint64_t lastRender = 0;
    uint64_t lastActivity = 0;
};

Main::Main() : m_mgr(std::make_unique<Managers>()), m_pace(std::make_unique<Pacing>())
{
    SDL_InitSubSystem(SDL_INIT_EVENTS);
    Screen* screen = m_mgr->config->get(0);
    screen->setOverlay([this] {
        if (GUIMgr* gui = guiMgr())
            gui->render();
    });
    screen->setResizeListener([this] {
        if (GUIMgr* gui = guiMgr())
            gui->pushEvent(GE_LAYOUT, 0, 0);
    });
}

Main::~Main()
{
    // Widgets release their images and sprites, sprites their sheets, images
    // and glyphs their textures before the renderer goes; archives close
    // while the log still takes their messages. Emitters go first: they
    // hold images and sprites and the particle textures.
    m_mgr->particle.reset();
    m_mgr->gui.reset();
    m_mgr->scene.reset();
    m_mgr->sprite.reset();
    m_mgr->tile.reset();
    m_mgr->cursor.reset();
    m_mgr->font.reset();
    m_mgr->image.reset();
    // Tracks and videos stop before the audio device closes with the
    // configuration; video textures go before the renderer.
    m_mgr->audio.reset();
    m_mgr->video.reset();
    m_mgr->config.reset();
    m_mgr->archive.reset();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

Main* Main::instance()
{
    if (!g_main)
        g_main = new Main();
    return g_main;
}

void Main::terminate()
{
    delete g_main;
    g_main = nullptr;
}

ArchiveMgr* Main::archiveMgr() { return m_mgr->archive.get(); }
AudioTrackMgr* Main::audioTrackMgr() { return m_mgr->audio.get(); }
ConfigMgr* Main::configMgr() { return m_mgr->config.get(); }
CursorMgr* Main::cursorMgr() { return m_mgr->cursor.get(); }
FontMgr* Main::fontMgr() { return m_mgr->font.get(); }
GUIMgr* Main::guiMgr() { return m_mgr->gui.get(); }
ImageMgr* Main::imageMgr() { return m_mgr->image.get(); }
LogMgr* Main::logMgr() { return m_mgr->log.get(); }
ParticleMgr* Main::particleMgr() { return m_mgr->particle.get(); }
SceneMgr* Main::sceneMgr() { return m_mgr->scene.get(); }
SpriteMgr* Main::spriteMgr() { return m_mgr->sprite.get(); }
TileMgr* Main::tileMgr() { return m_mgr->tile.get(); }
Timer* Main::timer() { return m_mgr->timer.get(); }
Tool* Main::tool() { return m_mgr->tool.get(); }
VideoMgr* Main::videoMgr() { return m_mgr->video.get(); }
XMLMgr* Main::xmlMgr() { return m_mgr->xml.get(); }

float Main::getLogicDeltaTime() { return m_mgr->timer->getLogicDeltaTime(); }

bool Main::update(SDL_Event* event)
{
    Timer& timer = *m_mgr->timer;
    Screen* screen = m_mgr->config->get(0);
    for (;;) {
        SDL_Event e;
        if (SDL_PollEvent(&e)) {
            switch (e.type) {
            case SDL_MOUSEMOTION: m_mgr->cursor->track(e.motion.x, e.motion.y); break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: m_mgr->cursor->track(e.button.x, e.button.y); break;
            default: break;
            }
            m_pace->lastActivity = timer.getTicks();
            m_mgr->gui->handleEvent(e);
            if (event)
                *event = e;
            return true;
        }
        // SDL ends each polling pass at a marker; events queued during the
        // pass (GUI events among them) come with the next one.
        if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT))
            continue;
        const uint64_t now = timer.getTicks();
        const double logicStep = 1000.0 / timer.getLogicRate();
        const uint64_t renderStep = 1000 / static_cast<uint64_t>(timer.getRenderRate());
        const bool dirty = m_mgr->gui->isDirty();
        // When the next frame is due: at the render rate while the screen is
        // active, else at the idle interval; input changes draw sooner.
        auto nextFrame = [&](uint64_t at) {
            const bool active = at < m_pace->lastActivity + kActiveMs;
            return m_pace->lastRender + (active ? renderStep : kIdleFrameMs);
        };
        if (screen->isShown()) {
            if (screen->takeInvalid() || m_mgr->audio->anyPlaying())
                m_pace->lastActivity = now;
            if (now >= nextFrame(now) || (dirty && now >= m_pace->lastRender + kMinInputFrameGapMs)) {
                if (dirty)
                    m_pace->lastActivity = now;
                screen->renderFrame(true);
                // Taken after the frame: what the render callback changed is
                // already drawn (it runs before the panels), so an animation
                // there keeps the frame rate instead of forcing frames.
                m_mgr->gui->takeDirty();
                m_pace->lastRender = now;
            }
        }
        if (static_cast<double>(now) >= m_pace->nextLogic) {
            // Steady steps; after a long stall the next step starts from now.
            m_pace->nextLogic += logicStep;
            if (m_pace->nextLogic <= static_cast<double>(now))
                m_pace->nextLogic = static_cast<double>(now) + logicStep;
            return false;
        }
        uint64_t wake = static_cast<uint64_t>(std::ceil(m_pace->nextLogic));
        if (screen->isShown()) {
            wake = std::min(wake, nextFrame(now));
            if (m_mgr->gui->isDirty())
                wake = std::min(wake, m_pace->lastRender + kMinInputFrameGapMs);
        }
        const uint64_t after = timer.getTicks();
        if (wake > after)
            SDL_WaitEventTimeout(nullptr, static_cast<int>(wake - after));
    }
}

} // namespace Zelkoran
