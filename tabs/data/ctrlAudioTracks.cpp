#include "tabs/data/ctrlAudioTracks.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/TabCheckBoxIds.h"

#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"
#include "tabs/base/ExportFile.h"
#include "tabs/base/TabControls.h"
#include "tabs/data/MediaControls.h"

#include <Zelkoran/GFX.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>

#include <SDL_audio.h>

using namespace Zelkoran;

namespace {

constexpr int kTypeTop = basePanelRows::kFirstLine;
constexpr int kSizeTop = basePanelRows::kSecondLine;
constexpr int kNoticeMs = 2000;
constexpr const char* kKind = "AudioTrack";
constexpr const char* kExportTitle = "Audio export";
constexpr float kBoxWidth = 800;
constexpr float kBoxHeight = 400;

constexpr const char* kModules =
    "*.669;*.abk;*.amf;*.arch;*.asylum;*.chip;*.coco;*.dbm;*.digi;*.dt;*.emod;*.far;*.flt;*.fnk;*.gal4;*.gal5;"
    "*.gdm;*.hmn;*.ice;*.imf;*.ims;*.it;*.liq;*.masi;*.masi16;*.mdl;*.med2;*.med3;*.med4;*.mfp;*.mgt;*.mmd1;"
    "*.mmd3;*.mod;*.mtm;*.muse;*.no;*.okt;*.pt3;*.ptm;*.rtm;*.s3m;*.sfx;*.st;*.stim;*.stm;*.stx;*.sym;*.ult;"
    "*.umx;*.xm;*.xmf";

Tool* tool() { return Main::instance()->tool(); }
AudioTrackMgr* tracks() { return Main::instance()->audioTrackMgr(); }

const MediaTabConfig kAudioTab = {
    CtrlAudioTracks::AW_IMPORT, CtrlAudioTracks::AW_EXPORT, CtrlAudioTracks::AW_PLAY, CtrlAudioTracks::AW_PAUSE,
    CtrlAudioTracks::AW_STOP, CtrlAudioTracks::AW_MUSIC, CtrlAudioTracks::AW_SFX, CtrlAudioTracks::AW_VOICE,
    CtrlAudioTracks::AW_CUSTOM, ATT_SFX, "Sound import", "Sound could not be imported.",
    "Sound could not be loaded.", kExportTitle, "Could not export the audio.\nAn audio name is required.",
    nullptr, "Audio playback", "Audio track could not be played.", false,
};

} // namespace

CtrlBase::string CtrlAudioTracks::importFilter() const
{
    const string modules = kModules;
    return media::dialogFilter({
        {"All audio files", "*.wav;*.voc;*.aiff;*.aif;*.ogg;*.mp3;*.flac;" + modules},
        {"All modules", modules},
        {"Waveform Audio (*.wav)", "*.wav"},
        {"Creative Voice (*.voc)", "*.voc"},
        {"Audio Interchange File Format (*.aiff;*.aif)", "*.aiff;*.aif"},
        {"Ogg Vorbis (*.ogg)", "*.ogg"},
        {"MPEG Layer III (*.mp3)", "*.mp3"},
        {"Free Lossless Audio Codec (*.flac)", "*.flac"},
    });
}

CtrlAudioTracks::CtrlAudioTracks(ResourceManager* rm, GlobalStatus* gs)
    : CtrlMedia(kAudioTab, "Audio", TAB_AUDIO, rm, gs)
{
    Panel& tabPanel = tabServices().panel();
    setBlockType("ZK7_AUDIOTRACK");
    if (Widget* base = tabPanel.baseWidget())
        base->setSize(200, 600);
    const int font = tabServices().resources().get(SR_FONT);
    ui::addSpriteButton(tabPanel, {.name = "Import", .id = AW_IMPORT, .x = ui::left(10), .y = ui::top(240),
                                   .tooltip = "Import an audio file"}, rm->getClone(SS_IMPORT_AUDIO));
    ui::addSpriteButton(tabPanel, {.name = "Export", .id = AW_EXPORT, .x = ui::right(-10), .y = ui::top(240),
                                   .tooltip = "Export the current audio track"}, rm->getClone(SS_EXPORT_AUDIO));
    ui::addLabel(tabPanel, {.name = "Type", .id = AW_TYPE, .x = ui::centred(), .y = ui::top(kTypeTop), .text = "",
                            .font = font});
    ui::addLabel(tabPanel, {.name = "Size", .id = AW_SIZE, .x = ui::centred(), .y = ui::top(kSizeTop), .text = "",
                            .font = font});
    // Caption, read-only value box and unit of each row; the captions end
    // before the value boxes at 88.
    const struct {
        int captionId;
        const char* caption;
        const char* captionText;
        int boxId;
        const char* box;
        int unitId;
        const char* unit;
        const char* unitText;
        float top;
    } rows[] = {
        {1012, "Duration", "Duration:", AW_DURATION, "DurationBox", 1013, "DurationSeg", "sec", 277},
        {1014, "Channels", "Channels:", AW_CHANNELS, "ChannelsBox", 0, nullptr, nullptr, 304},
        {1015, "Frequency", "Frequency:", AW_FREQUENCY, "FrequencyBox", 1016, "FrequencyHz", "Hz", 331},
        {1017, "Bitrate", "Bitrate:", AW_BITRATE, "BitrateBox", 1018, "BitrateKbps", "Kbps", 358},
    };
    for (const auto& row : rows) {
        ui::addLabel(tabPanel, {.name = row.caption, .id = row.captionId, .x = ui::left(20), .y = ui::top(row.top + 3),
                                .text = row.captionText, .font = font});
        if (WidgetTextEdit* box = ui::addTextEdit(tabPanel, {.name = row.box, .id = row.boxId, .x = ui::left(88),
                                                             .y = ui::top(row.top), .w = 64, .h = 19, .font = font}))
            box->setReadOnly(true);
        if (row.unit)
            ui::addLabel(tabPanel, {.name = row.unit, .id = row.unitId, .x = ui::left(156), .y = ui::top(row.top + 3),
                                    .text = row.unitText, .font = font});
    }
    addTagBoxes(398, {"Mark as music", "Mark as sound effect", "Mark as voice", "Mark as custom audio"});
    if (WidgetCheckBox* spectrum = ui::addCheckBox(tabPanel, {.name = "SpectrumAnalyzer", .id = AW_SPECTRUM,
                                                              .x = ui::centred(), .y = ui::top(525), .w = 160, .h = 22,
                                                              .text = "Spectrum Analyzer", .font = font,
                                                              .tooltip = "Show or hide the spectrum analyzer"}))
        spectrum->disable();
    addPlayControls("Play the current audio track");
    onNew();
}

CtrlAudioTracks::~CtrlAudioTracks() { closeResources(); }

AudioTrack* CtrlAudioTracks::current() const { return getItemHandle() > 0 ? tracks()->get(getItemHandle()) : nullptr; }

void CtrlAudioTracks::enableOwnWidgets(bool open)
{
    for (int id : {AW_DURATION, AW_CHANNELS, AW_FREQUENCY, AW_BITRATE, AW_MUSIC, AW_SFX, AW_VOICE, AW_CUSTOM})
        tabServices().setUsable(id, open);
}

int CtrlAudioTracks::playItem()
{
    tracks()->stopAll();
    AudioTrack* track = current();
    if (!track)
        return 1;
    const int result = track->play(0);
    if (result == 0)
        installTap();
    else
        removeTap();
    return result;
}

void CtrlAudioTracks::holdItem(bool hold)
{
    if (hold) {
        tracks()->pauseAll();
        removeTap();
    } else {
        tracks()->resumeAll();
        installTap();
    }
}

void CtrlAudioTracks::stopItem()
{
    tracks()->stopAll();
    removeTap();
}

void CtrlAudioTracks::installTap()
{
    Main::instance()->configMgr()->audioSetPostMix(postMixCallback, this);
}

void CtrlAudioTracks::removeTap() { Main::instance()->configMgr()->audioSetPostMix(nullptr, nullptr); }

bool CtrlAudioTracks::tagItem(eAudioTrackTag tag)
{
    AudioTrack* track = current();
    return track && track->setTag(tag) == 0;
}

eAudioTrackTag CtrlAudioTracks::itemTag() const
{
    const AudioTrack* track = current();
    return track ? track->getTag() : ATT_SFX;
}

int CtrlAudioTracks::render(int)
{
    const GlobalStatus& status = tabServices().status();
    tabServices().screen().clear(128, 128, 128, 255);
    const float x = (static_cast<float>(status.iWidth - 200) - kBoxWidth) * 0.5f + 200;
    const float y = (static_cast<float>(status.iHeight - 40) - kBoxHeight) * 0.5f + 40;
    GFX::rectFilled(x, y, x + kBoxWidth, y + kBoxHeight, 0x404040FF, 0);
    AudioTrack* track = current();
    if (track)
        renderWaveform(x, y, kBoxWidth, kBoxHeight);
    const float barTop = y + kBoxHeight + 10;
    const float barBottom = barTop + 20;
    GFX::rectFilled(x, barTop, x + kBoxWidth, barBottom, 0x303030FF, 0);
    if (!track)
        return 0;
    AudioInfo info;
    string format;
    track->getInfo(&format, &info);
    if (info.durationMs <= 0)
        return 0;
    const float ratio = static_cast<float>(track->getPlaybackPosition()) / static_cast<float>(info.durationMs);
    const float fill = ratio < 0 ? 0 : ratio > 1 ? kBoxWidth : kBoxWidth * ratio;
    if (fill > 0)
        GFX::rectFilled(x, barTop, x + fill, barBottom, 0x0000AAFF, 0);
    GFX::line(x + fill, barTop, x + fill, barBottom, 0xFFFFFFFF, 0);
    return 0;
}

void CtrlAudioTracks::renderWaveform(float x, float y, float w, float h) const { waveform.draw(x, y, w, h); }

void CtrlAudioTracks::postMixCallback(void* user, AudioMixer*, const SDL_AudioSpec* spec, const float* samples,
                                      int count)
{
    if (!user || !spec)
        return;
    static_cast<CtrlAudioTracks*>(user)->waveform.capture(samples, count, spec->channels);
}

int CtrlAudioTracks::loadBlock(const string& name)
{
    return tracks()->load(tabServices().status().iArchiveID, name.c_str(), false);
}

int CtrlAudioTracks::loadFile(const string& path, eAudioTrackTag tag)
{
    return tracks()->loadFromFile(path.c_str(), "", tag, 1, false);
}

void CtrlAudioTracks::showNothing()
{
    Panel& tabPanel = tabServices().panel();
    setLabel(tabPanel, AW_TYPE, "No sound", kTypeTop);
    setLabel(tabPanel, AW_SIZE, "Size: 0 B", kSizeTop);
    for (int id : {AW_DURATION, AW_CHANNELS, AW_FREQUENCY, AW_BITRATE})
        setEdit(id, 0);
}

void CtrlAudioTracks::setEdit(int editId, int value) const
{
    if (WidgetTextEdit* edit = tabServices().panel().getTextEdit(editId)) {
        string text;
        tool()->intToStrDec(value, text);
        edit->setText(text.c_str());
    }
}

int CtrlAudioTracks::onSave()
{
    return resourceSave.save(kKind, "Audio track name cannot be empty.", [this](const string& name) {
        AudioTrack* track = current();
        if (!track) {
            tabServices().notifySaveError(kKind, "Could not get the audio track.", kNoticeMs);
            return -1;
        }
        if (tracks()->setName(getItemHandle(), name.c_str()) < 0) {
            tabServices().notifySaveWarning(kKind, "Could not rename the audio track.", kNoticeMs);
            return -1;
        }
        if (const int rc = track->save(tabServices().status().iArchiveID, ""); rc != 0) {
            tabServices().notifySaveFailure(kKind, "Could not save the audio track.", rc);
            return -1;
        }
        return 0;
    });
}

int CtrlAudioTracks::onDelete()
{
    return resourceSave.deleteSelected("Sound", [this](const string& name) {
        return tracks()->remove(tabServices().status().iArchiveID, name.c_str());
    });
}

int CtrlAudioTracks::updateData()
{
    Panel& tabPanel = tabServices().panel();
    const AudioTrack* track = current();
    if (!track)
        return 0;
    string format;
    AudioInfo info;
    track->getInfo(&format, &info);
    setLabel(tabPanel, AW_TYPE, format, kTypeTop);
    setLabel(tabPanel, AW_SIZE, "Size: " + humanSize(static_cast<uint64_t>(info.sizeBytes)), kSizeTop);
    setEdit(AW_DURATION, static_cast<int>(static_cast<float>(info.durationMs) / 1000.0f));
    setEdit(AW_CHANNELS, info.channels);
    setEdit(AW_FREQUENCY, info.frequencyHz);
    setEdit(AW_BITRATE, info.bitRateKbps);
    applyTagToWidgets(itemTag());
    return 0;
}

int CtrlAudioTracks::closeResources()
{
    if (getItemHandle() > 0)
        tracks()->close(getItemHandle());
    // Closing the track ends its playback.
    dropItem();
    // The tap goes first: the mixer then runs no capture while the ring is cleared.
    removeTap();
    waveform.clear();
    return 0;
}

CtrlBase::string CtrlAudioTracks::exportExtension() const
{
    string format;
    if (const AudioTrack* track = current())
        track->getInfo(&format, nullptr);
    return format;
}

int CtrlAudioTracks::writeExport(const string& stem, const string&) const
{
    AudioTrack* track = current();
    return track ? track->saveToFile(stem.c_str()) : -1;
}

void CtrlAudioTracks::reportExport(int result, const string& path) const
{
    tabServices().messageBox(kExportTitle, "Audio exported to \"" + path + "\": " + (result == 0 ? "Ok" : "Failed"),
                             MBB_OK, result == 0 ? MBT_INFORMATION : MBT_WARNING, 0);
}
