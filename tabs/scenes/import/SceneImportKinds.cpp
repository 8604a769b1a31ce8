#include "tabs/scenes/import/SceneImportKinds.h"

#include "tabs/scenes/import/FrameSequenceSources.h"
#include "tabs/scenes/import/MapSceneSources.h"
#include "tabs/scenes/import/StillSceneSources.h"

#include <algorithm>
#include <vector>

namespace {

const EmptySceneSource kEmpty;
const StillPictureSource kPicture;
const GifPictureSource kGifPicture;
const GifAnimationSource kGifAnimation;
const VideoSource kVideo;
const TiledMapSource kTiledMap;
const UvttSource kUvtt;

// Filters list their labels in the order the rows first name them.
const SceneImportKind kKinds[] = {
    {SST_NONE, SFK_OTHER, true, "", nullptr, true, false, false, SIS_NONE, &kEmpty},
    {SST_UVTT, SFK_OTHER, true, "dd2vtt;df2vtt;uvtt", "Universal VTT", true, true, false, SIS_UVTT, &kUvtt},
    {SST_TILED_MAP, SFK_OTHER, true, "tmx", "Tiled maps", true, false, false, SIS_NONE, &kTiledMap},
    {SST_IMAGE, SFK_GIF, false, "gif", "Images", true, true, true, SIS_IMAGE, &kGifPicture},
    {SST_IMAGE, SFK_PICTURE, true, "bmp;png", "Images", true, true, true, SIS_IMAGE, &kPicture},
    {SST_FRAMES, SFK_GIF, false, "gif", "Videos", true, true, true, SIS_FRAMES, &kGifAnimation},
    {SST_FRAMES, SFK_VIDEO, true, "264;avi;h264;m4v;mov;mp4", "Videos", true, true, true, SIS_FRAMES, &kVideo},
};

std::vector<std::string> split(const char* list)
{
    std::vector<std::string> parts;
    std::string part;
    for (const char* c = list; *c; ++c)
        if (*c == ';')
            parts.push_back(part), part.clear();
        else
            part += *c;
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

// "*.a;*.b" for the sorted extensions, each once.
std::string patterns(std::vector<std::string> extensions)
{
    std::sort(extensions.begin(), extensions.end());
    extensions.erase(std::unique(extensions.begin(), extensions.end()), extensions.end());
    std::string joined;
    for (const std::string& extension : extensions)
        joined += (joined.empty() ? "*." : ";*.") + extension;
    return joined;
}

} // namespace

bool SceneImportKind::hasExtension(const std::string& extensionLower) const
{
    const std::vector<std::string> own = split(extensions);
    return std::find(own.begin(), own.end(), extensionLower) != own.end();
}

const SceneImportKind* sceneImportKinds(size_t& count)
{
    count = std::size(kKinds);
    return kKinds;
}

const SceneImportKind* sceneImportKind(int sourceType, int fileKind)
{
    for (const SceneImportKind& kind : kKinds)
        if (kind.sourceType == sourceType && (kind.fileKind == fileKind || kind.anyFileKind))
            return &kind;
    return nullptr;
}

const SceneImportSource* sceneImportSource(int sourceType, int fileKind)
{
    const SceneImportKind* kind = sceneImportKind(sourceType, fileKind);
    return kind ? kind->source : nullptr;
}

const SceneImportKind* sceneImportKindOf(const std::string& extensionLower, bool newScene)
{
    for (const SceneImportKind& kind : kKinds)
        if (kind.hasExtension(extensionLower))
            return kind.serves(newScene) ? &kind : nullptr;
    return nullptr;
}

bool sceneImportTakesFiles(int sourceType, bool newScene)
{
    return std::any_of(std::begin(kKinds), std::end(kKinds), [&](const SceneImportKind& kind) {
        return kind.sourceType == sourceType && kind.serves(newScene) && *kind.extensions;
    });
}

std::string sceneImportFilter(bool newScene)
{
    std::vector<std::string> all;
    std::vector<std::string> labels;
    for (const SceneImportKind& kind : kKinds) {
        if (!kind.serves(newScene) || !kind.filter)
            continue;
        const std::vector<std::string> own = split(kind.extensions);
        all.insert(all.end(), own.begin(), own.end());
        if (std::find(labels.begin(), labels.end(), kind.filter) == labels.end())
            labels.push_back(kind.filter);
    }
    std::string filter = std::string(newScene ? "Scene" : "Layer") + " sources" + '\0' + patterns(all) + '\0';
    for (const std::string& label : labels) {
        std::vector<std::string> listed;
        for (const SceneImportKind& kind : kKinds)
            if (kind.serves(newScene) && kind.filter && label == kind.filter) {
                const std::vector<std::string> own = split(kind.extensions);
                listed.insert(listed.end(), own.begin(), own.end());
            }
        const std::string shown = patterns(listed);
        filter += label + " (" + shown + ")" + '\0' + shown + '\0';
    }
    return filter + "All files" + '\0' + "*.*" + '\0';
}
