// Feeds arbitrary bytes to the GIF layer import: the structure check, then
// the probe and the animated import into a scene. Anything the check
// accepts must import or fail with a code, never crash; a success leaves
// exactly one new layer.
#include "import/scene/GIFLayers.h"
#include "import/scene/GIFSizeCheck.h"
#include "tabs/scenes/import/FrameSequenceSources.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>

#include "FuzzHarness.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Large pictures are only checked: their import takes seconds under the
    // sanitizers and reaches no code that small ones do not.
    constexpr int64_t kImportedPixels = int64_t(1) << 22;
    GIFLayout layout;
    int64_t framePixels = 0, right = 0, bottom = 0;
    if (!checkGIFLayout(data, size, layout, [&](const GIFFrameSpan& f) {
            framePixels += int64_t(f.width) * f.height;
            right = std::max<int64_t>(right, f.left + f.width);
            bottom = std::max<int64_t>(bottom, f.top + f.height);
        }) ||
        framePixels + layout.frames * std::max<int64_t>(right, layout.width) *
                          std::max<int64_t>(bottom, layout.height) >
            kImportedPixels)
        return 0;
    const std::string path = fuzz::scratchPath("gif_fuzz", ".gif");
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    int w = 0, h = 0, frames = 0, totalMs = 0;
    getGIFMetadata(path.c_str(), w, h, frames, totalMs);
    Zelkoran::SceneMgr* scenes = Zelkoran::Main::instance()->sceneMgr();
    const int id = scenes->create("", 0);
    SceneLayerImportOptions o;
    o.sourceType = 2, o.fileKind = 3;
    o.sourcePath = path.c_str();
    o.tileWidth = o.tileHeight = 8;
    o.padToTile = true;
    o.frameCount = 4;
    // The input's size picks the match (100, 95, 90, 85 %) and the mode, so
    // the tolerant searches are fed too.
    o.matchPercent = 100.0f - float(size % 4) * 5.0f;
    o.matchMode = int(size / 4 % 2);
    const SceneSourceProbe found;
    SceneImportJob job{o, found, scenes->get(id)};
    const int rc = GifAnimationSource().import(job).code;
    if (rc == 0 && scenes->get(id)->getLayerCount(0) != 1)
        std::abort();
    if (rc > 0)
        std::abort();
    scenes->close(id);
    std::remove(path.c_str());
    return 0;
}
