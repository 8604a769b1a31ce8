// The controls the media tabs (audio tracks, videos) build alike on their
// panels: sprite buttons, the Pause box, tag boxes, the import filter. A
// widget the panel refuses is skipped. Main thread only.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Types.h>

#include <initializer_list>
#include <utility>

class ResourceManager;

namespace Zelkoran {
class Panel;
}

namespace media {

// A button without caption showing a clone of sprite for every state.
void addSpriteButton(Zelkoran::Panel* panel, ResourceManager* rm, int id, const char* name, Zelkoran::Position x,
                     Zelkoran::Position y, int sprite, const char* tooltip);
// The Pause check box: the pause sprite, centred at y.
void addPauseBox(Zelkoran::Panel* panel, ResourceManager* rm, int id, Zelkoran::Position y);
// A centred tag check box, 80 x 22, in the editor font.
void addTagBox(Zelkoran::Panel* panel, int font, int id, const char* name, const char* text, float top,
               const char* tooltip);
// The file dialog's filter of description and pattern pairs: each text
// ended by a NUL, the whole ended by one more.
Zelkoran::String dialogFilter(std::initializer_list<std::pair<Zelkoran::String, Zelkoran::String>> pairs);
// Ticks or clears a check box when it exists.
void setChecked(Zelkoran::Panel* panel, int id, bool checked);

} // namespace media
