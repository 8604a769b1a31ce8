// The video tab: lists the archive's "ZK7_VIDEO" blocks, opens one as an
// engine video, describes its streams, plays, pauses and stops it inside an
// 800 x 450 frame with a progress bar (the engine draws the pictures into
// the viewport the tab gives it), tags its sound, imports MP4, MOV, AVI and
// raw H.264 files, exports the video unchanged beside the archive, saves
// and deletes. Main thread only.
#pragma once

#include "tabs/data/ctrlMedia.h"

#include <SDL_rect.h>

namespace Zelkoran {
class Video;
struct VideoInfo;
}

class CtrlVideos : public CtrlMedia {
public:
    enum eVideoWidget : int {
        VW_IMPORT = 1500,
        VW_EXPORT = 1501,
        VW_PLAY = 1502,
        VW_PAUSE = 1503,
        VW_STOP = 1504,
        VW_MUSIC = 1505,
        VW_SFX = 1506,
        VW_VOICE = 1507,
        VW_CUSTOM = 1508,
        VW_INFO = 1509,
    };

    CtrlVideos(ResourceManager* rm, GlobalStatus* gs);
    ~CtrlVideos() override;

    // Grey screen, the dark frame and, with a video, its progress bar. 0.
    int render(int value) override;
    // The engine stops drawing the video while another tab shows. 0.
    int onDeactivate() override;
    int onSave() override;
    int onDelete() override;
    // Rewinds the open video and shows its facts and tag. 0.
    int updateData() override;
    // Stops and closes the video. 0.
    int closeResources() override;

    // Places the open video's pictures by the viewport rule: the engine's
    // result, or 0 without a video of known size.
    int updateVideoViewport() const;
    // The twelve lines describing info into the info box.
    void updateInfoText(const Zelkoran::VideoInfo& info) const;

    // The export extension of a container text: "mp4", "avi" or "h264".
    static string exportExtension(const string& container);
    // The 800 x 450 frame in a window of width x height.
    static SDL_FRect videoFrame(int width, int height);
    // A video of videoWidth x videoHeight scaled to fit frame, centred in it.
    static SDL_FRect viewportIn(const SDL_FRect& frame, int videoWidth, int videoHeight);

private:
    string importFilter() const override;
    // The open video, null when none is.
    Zelkoran::Video* current() const;
    // The info box, and the tag boxes while the video has a sound track.
    void enableOwnWidgets(bool open) override;
    // The open video has a sound track to tag.
    bool hasSound() const;
    // The open video only; no other media stops.
    int playItem() override;
    void holdItem(bool hold) override;
    // Back to the start, showing the first picture.
    void stopItem() override;
    // Only a video with a sound track takes a tag.
    bool tagItem(Zelkoran::eAudioTrackTag tag) override;
    Zelkoran::eAudioTrackTag itemTag() const override;
    int loadBlock(const string& name) override;
    int loadFile(const string& path, Zelkoran::eAudioTrackTag tag) override;
    // "No video loaded" and the default tag.
    void showNothing() override;
    // By the container: "mp4", "avi" or "h264".
    string exportExtension() const override;
    int writeExport(const string& stem, const string& path) const override;
    void reportExport(int result, const string& path) const override;
};
