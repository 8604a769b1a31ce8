// The modal progress panel of the GIF and video conversions and the event
// pump that keeps the window alive while they run. A quit request during a
// conversion cancels it and stays queued for the editor's main loop.
// Main thread only.
#pragma once

#include "import/scene/FrameSequenceLayer.h"
#include "import/scene/ImportProgress.h"
#include "import/scene/VideoLayer.h"

#include <Zelkoran/FrameTiles.h>

#include <vector>

class ResourceManager;
struct SDL_Surface;

namespace Zelkoran {
class Main;
class WidgetProgress;
} // namespace Zelkoran

// The widget ids of the progress panel.
enum ProgressWidget : int { PW_TITLE = 1168, PW_LABEL = 1169, PW_BAR = 1170, PW_CANCEL = 1171 };

struct VideoImportProgressUI {
    int panelId = 0;                                // 0 when there is none
    Zelkoran::WidgetProgress* progressBar = nullptr; // null when the panel or bar was not made
};

// Delivers every pending event through Main::update. 0 when one was a quit
// request (pushed back onto the queue at once), a click on the progress
// panel's Cancel button or Escape: the caller cancels; 1 when no event is
// left.
int refreshSceneImportProgressUI(Zelkoran::Main* main);
// Sets the bar to value and pumps events; true without a bar (no pumping),
// false when the user cancelled.
bool stepSceneImportProgress(Zelkoran::WidgetProgress* progress, int value);
// A progress hook for a long step of the conversion: the bar's panel shows
// the stage, its percent and the seconds since the panel opened, and events
// are pumped at the stage's start and then every 50 ms, so the window stays
// drawn and a cancel is seen at once. No hook without a bar.
Zelkoran::FrameTileProgress sceneImportStage(Zelkoran::WidgetProgress* progress, const char* stage);

// The panel's bar as the converters' progress; a null bar shows nothing
// and never cancels.
ImportProgress widgetImportProgress(Zelkoran::WidgetProgress* bar);

// Shows the centred modal panel titled title with a bar of range
// 0 .. max(frames, 1) + 3 and a Cancel button, and draws it once. Panel id 0 and no bar when the
// panel cannot be made; a widget that cannot be made is left out.
VideoImportProgressUI openVideoImportProgressUI(Zelkoran::Main* main, ResourceManager* resources, const char* title,
                                                int frames);
// Closes the panel; ui is left empty, so a second call does nothing.
void closeVideoImportProgressUI(Zelkoran::Main* main, VideoImportProgressUI& ui);

// The "Video Import Tips" box of the import dialog.
void showVideoImportHelp();
