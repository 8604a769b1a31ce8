#include "audio/AudioFormat.h"

#include "core/PathText.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

namespace Zelkoran::audio {

namespace {

// Tracker-module extensions the import offers, plus a few more kinds the
// module players read.
constexpr std::string_view kTrackerModules[] = {
    "669",  "abk",   "amf",    "arch", "asylum", "chip", "coco", "dbm",  "digi", "dmf",  "dsm",  "dt",
    "emod", "far",   "flt",    "fnk",  "gal4",   "gal5", "gdm",  "hmn",  "ice",  "imf",  "ims",  "it",
    "j2b",  "liq",   "masi",   "masi16", "mdl",  "med",  "med2", "med3", "med4", "mfp",  "mgt",  "mmd1",
    "mmd3", "mo3",   "mod",    "mptm", "mt2",    "mtm",  "muse", "no",   "okt",  "plm",  "psm",  "pt3",
    "ptm",  "rtm",   "s3m",    "sfx",  "st",     "stim", "stm",  "stx",  "sym",  "ult",  "umx",  "xm",
    "xmf",
};

// FFmpeg demuxer names whose first name is not the usual extension.
struct DemuxerText {
    std::string_view demuxer;
    const char* text;
};
constexpr DemuxerText kDemuxerTexts[] = {
    {"libopenmpt", "mod"}, // the module kind is not told; "mod" is the common one
    {"libgme", "spc"},
    {"mov", "m4a"},
    {"matroska", "mka"},
};

} // namespace

bool normalizeFormatText(const char* text, String& out)
{
    if (!text)
        return false;
    const size_t n = std::strlen(text);
    if (n == 0 || n > kMaxFormatText)
        return false;
    String lower;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80 || !std::isalnum(c))
            return false;
        lower.push_back(static_cast<char>(std::tolower(c)));
    }
    out = std::move(lower);
    return true;
}

String formatTextOfPath(const char* path)
{
    if (!path)
        return {};
    const std::string ext = PathText::toPath(path).extension().string();
    String text;
    return ext.size() > 1 && normalizeFormatText(ext.c_str() + 1, text) ? text : String();
}

bool isTrackerModule(const String& formatText)
{
    return std::find(std::begin(kTrackerModules), std::end(kTrackerModules), std::string_view(formatText)) !=
           std::end(kTrackerModules);
}

String formatTextOfDemuxer(const char* demuxerName)
{
    if (!demuxerName)
        return {};
    // A demuxer may list several names: "mov,mp4,m4a,3gp,3g2,mj2".
    const std::string_view all(demuxerName);
    const std::string_view first = all.substr(0, all.find(','));
    for (const DemuxerText& d : kDemuxerTexts)
        if (first == d.demuxer)
            return d.text;
    String text;
    return normalizeFormatText(String(first).c_str(), text) ? text : String();
}

} // namespace Zelkoran::audio
