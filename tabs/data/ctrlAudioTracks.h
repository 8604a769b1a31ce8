// The audio-track tab: lists the archive's "ZK7_AUDIOTRACK" blocks, opens
// one as an engine audio track, shows its facts, plays, pauses and stops it
// with a live waveform of the mixed sound and a progress bar, tags it,
// imports audio files and tracker modules, exports beside the archive,
// saves and deletes. Main thread only but for postMixCallback.
#pragma once

#include "tabs/data/AudioWaveform.h"
#include "tabs/data/ctrlMedia.h"

struct SDL_AudioSpec;

namespace Zelkoran {
class AudioTrack;
struct AudioMixer;
}

class CtrlAudioTracks : public CtrlMedia {
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

    CtrlAudioTracks(ResourceManager* rm, GlobalStatus* gs);
    ~CtrlAudioTracks() override;

    // Grey screen, the waveform box and the progress bar. 0.
    int render(int value) override;
    int onSave() override;
    int onDelete() override;
    // Facts and tag of the open track into the widgets. 0.
    int updateData() override;
    // Closes the track (stopping its playback) and the tap, empties the
    // waveform. 0.
    int closeResources() override;

    // The post-mix tap: folds the mixed sound into the waveform.
    static void postMixCallback(void* user, Zelkoran::AudioMixer* mixer, const SDL_AudioSpec* spec,
                                const float* samples, int count);
    void renderWaveform(float x, float y, float w, float h) const;

    const AudioWaveform& getWaveform() const { return waveform; }

private:
    string importFilter() const override;
    // The open track, null when none is.
    Zelkoran::AudioTrack* current() const;
    void enableOwnWidgets(bool open) override;
    // Every track of the engine stops before the open one plays.
    int playItem() override;
    void holdItem(bool hold) override;
    void stopItem() override;
    // The post-mix tap runs while the track plays.
    void installTap();
    void removeTap();
    bool tagItem(Zelkoran::eAudioTrackTag tag) override;
    Zelkoran::eAudioTrackTag itemTag() const override;
    int loadBlock(const string& name) override;
    int loadFile(const string& path, Zelkoran::eAudioTrackTag tag) override;
    // "No sound", 0 B and zeros.
    void showNothing() override;
    void setEdit(int editId, int value) const;
    // The track's format text ("wav", "ogg"...).
    string exportExtension() const override;
    // The engine writes stem + "." + the format text.
    int writeExport(const string& stem, const string& path) const override;
    void reportExport(int result, const string& path) const override;

    AudioWaveform waveform;
};
