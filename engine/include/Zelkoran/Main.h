// The engine singleton and its managers.
#pragma once

#include <memory>

union SDL_Event;

namespace Zelkoran {

class ArchiveMgr;
class AudioTrackMgr;
class ConfigMgr;
class CursorMgr;
class FontMgr;
class GUIMgr;
class ImageMgr;
class LogMgr;
class SceneMgr;
class SpriteMgr;
class TileMgr;
class Timer;
class Tool;
class VideoMgr;
class XMLMgr;

class Main {
public:
    // The engine; the first call creates it. Main thread.
    static Main* instance();
    // Destroys the engine and every manager (archives are closed, the window
    // goes, pending events are dropped). A later instance() starts a new engine.
    static void terminate();

    ArchiveMgr* archiveMgr();
    AudioTrackMgr* audioTrackMgr();
    ConfigMgr* configMgr();
    CursorMgr* cursorMgr();
    FontMgr* fontMgr();
    GUIMgr* guiMgr();
    ImageMgr* imageMgr();
    LogMgr* logMgr();
    SceneMgr* sceneMgr();
    SpriteMgr* spriteMgr();
    TileMgr* tileMgr();
    Timer* timer();
    Tool* tool();
    VideoMgr* videoMgr();
    XMLMgr* xmlMgr();

    // Hands over one pending event per call into *event (may be null) and
    // returns true; every event is also routed to the GUI first, so widget
    // reactions run and GUI events (kGUIEventType) are queued from inside
    // this call. When no event is left it draws a frame if one is due, waits
    // without spinning until the next logic step and returns false: one
    // false per logic step (Timer::setRate).
    // Frames: at once after input changed the GUI; at the render rate while
    // the screen is active (input within the last second, GUI changes,
    // Screen::invalidate()); otherwise twice a second, so an idle editor
    // costs next to nothing.
    bool update(SDL_Event* event);
    // Seconds of one logic step (1 / logic rate).
    float getLogicDeltaTime();

    ~Main();

private:
    Main();
    struct Managers;
    std::unique_ptr<Managers> m_mgr;
    struct Pacing;
    std::unique_ptr<Pacing> m_pace;
};

} // namespace Zelkoran
