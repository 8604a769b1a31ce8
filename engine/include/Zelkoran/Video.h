// Videos: MP4, MOV, AVI and raw H.264 sources, played with their frames drawn
// by the engine into a viewport on top of the render callback's drawing and
// their sound played through the mixer. A video keeps its source bytes; it
// is saved as a "ZK7_VIDEO" block. setName refuses a name another open video
// holds; loads do not check, as a caller may load a block whose name is
// still open. Main thread only.
#pragma once

#include <Zelkoran/AudioTrack.h>
#include <Zelkoran/CMem.h>
#include <Zelkoran/Result.h>

#include <SDL_rect.h>

#include <cstdint>
#include <memory>

struct SDL_Renderer;
struct SDL_Surface;

namespace Zelkoran {

// Facts about a video's source, filled by Video::getInfo. Texts are
// NUL-terminated and empty when unknown.
struct VideoInfo {
    int32_t width = 0;
    int32_t height = 0;
    float framesPerSecond = 0.0f;
    int32_t durationMs = 0;   // 0 when unknown
    uint64_t frameCount = 0;  // 0 when unknown
    int32_t videoBitRateKbps = 0;
    int32_t audioChannels = 0; // 0 without sound
    int32_t audioFrequencyHz = 0;
    int32_t audioBitRateKbps = 0;
    char videoCodec[64];
    char audioCodec[64];      // empty without sound
    char container[64];       // demuxer name, e.g. "mov,mp4,m4a,3gp,3g2,mj2", "avi", "h264"
    char pixelFormat[64];

    VideoInfo();
};

class Video {
public:
    ~Video();
    Video(const Video&) = delete;
    Video& operator=(const Video&) = delete;

    int getID() const;
    const char* getName() const;

    // Plays from the current position (from the start after a pass ran to
    // the end); loops = 0 plays once, n more times after that, -1 forever. Returns 0, or RC_ERR_CORRUPT (the source
    // cannot be decoded), RC_ERR_IO (the mixer refused the sound).
    int play(int loops);
    // Returns 0, or RC_ERR_INVALID (not playing).
    int pause();
    // Returns 0, or RC_ERR_INVALID (not paused).
    int resume();
    // Ends playback and rewinds to 0; the viewport shows nothing. Returns 0.
    int stop();
    // Moves to ms (clamped to the duration); a paused or stopped video shows
    // the frame at that time, seek(0) the first frame; a playing one plays
    // on from there. Returns 0, or RC_ERR_CORRUPT (decoding failed there).
    int seek(int ms);
    // Screen rectangle the frames are scaled into (the caller letterboxes).
    void setViewport(SDL_FRect rect);

    // Length in milliseconds; 0 or below when unknown.
    int getDuration() const;
    // Milliseconds from the start to the frame shown now.
    int getPlaybackPosition() const;
    // Frames decoded but never shown since play started from a stop (they
    // were late, or a newer frame was due); diagnostics.
    uint64_t getDroppedFrames() const;
    // Frame size in pixels.
    int getWidth() const;
    int getHeight() const;
    // Returns 0, or RC_ERR_INVALID (info is null).
    int getInfo(VideoInfo* info) const;
    // The tag the sound track plays with.
    eAudioTrackTag getTag() const;
    // Returns 0, or RC_ERR_INVALID (not a tag of eAudioTrackTag).
    int setTag(eAudioTrackTag tag);

    // Writes the source bytes and tag as a "ZK7_VIDEO" block; an empty name
    // saves under the video's own name (which does not change).
    // Returns 0, RC_ERR_NOT_FOUND (no such archive), RC_ERR_INVALID (no name
    // at all), RC_ERR_NO_SLOT (-72), or a code of Archive::blockAdd.
    int save(int archiveId, const char* name);
    // Writes the source bytes unchanged to path (no extension is added; a
    // file is replaced only once the new one is complete).
    // Returns 0, RC_ERR_INVALID (empty path), RC_ERR_IO.
    int saveToFile(const char* path);
    // Decodes the frame shown at ms, independently of playback. 0 and *out =
    // a new ARGB8888 surface the caller frees with SDL_FreeSurface; 0 and
    // *out = null when no frame lies at ms (beyond the end); otherwise
    // RC_ERR_INVALID (out null, ms negative) or RC_ERR_CORRUPT (decoding
    // failed), with *out = null.
    int decodeFrameAt(int ms, SDL_Surface** out);

private:
    friend class VideoMgr;
    struct Impl;
    explicit Video(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

class VideoMgr {
public:
    VideoMgr();
    ~VideoMgr();

    // Opens an MP4, M4V, MOV, AVI or raw H.264 (Annex B) file, read whole
    // into memory; name may be "" (such a video is saved only under a given
    // name); tag is the sound track's.
    // Returns the video id (> 0), or RC_ERR_NOT_FOUND (no such file),
    // RC_ERR_IO, RC_ERR_TOO_LARGE (2 GiB or more), RC_ERR_CORRUPT (not one
    // of those containers, no decodable video stream, or a frame size of 0
    // or beyond 16384 a side or 8192 x 8192 pixels), RC_ERR_INVALID (bad
    // tag, null path, name longer than 63 characters), RC_ERR_NO_LIBRARY
    // (-79, FFmpeg cannot be loaded; the log says why).
    int loadFromFile(const char* path, const char* name, eAudioTrackTag tag);
    // Reads the "ZK7_VIDEO" block name; the video is named after it.
    // Returns the video id (> 0), or RC_ERR_NOT_FOUND (no such archive or
    // block), RC_ERR_KEY (-477, encrypted without the key), RC_ERR_CORRUPT,
    // RC_ERR_IO, RC_ERR_NO_LIBRARY.
    int load(int archiveId, const char* name);
    // The open video with that id, or null.
    Video* get(int id);
    // Stops and closes the video. Returns 0 or RC_ERR_NOT_FOUND.
    int close(int id);
    // Returns 0, RC_ERR_NOT_FOUND, RC_ERR_EXISTS (another open video has the
    // name), RC_ERR_INVALID (empty, or longer than 63 characters).
    int setName(int id, const char* name);
    // Soft-deletes the "ZK7_VIDEO" block name.
    // Returns 0, RC_ERR_NOT_FOUND (no such archive or block), RC_ERR_IO.
    int remove(int archiveId, const char* name);

    // Engine side: advances playing videos and draws their current frames
    // into their viewports, under the screen's clip rectangle. Called once
    // per drawn frame after the render callback and before the panels.
    void render(SDL_Renderer* renderer);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace Zelkoran
