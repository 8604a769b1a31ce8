// Facts about encoded audio, read by FFmpeg's demuxers without decoding the
// sound: what the audio tab shows even while no audio device is open.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstddef>
#include <cstdint>

namespace Zelkoran::audio {

struct AudioFacts {
    String formatText;        // from the demuxer that read it
    int32_t frequencyHz = 0;
    int32_t channels = 0;
    int32_t durationMs = 0;   // 0 when the source does not tell
    int32_t bitRateKbps = 0;  // the container's figure, 0 when unknown
};

// True and the facts when the bytes hold an audio stream FFmpeg reads.
// formatText ("" = unknown) helps with kinds that carry no signature (old
// tracker modules). Never reads outside data.
bool probeAudio(const uint8_t* data, size_t size, const String& formatText, AudioFacts& out);

} // namespace Zelkoran::audio
