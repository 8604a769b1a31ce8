// What the media tabs (audio tracks, videos) share about their controls:
// the import filter, ticking a box and the four audio tag boxes. Main thread only.
#pragma once

#include <Zelkoran/AudioTrack.h>
#include <Zelkoran/CMem.h>
#include <Zelkoran/Types.h>

#include <initializer_list>
#include <utility>

namespace Zelkoran {
class Panel;
}

namespace media {

// The file dialog's filter of description and pattern pairs: each text
// ended by a NUL, the whole ended by one more.
Zelkoran::String dialogFilter(std::initializer_list<std::pair<Zelkoran::String, Zelkoran::String>> pairs);
// Ticks or clears owner's check box id when it exists.
void setChecked(Zelkoran::Panel* owner, int id, bool checked);

// The tag of one of the four tag check boxes; defaultTag for any other id.
Zelkoran::eAudioTrackTag audioTagFromWidgetID(int widgetId, int musicId, int sfxId, int voiceId, int customId,
                                              Zelkoran::eAudioTrackTag defaultTag);
// Ticks the box of tag (defaultTag when tag is not 1..4) and clears the others.
void applyAudioTagToWidgets(Zelkoran::Panel* tagPanel, int tag, int musicId, int sfxId, int voiceId, int customId,
                            Zelkoran::eAudioTrackTag defaultTag);
// The tag of the first ticked box in the order music, effect, voice, custom.
Zelkoran::eAudioTrackTag selectedAudioTagFromWidgets(Zelkoran::Panel* tagPanel, int musicId, int sfxId, int voiceId,
                                                     int customId, Zelkoran::eAudioTrackTag defaultTag);

} // namespace media
