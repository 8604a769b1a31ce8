#include <Zelkoran/Archive.h>
#include <Zelkoran/AudioTrack.h>
#include <Zelkoran/Main.h>

#include "audio/AudioFormat.h"
#include "audio/AudioMixer.h"
#include "audio/AudioPlayback.h"
#include "audio/AudioProbe.h"
#include "audio/AudioTrackBlock.h"
#include "audio/MediaSourceBlock.h"
#include "core/FileReplace.h"
#include "core/WholeFile.h"
#include "core/PathText.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>

namespace Zelkoran {

namespace {

int32_t toInt32(size_t v) { return static_cast<int32_t>(std::min<size_t>(v, INT32_MAX)); }

} // namespace

struct AudioTrack::Impl {
    int id = 0;
    String name;
    eAudioTrackTag tag = ATT_MUSIC;
    String formatText;
    // The encoded source; empty once dropped (see setKeepSourceData).
    Vector<uint8_t> source;
    // Facts of the source; a duration of 0 is filled from the decoded sound.
    AudioInfo info;
    audio::AudioPlayback playback;
};

AudioTrack::AudioTrack(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
AudioTrack::~AudioTrack() = default;

int AudioTrack::getID() const { return m_impl->id; }
const char* AudioTrack::getName() const { return m_impl->name.c_str(); }
eAudioTrackTag AudioTrack::getTag() const { return m_impl->tag; }

int AudioTrack::setTag(eAudioTrackTag tag)
{
    if (!audio::isAudioTrackTag(tag))
        return RC_ERR_INVALID;
    m_impl->tag = tag;
    return RC_OK;
}

int AudioTrack::play(int loops)
{
    if (loops < -1)
        return RC_ERR_INVALID;
    audio::AudioPlayback& playback = m_impl->playback;
    if (!playback.isDecoded()) {
        // Audio was opened (or reopened) after the load: decode for this device.
        if (m_impl->source.empty() || playback.decode(m_impl->source.data(), m_impl->source.size()) != RC_OK)
            return RC_ERR_IO;
    }
    return playback.play(loops);
}

int AudioTrack::getInfo(String* formatText, AudioInfo* info) const
{
    if (formatText)
        *formatText = m_impl->formatText;
    if (info) {
        *info = m_impl->info;
        if (info->durationMs == 0)
            info->durationMs = m_impl->playback.durationMs();
        // The average over the whole source; bits per millisecond are Kbps.
        if (info->durationMs > 0)
            info->bitRateKbps = toInt32(static_cast<size_t>(info->sizeBytes) * 8 / static_cast<size_t>(info->durationMs));
    }
    return RC_OK;
}

int AudioTrack::getPlaybackPosition() const { return m_impl->playback.positionMs(); }

int AudioTrack::save(int archiveId, const char* name)
{
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive)
        return RC_ERR_NOT_FOUND;
    const char* blockName = name && name[0] ? name : m_impl->name.c_str();
    if (!blockName[0] || !audio::isMediaName(blockName) || m_impl->source.empty())
        return RC_ERR_INVALID;
    Vector<uint8_t> data;
    try {
        data = audio::encodeAudioTrackBlock(m_impl->formatText, m_impl->tag, m_impl->source.data(),
                                            m_impl->source.size());
    } catch (const std::bad_alloc&) {
        return RC_ERR_NO_MEMORY;
    }
    if (data.empty())
        return RC_ERR_TOO_LARGE;
    Archive::Block block(blockName, audio::kAudioTrackBlockType);
    block.storage = blockStorage(*archive, Archive::ST_RAW); // encoded audio does not compress
    block.data = data.data();
    block.size = data.size();
    return archive->blockAdd(block);
}

int AudioTrack::saveToFile(const char* pathWithoutExtension)
{
    if (!pathWithoutExtension || !pathWithoutExtension[0] || m_impl->source.empty())
        return RC_ERR_INVALID;
    const String path = String(pathWithoutExtension) + "." + m_impl->formatText;
    return writeFileReplacing(path.c_str(), m_impl->source.data(), m_impl->source.size());
}

// --- AudioTrackMgr ---

struct AudioTrackMgr::Impl {
    std::map<int, std::unique_ptr<AudioTrack>> tracks;
    int nextId = 1;
    bool keepSource = false;

    // A track from encoded bytes: accepted when FFmpeg reads the source or
    // the mixer decodes it. The id or a negative code.
    int add(Vector<uint8_t>&& bytes, const char* name, String formatText, eAudioTrackTag tag)
    {
        audio::AudioFacts facts;
        const bool probed = audio::probeAudio(bytes.data(), bytes.size(), formatText, facts);
        auto impl = std::make_unique<AudioTrack::Impl>();
        // With the source kept, decoding waits for the first play; otherwise
        // the decoded sound is all the track will hold.
        if (currentMixer() && (!keepSource || !probed))
            impl->playback.decode(bytes.data(), bytes.size());
        if (!probed && !impl->playback.isDecoded())
            return RC_ERR_CORRUPT;
        if (formatText.empty()) {
            if (facts.formatText.empty())
                return RC_ERR_CORRUPT; // decodable, but nothing tells its export extension
            formatText = facts.formatText;
        }
        impl->id = nextId++;
        impl->name = name ? name : "";
        impl->tag = tag;
        impl->formatText = std::move(formatText);
        impl->info.sizeBytes = toInt32(bytes.size());
        impl->info.frequencyHz = facts.frequencyHz;
        impl->info.channels = facts.channels;
        impl->info.durationMs = facts.durationMs;
        impl->info.bitRateKbps = facts.bitRateKbps;
        if (keepSource || !impl->playback.isDecoded())
            impl->source = std::move(bytes);
        const int id = impl->id;
        tracks[id] = std::unique_ptr<AudioTrack>(new AudioTrack(std::move(impl)));
        return id;
    }
};

AudioTrackMgr::AudioTrackMgr() : m_impl(std::make_unique<Impl>()) {}
AudioTrackMgr::~AudioTrackMgr() = default;

void AudioTrackMgr::setKeepSourceData(bool keep) { m_impl->keepSource = keep; }

int AudioTrackMgr::loadFromFile(const char* path, const char* name, eAudioTrackTag tag, int, bool)
{
    if (!path || !audio::isMediaName(name ? name : "") || !audio::isAudioTrackTag(tag))
        return RC_ERR_INVALID;
    Vector<uint8_t> bytes;
    const int rc = readWholeFile(path, bytes, INT32_MAX);
    if (rc != RC_OK)
        return rc;
    if (bytes.empty())
        return RC_ERR_CORRUPT;
    return m_impl->add(std::move(bytes), name, audio::formatTextOfPath(path), tag);
}

int AudioTrackMgr::loadFromBuffer(const void* data, size_t size, const char* name, const char* formatText,
                                  eAudioTrackTag tag)
{
    String text;
    if (!data || size == 0 || !audio::isMediaName(name ? name : "") || !audio::isAudioTrackTag(tag) ||
        !formatText || (formatText[0] && !audio::normalizeFormatText(formatText, text)))
        return RC_ERR_INVALID;
    if (size > INT32_MAX)
        return RC_ERR_TOO_LARGE;
    Vector<uint8_t> bytes;
    try {
        const auto* first = static_cast<const uint8_t*>(data);
        bytes.assign(first, first + size);
    } catch (const std::bad_alloc&) {
        return RC_ERR_NO_MEMORY;
    }
    return m_impl->add(std::move(bytes), name, std::move(text), tag);
}

int AudioTrackMgr::load(int archiveId, const char* name, bool)
{
    audio::AudioTrackBlock parsed;
    Vector<uint8_t> bytes;
    const int rc = audio::loadMediaSourceBlock(archiveId, name, audio::kAudioTrackBlockType,
                                               &audio::decodeAudioTrackBlock, parsed, bytes);
    if (rc != RC_OK)
        return rc;
    if (bytes.empty())
        return RC_ERR_CORRUPT;
    return m_impl->add(std::move(bytes), name, std::move(parsed.formatText), parsed.tag);
}

AudioTrack* AudioTrackMgr::get(int id)
{
    auto it = m_impl->tracks.find(id);
    return it == m_impl->tracks.end() ? nullptr : it->second.get();
}

int AudioTrackMgr::close(int id) { return m_impl->tracks.erase(id) ? RC_OK : RC_ERR_NOT_FOUND; }

int AudioTrackMgr::setName(int id, const char* name)
{
    AudioTrack* track = get(id);
    if (!track)
        return RC_ERR_NOT_FOUND;
    if (!audio::isMediaBlockName(name))
        return RC_ERR_INVALID;
    for (const auto& [otherId, other] : m_impl->tracks)
        if (otherId != id && other->m_impl->name == name)
            return RC_ERR_EXISTS;
    track->m_impl->name = name;
    return RC_OK;
}

int AudioTrackMgr::remove(int archiveId, const char* name)
{
    return audio::removeMediaSourceBlock(archiveId, name, audio::kAudioTrackBlockType);
}

void AudioTrackMgr::stopAll()
{
    for (auto& [id, track] : m_impl->tracks)
        track->m_impl->playback.stop();
}

void AudioTrackMgr::pauseAll()
{
    for (auto& [id, track] : m_impl->tracks)
        track->m_impl->playback.pause();
}

void AudioTrackMgr::resumeAll()
{
    for (auto& [id, track] : m_impl->tracks)
        track->m_impl->playback.resume();
}

bool AudioTrackMgr::anyPlaying() const
{
    for (const auto& [id, track] : m_impl->tracks)
        if (track->m_impl->playback.isPlaying())
            return true;
    return false;
}

} // namespace Zelkoran
