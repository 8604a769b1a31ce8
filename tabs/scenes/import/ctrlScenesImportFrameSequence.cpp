// The frame-sequence converter's entry point; the converter is the
// importer's (import/scene/FrameSequenceLayer.h).
#include "tabs/scenes/ctrlScenes.h"
#include "import/scene/FrameSequenceLayer.h"
#include "tabs/scenes/import/SceneImportProgress.h"

using namespace Zelkoran;

int CtrlScenes::importFrameSequenceLayer(Scene* scene, const SceneLayerImportOptions& options,
                                         std::vector<SDL_Surface*>& frames, int sourceWidth, int sourceHeight,
                                         bool padded, const char* kind, const std::vector<int>* frameDurations,
                                         WidgetProgress* progress, string* message)
{
    ImportProgress bar = widgetImportProgress(progress);
    return ::importFramesAsTileLayer(scene, options, frames, sourceWidth, sourceHeight, padded, kind,
                                     frameDurations, &bar, message);
}
