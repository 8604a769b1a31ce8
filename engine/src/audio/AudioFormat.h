// Format texts of audio sources: the lower-case export extension of the
// encoded bytes ("wav", "ogg", "mp3", "xm").
#pragma once

#include <Zelkoran/CMem.h>

#include <cstddef>

namespace Zelkoran::audio {

// Longest format text: the field of the legacy audio blocks.
constexpr size_t kMaxFormatText = 8;

// The lower-case form of text when it is 1..8 ASCII letters and digits.
bool normalizeFormatText(const char* text, String& out);
// The format text a file's extension gives ("Song.XM" -> "xm"), "" when the
// extension is missing or not a format text.
String formatTextOfPath(const char* path);
// True for the tracker-module kinds (mod, xm, it, s3m, ...).
bool isTrackerModule(const String& formatText);
// The format text of sources FFmpeg's demuxer demuxerName recognised.
String formatTextOfDemuxer(const char* demuxerName);

} // namespace Zelkoran::audio
