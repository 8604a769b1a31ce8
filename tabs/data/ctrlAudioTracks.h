// The audio-track tab: lists the archive's "ZK7_AUDIOTRACK" blocks, opens
// one as an engine audio track, shows its facts, plays, pauses and stops it
// with a live waveform of the mixed sound and a progress bar, tags it,
// imports audio files and tracker modules, exports beside the archive,
// saves and deletes. Main thread only but for postMixCallback.
#pragma once

#include "tabs/base/ctrlBase.h"
#include "tabs/data/AudioWaveform.h"

struct SDL_AudioSpec;

namespace Zelkoran {
class AudioTrack;
struct AudioMixer;
}

class CtrlAudioTracks : public CtrlBase {
public:
    enum eAudioWidget : int {
        AW_IMPORT = 1000,
        AW_EXPORT = 1001,
        AW_PLAY = 1002,
        AW_PAUSE = 1003,
        AW_STOP = 1004,
        AW_MUSIC = 1005,
        AW_SFX = 1006,
        AW_VOICE = 1007,
        AW_CUSTOM = 1008,
        AW_SPECTRUM = 1009,
        AW_TYPE = 1010,
        AW_SIZE = 1011,
        AW_DURATION = 1019,
        AW_CHANNELS = 1020,
        AW_FREQUENCY = 1021,
        AW_BITRATE = 1022,
    };
    enum ePlayState : int { PS_STOPPED = 0, PS_PLAYING = 1, PS_PAUSED = 2 };

    CtrlAudioTracks(ResourceManager* rm, GlobalStatus* gs);
    ~CtrlAudioTracks() override;

    // The base's handling, then the tab's own widgets; 4 while no track is
    // open, -1 after a failed Play or when the base panel is broken, else 0.
    int processEvent(int widgetId, int data) override;
    // Grey screen, the waveform box and the progress bar. 0.
    int render(int value) override;
    // Opens the selected block unless it is the current one: 0, else -1
    // after an error box, with nothing open.
    int onListBox() override;
    // Nothing open, empty widgets, SFX ticked. 0, or -1.
    int onNew() override;
    int onSave() override;
    int onDelete() override;
    // Facts and tag of the open track into the widgets. 0.
    int updateData() override;
    // Closes the track (stopping its playback) and the tap, empties the
    // waveform. 0.
    int closeResources() override;

    // 0 after an import; -1 when cancelled or the file cannot be loaded.
    int onImport();
    // The engine's save result (0 = written), or -1.
    int onExport(const string& archivePath) const;

    Zelkoran::eAudioTrackTag getSelectedTag() const;
    void applyTagToWidgets(Zelkoran::eAudioTrackTag tag) const;

    // The post-mix tap: folds the mixed sound into the waveform.
    static void postMixCallback(void* user, Zelkoran::AudioMixer* mixer, const SDL_AudioSpec* spec,
                                const float* samples, int count);
    void renderWaveform(float x, float y, float w, float h) const;

    int getPlayState() const { return playState; }
    const AudioWaveform& getWaveform() const { return waveform; }

private:
    // The open track, null when none is.
    Zelkoran::AudioTrack* current() const;
    int onPlay();
    int onPause();
    int onStop();
    int onTag(int widgetId);
    void installTap();
    void removeTap();
    void setEdit(int editId, int value) const;
    // The facts of no track: "No sound", 0 B and zeros.
    void showNoTrack();

    int32_t playState = PS_STOPPED;
    AudioWaveform waveform;
};
