// Audio tracks: music, sound effects and voices played through the engine's
// mixer (ConfigMgr::audioInit). A track can keep its encoded source bytes so
// it is saved and exported unchanged. Tracks are saved as "ZK7_AUDIOTRACK"
// blocks. Tracks load while audio is closed too: they are decoded for the
// mixer when they first play.
// setName refuses a name another open track holds; loads do not check, as a
// caller may load a block whose name is still open. Main thread only.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Result.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Zelkoran {

// What a track is used for; stored and saved with it.
enum eAudioTrackTag : int {
    ATT_MUSIC = 1,
    ATT_SFX = 2,   // sound effect
    ATT_VOICE = 3,
    ATT_CUSTOM = 4,
};

// Facts about a track's source, filled by AudioTrack::getInfo.
struct AudioInfo {
    int32_t sizeBytes = 0;   // encoded source size
    int32_t frequencyHz = 0; // sample rate
    int32_t channels = 0;
    int32_t durationMs = 0;  // 0 when unknown (tracker modules may not tell)
    int32_t bitRateKbps = 0; // average over the whole source
};

class AudioTrack {
public:
    ~AudioTrack();
    AudioTrack(const AudioTrack&) = delete;
    AudioTrack& operator=(const AudioTrack&) = delete;

    int getID() const;
    const char* getName() const;

    // Plays the track from its start; loops = 0 plays it once, n more times
    // after that, -1 forever. A playing track restarts; tracks play together.
    // Returns 0, RC_ERR_INVALID (loops below -1), or RC_ERR_IO (the mixer is
    // not open or cannot decode the source).
    int play(int loops);
    // Fills the source format text (the lower-case export extension, e.g.
    // "ogg", "wav", "mp3", "xm"; at most 8 characters) and the info; either
    // pointer may be null. Facts the source does not tell are 0. Returns 0.
    int getInfo(String* formatText, AudioInfo* info) const;
    // Milliseconds since the start of the current pass (also while paused);
    // 0 when stopped or played to its end.
    int getPlaybackPosition() const;
    eAudioTrackTag getTag() const;
    // Returns 0, or RC_ERR_INVALID (not a tag of eAudioTrackTag).
    int setTag(eAudioTrackTag tag);

    // Writes the source bytes, format text and tag as a "ZK7_AUDIOTRACK"
    // block; an empty name saves under the track's own name (which does not
    // change). Returns 0, RC_ERR_NOT_FOUND (no such archive), RC_ERR_INVALID
    // (no source bytes kept, or no name at all), RC_ERR_NO_SLOT (-72), or a
    // code of Archive::blockAdd.
    int save(int archiveId, const char* name);
    // Writes the source bytes to path + "." + format text (replacing a file
    // only once the new one is complete). Returns 0, RC_ERR_INVALID (no
    // source bytes, or empty path), RC_ERR_IO.
    int saveToFile(const char* pathWithoutExtension);

private:
    friend class AudioTrackMgr;
    struct Impl;
    explicit AudioTrack(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

class AudioTrackMgr {
public:
    AudioTrackMgr();
    ~AudioTrackMgr();

    // Whether tracks loaded from now on keep their encoded source bytes
    // (needed by AudioTrack::save and saveToFile). Off at start: a track then
    // holds only its decoded sound once audio is open.
    void setKeepSourceData(bool keep);

    // Decodes a WAV, VOC, AIFF, OGG, MP3 or FLAC file or a tracker module.
    // name may be "" (a track without a name is saved only under a given
    // name). mode and flag are kept for the callers' argument order (they
    // pass 1 and false); the stand-in has one way of loading. The format
    // text is the file's extension in lower case (guessed from the bytes
    // when the extension is not a format text).
    // Returns the track id (> 0), or RC_ERR_NOT_FOUND (no such file),
    // RC_ERR_IO, RC_ERR_CORRUPT (not audio the engine reads),
    // RC_ERR_TOO_LARGE (2 GiB or more), RC_ERR_INVALID (bad tag, null path,
    // name longer than 63 characters).
    int loadFromFile(const char* path, const char* name, eAudioTrackTag tag, int mode, bool flag);
    // A track from encoded bytes (copied) with their format text, e.g. the
    // payload of a legacy sound or music block. formatText: 1 to 8 letters
    // and digits in any case (kept in lower case), "" = guessed from the bytes.
    // Returns the track id (> 0), or RC_ERR_CORRUPT (not audio the engine
    // reads), RC_ERR_TOO_LARGE (2 GiB or more), RC_ERR_INVALID (null data,
    // size 0, bad tag, format text or name).
    int loadFromBuffer(const void* data, size_t size, const char* name, const char* formatText,
                       eAudioTrackTag tag);
    // Reads the "ZK7_AUDIOTRACK" block name; the track is named after it.
    // flag is kept for the callers' argument order (they pass false).
    // Returns the track id (> 0), or RC_ERR_NOT_FOUND (no such archive or
    // block), RC_ERR_KEY (-477, encrypted without the key), RC_ERR_CORRUPT,
    // RC_ERR_IO.
    int load(int archiveId, const char* name, bool flag);
    // The open track with that id, or null.
    AudioTrack* get(int id);
    // Stops and closes the track. Returns 0 or RC_ERR_NOT_FOUND.
    int close(int id);
    // Returns 0, RC_ERR_NOT_FOUND, RC_ERR_EXISTS (another open track has the
    // name), RC_ERR_INVALID (empty, or longer than 63 characters).
    int setName(int id, const char* name);
    // Soft-deletes the "ZK7_AUDIOTRACK" block name.
    // Returns 0, RC_ERR_NOT_FOUND (no such archive or block), or a code of
    // Archive::blockDelete.
    int remove(int archiveId, const char* name);

    // Act on every track.
    void stopAll();
    void pauseAll();
    void resumeAll();

    // Engine side: a track is sounding (the screen then draws at the render
    // rate, so playback displays move).
    bool anyPlaying() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace Zelkoran
