// Which source imports a request: the first row its source kind and file
// kind match; SFK_OTHER in a row takes any file kind.
#include "tabs/scenes/import/FrameSequenceSources.h"
#include "tabs/scenes/import/MapSceneSources.h"
#include "tabs/scenes/import/StillSceneSources.h"

namespace {

const EmptySceneSource kEmpty;
const StillPictureSource kPicture;
const GifPictureSource kGifPicture;
const GifAnimationSource kGifAnimation;
const VideoSource kVideo;
const TiledMapSource kTiledMap;
const UvttSource kUvtt;

struct SourceRow {
    SceneSourceType sourceType;
    SceneFileKind fileKind;
    const SceneImportSource* source;
};

const SourceRow kSources[] = {
    {SST_NONE, SFK_OTHER, &kEmpty},
    {SST_IMAGE, SFK_GIF, &kGifPicture},
    {SST_IMAGE, SFK_OTHER, &kPicture},
    {SST_FRAMES, SFK_GIF, &kGifAnimation},
    {SST_FRAMES, SFK_OTHER, &kVideo},
    {SST_TILED_MAP, SFK_OTHER, &kTiledMap},
    {SST_UVTT, SFK_OTHER, &kUvtt},
};

} // namespace

const SceneImportSource* sceneImportSource(int sourceType, int fileKind)
{
    for (const SourceRow& row : kSources)
        if (row.sourceType == sourceType && (row.fileKind == fileKind || row.fileKind == SFK_OTHER))
            return row.source;
    return nullptr;
}
