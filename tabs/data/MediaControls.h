// What the media tabs (audio tracks, videos) share about their controls:
// the import filter and ticking a box. Main thread only.
#pragma once

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
// Ticks or clears a check box when it exists.
void setChecked(Zelkoran::Panel* panel, int id, bool checked);

} // namespace media
