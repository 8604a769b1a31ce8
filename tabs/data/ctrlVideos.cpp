#include "tabs/data/ctrlVideos.h"

#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "services/TextFit.h"
#include "services/WidgetBuilders.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/data/MediaControls.h"

#include <Zelkoran/GFX.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Video.h>

#include <algorithm>
#include <cstdio>

using namespace Zelkoran;

namespace {

constexpr int kNoticeMs = 2000;
constexpr const char* kKind = "Video";
constexpr const char* kExportTitle = "Video export";
constexpr float kFrameWidth = 800;
constexpr float kFrameHeight = 450;
// Lines of the info box are formatted into buffers of this size.
constexpr size_t kInfoLine = 128;

Tool* tool() { return Main::instance()->tool(); }
VideoMgr* videos() { return Main::instance()->videoMgr(); }

const MediaTabConfig kVideoTab = {
    CtrlVideos::VW_IMPORT, CtrlVideos::VW_EXPORT, CtrlVideos::VW_PLAY, CtrlVideos::VW_PAUSE, CtrlVideos::VW_STOP,
    CtrlVideos::VW_MUSIC, CtrlVideos::VW_SFX, CtrlVideos::VW_VOICE, CtrlVideos::VW_CUSTOM, ATT_MUSIC,
    "Video import", "Video could not be imported.", "Video could not be loaded.", kExportTitle,
    "Could not export the video.\nA video name is required.",
    "Video could not be exported:\nvideo resource is not opened.", "Video playback", "Video could not be played.",
    true,
};

template <class... Args>
CtrlBase::string line(const char* format, Args... args)
{
    char buffer[kInfoLine];
    std::snprintf(buffer, sizeof(buffer), format, args...);
    return buffer;
}

const char* orElse(const char* text, const char* fallback) { return text[0] ? text : fallback; }

} // namespace

CtrlBase::string CtrlVideos::importFilter() const
{
    return media::dialogFilter({
        {"Supported video files", "*.mp4;*.mov;*.avi;*.h264"},
        {"MPEG-4 / QuickTime (*.mp4;*.mov)", "*.mp4;*.mov"},
        {"Audio Video Interleave (*.avi)", "*.avi"},
        {"Raw H.264 (*.h264)", "*.h264"},
    });
}

CtrlVideos::CtrlVideos(ResourceManager* rm, GlobalStatus* gs)
    : CtrlMedia(kVideoTab, "Videos", TAB_VIDEOS, rm, gs)
{
    Panel& tabPanel = tabServices().panel();
    setBlockType("ZK7_VIDEO");
    if (Widget* base = tabPanel.baseWidget())
        base->setSize(200, 600);
    const int font = tabServices().resources().get(SR_FONT);
    ui::addSpriteButton(tabPanel, {.name = "Import", .id = VW_IMPORT, .x = ui::left(10), .y = ui::top(240),
                                   .tooltip = "Import a video file"}, rm->getClone(SS_IMPORT_AUDIO));
    ui::addSpriteButton(tabPanel, {.name = "Export", .id = VW_EXPORT, .x = ui::right(-10), .y = ui::top(240),
                                   .tooltip = "Export the current video"}, rm->getClone(SS_EXPORT_AUDIO));
    if (WidgetTextEdit* info = ui::addTextEdit(tabPanel, {.name = "VideoInfo", .id = VW_INFO, .x = ui::centred(),
                                                          .y = ui::top(277), .w = 180, .h = 150, .font = font})) {
        info->setMultiline(true);
        info->setReadOnly(true);
    }
    addTagBoxes(444, {"Mark video audio as music", "Mark video audio as sound effect", "Mark video audio as voice",
                      "Mark video audio as custom"});
    addPlayControls("Play the current video");
    onNew();
}

CtrlVideos::~CtrlVideos() { closeResources(); }

Video* CtrlVideos::current() const { return getItemHandle() > 0 ? videos()->get(getItemHandle()) : nullptr; }

void CtrlVideos::enableOwnWidgets(bool open)
{
    tabServices().setUsable(VW_INFO, open);
    const bool taggable = open && hasSound();
    for (int id : {VW_MUSIC, VW_SFX, VW_VOICE, VW_CUSTOM})
        tabServices().setUsable(id, taggable);
}

bool CtrlVideos::hasSound() const
{
    const Video* video = current();
    if (!video)
        return false;
    VideoInfo info;
    video->getInfo(&info);
    return info.audioCodec[0] != 0 && info.audioChannels > 0;
}

int CtrlVideos::playItem()
{
    Video* video = current();
    if (!video)
        return 1;
    updateVideoViewport();
    return video->play(0);
}

void CtrlVideos::holdItem(bool hold)
{
    Video* video = current();
    if (video && hold)
        video->pause();
    else if (video)
        video->resume();
}

void CtrlVideos::stopItem()
{
    // A stopped engine video draws nothing: the first picture stands in.
    if (Video* video = current()) {
        video->stop();
        video->seek(0);
    }
}

bool CtrlVideos::tagItem(eAudioTrackTag tag)
{
    Video* video = current();
    return video && hasSound() && video->setTag(tag) == 0;
}

eAudioTrackTag CtrlVideos::itemTag() const
{
    const Video* video = current();
    return video ? video->getTag() : ATT_MUSIC;
}

SDL_FRect CtrlVideos::videoFrame(int width, int height)
{
    return SDL_FRect{(static_cast<float>(width - 200) - kFrameWidth) * 0.5f + 200,
                     (static_cast<float>(height - 40) - kFrameHeight) * 0.5f + 40, kFrameWidth, kFrameHeight};
}

SDL_FRect CtrlVideos::viewportIn(const SDL_FRect& frame, int videoWidth, int videoHeight)
{
    const float scale = std::min(frame.w / static_cast<float>(videoWidth), frame.h / static_cast<float>(videoHeight));
    const float w = static_cast<float>(videoWidth) * scale;
    const float h = static_cast<float>(videoHeight) * scale;
    return SDL_FRect{frame.x + (frame.w - w) * 0.5f, frame.y + (frame.h - h) * 0.5f, w, h};
}

int CtrlVideos::updateVideoViewport() const
{
    const GlobalStatus& status = tabServices().status();
    Video* video = current();
    if (!video || video->getWidth() <= 0 || video->getHeight() <= 0)
        return 0;
    video->setViewport(viewportIn(videoFrame(status.iWidth, status.iHeight), video->getWidth(),
                                  video->getHeight()));
    return 0;
}

int CtrlVideos::render(int)
{
    const GlobalStatus& status = tabServices().status();
    const SDL_FRect frame = videoFrame(status.iWidth, status.iHeight);
    tabServices().screen().clear(128, 128, 128, 255);
    GFX::rectFilled(frame.x, frame.y, frame.x + frame.w, frame.y + frame.h, 0x202020FF, 0);
    Video* video = current();
    if (!video || video->getWidth() <= 0 || video->getHeight() <= 0)
        return 0;
    // Every frame: a resized window moves the picture at once.
    updateVideoViewport();
    const int duration = video->getDuration();
    if (duration <= 0)
        return 0;
    const float ratio =
        std::clamp(static_cast<float>(video->getPlaybackPosition()) / static_cast<float>(duration), 0.0f, 1.0f);
    const float barTop = frame.y + kFrameHeight + 10;
    const float barBottom = barTop + 20;
    const float marker = frame.x + kFrameWidth * ratio;
    GFX::rectFilled(frame.x, barTop, frame.x + kFrameWidth, barBottom, 0x303030FF, 0);
    GFX::rectFilled(frame.x, barTop, marker, barBottom, 0x0000AAFF, 0);
    GFX::line(marker, barTop, marker, barBottom, 0xFFFFFFFF, 0);
    return 0;
}

int CtrlVideos::onDeactivate()
{
    // The render callback of another tab must not get this video drawn on
    // top of it; render places the picture again once the tab is back.
    if (Video* video = current())
        video->setViewport(SDL_FRect{0, 0, 0, 0});
    return 0;
}

int CtrlVideos::loadBlock(const string& name)
{
    return videos()->load(tabServices().status().iArchiveID, name.c_str());
}

int CtrlVideos::loadFile(const string& path, eAudioTrackTag tag)
{
    return videos()->loadFromFile(path.c_str(), "", tag);
}

void CtrlVideos::showNothing()
{
    if (WidgetTextEdit* info = tabServices().panel().getTextEdit(VW_INFO))
        info->setText("No video loaded");
    applyTagToWidgets(ATT_MUSIC);
}

int CtrlVideos::onSave()
{
    return resourceSave.save(kKind, "Video name cannot be empty.", [this](const string& name) {
        Video* video = current();
        if (!video) {
            tabServices().notifySaveError(kKind, "Could not get the video.", kNoticeMs);
            return -1;
        }
        if (videos()->setName(getItemHandle(), name.c_str()) < 0) {
            tabServices().notifySaveWarning(kKind, "Could not rename the video.", kNoticeMs);
            return -1;
        }
        // The ticked box is the video's tag, with or without a sound track.
        video->setTag(getSelectedTag());
        if (const int rc = video->save(tabServices().status().iArchiveID, ""); rc != 0) {
            tabServices().notifySaveFailure(kKind, "Could not save the video.", rc);
            return -1;
        }
        return 0;
    });
}

int CtrlVideos::onDelete()
{
    return resourceSave.deleteSelected(kKind, [this](const string& name) {
        return videos()->remove(tabServices().status().iArchiveID, name.c_str());
    });
}

int CtrlVideos::updateData()
{
    Video* video = current();
    if (!video)
        return 0;
    // Placed first, the first frame is converted once, at the viewport's size.
    updateVideoViewport();
    video->seek(0);
    VideoInfo info;
    video->getInfo(&info);
    updateInfoText(info);
    applyTagToWidgets(itemTag());
    return 0;
}

void CtrlVideos::updateInfoText(const VideoInfo& info) const
{
    WidgetTextEdit* box = tabServices().panel().getTextEdit(VW_INFO);
    if (!box)
        return;
    const string lines[] = {
        line("Container: %s", orElse(info.container, "Unknown")),
        line("Video: %s", orElse(info.videoCodec, "None")),
        line("Resolution: %dx%d", info.width, info.height),
        line("FPS: %.2f", static_cast<double>(info.framesPerSecond)),
        line("Frames: %lu", static_cast<unsigned long>(info.frameCount)),
        line("Duration: %.2fs", static_cast<double>(static_cast<float>(info.durationMs) / 1000.0f)),
        line("Pixel: %s", orElse(info.pixelFormat, "Unknown")),
        line("Video bitrate: %d Kbps", info.videoBitRateKbps),
        line("Audio: %s", orElse(info.audioCodec, "None")),
        line("Audio channels: %d", info.audioChannels),
        line("Audio frequency: %d Hz", info.audioFrequencyHz),
        line("Audio bitrate: %d Kbps", info.audioBitRateKbps),
    };
    // Long values (a container's list of names) go on over more lines
    // rather than past the box's edge.
    box->setText("");
    bool first = true;
    for (const string& text : lines)
        for (const string& part : ui::wrapToWidth(*box, text, ui::editLineRoom(*box))) {
            if (first)
                box->setLine(1, part.c_str());
            else
                box->appendLine(part.c_str());
            first = false;
        }
}

int CtrlVideos::closeResources()
{
    if (getItemHandle() > 0) {
        Video* video = current();
        if (video && playState != PS_STOPPED)
            video->stop();
        videos()->close(getItemHandle());
    }
    dropItem();
    return 0;
}

CtrlBase::string CtrlVideos::exportExtension(const string& container)
{
    string text = container;
    tool()->strToLowerCase(text);
    if (text.find("mov") != string::npos || text.find("mp4") != string::npos)
        return "mp4";
    if (text.find("avi") != string::npos)
        return "avi";
    if (text == "h264" || text == "raw h264")
        return "h264";
    return "mp4";
}

CtrlBase::string CtrlVideos::exportExtension() const
{
    VideoInfo info;
    if (const Video* video = current())
        video->getInfo(&info);
    return exportExtension(info.container);
}

int CtrlVideos::writeExport(const string&, const string& path) const
{
    Video* video = current();
    return video ? video->saveToFile(path.c_str()) : -1;
}

void CtrlVideos::reportExport(int result, const string&) const
{
    if (result == 0)
        tabServices().messageBox(kExportTitle, "Video exported: Ok", MBB_OK, MBT_INFORMATION, 0);
    else
        tabServices().messageBox(kExportTitle, "Video could not be exported:\nfile write error.", MBB_NONE, MBT_WARNING,
                                 kNoticeMs);
}
