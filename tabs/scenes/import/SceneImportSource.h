// One kind of scene source behind the two import actions (Add layer, Import
// Scene): what choosing its file tells the dialog, the checks a request for
// it passes, and the import into a scene. A source keeps no state; the tab
// applies what an import reports (its scene handle, the stored block, the
// boxes).
#pragma once

#include "import/scene/ImportProgress.h"
#include "import/scene/SceneLayerImportOptions.h"
#include "import/scene/SceneSourceProbe.h"

#include <Zelkoran/CMem.h>

namespace Zelkoran {
class Scene;
}
class SceneImportValidation;

// What the dialog's information labels show for one probed source.
struct SceneSourceFacts {
    int width = 0;
    int height = 0;
    int durationMs = 0;
    const char* kindText = "unsupported";
};

// The panel a long import shows its progress on, opened by the import and
// closed before it returns.
class SceneImportProgress {
public:
    virtual ~SceneImportProgress() = default;
    // A bar of 0 .. max(frames, 1) + 3 under title; null shows nothing.
    virtual ImportProgress* open(const char* title, int frames) = 0;
    virtual void close() = 0;
};

// What a source's check is given and what it answers.
struct SceneImportCheck {
    const SceneImportValidation& checks;
    // An image layer has its tile size cleared.
    SceneLayerImportOptions& request;
    const SceneSourceProbe& found;
    // The scene layers are added to; null for a new scene.
    Zelkoran::Scene* scene = nullptr;
    bool newScene = false;
    // A refusal's box: its title and the one message.
    Zelkoran::String& title;
    Zelkoran::String& message;
};

// Where an import goes and what it may use.
struct SceneImportJob {
    const SceneLayerImportOptions& request;
    const SceneSourceProbe& found;
    // The scene to add layers to (from request.targetLayer on), or the new
    // scene's empty one (null for a source that opens its own). An import
    // may replace it: afterwards it is the scene that holds the result, or
    // null when that was closed.
    Zelkoran::Scene* scene = nullptr;
    bool newScene = false;
    // The archive the scene's references lie in and its handle.
    Zelkoran::String archivePath;
    int archiveId = 0;
    // Null: no progress is shown and nothing cancels.
    SceneImportProgress* progress = nullptr;
    // A new scene's sampled frames are checked again against the scene.
    const SceneImportValidation* checks = nullptr;
};

// What an import reports: its code and the box the tab shows for it.
struct SceneImportResult {
    int code = 0;                // 0, or the converter's or engine's code
    bool cancelled = false;      // the user quit: nothing is shown
    bool warning = false;        // a refused request rather than a failed import
    bool archiveChanged = false; // a failure left blocks stored
    Zelkoran::String title;
    // Why it failed; on success the text to show ("": no box).
    Zelkoran::String message;
};

class SceneImportSource {
public:
    using string = Zelkoran::String;
    using Scene = Zelkoran::Scene;

    virtual ~SceneImportSource() = default;

    // Reads the facts of request.sourcePath into found and presets request
    // from them; request comes with the source kind and file kind of the
    // path's extension, which a probe may correct (a GIF of one frame is a
    // still picture) or clear.
    virtual SceneSourceFacts probe(SceneLayerImportOptions& request, SceneSourceProbe& found, bool newScene) const = 0;
    // The request against what the probe found, past the checks every
    // source shares; false with one message, and the title for its box.
    virtual bool check(SceneImportCheck& asked) const = 0;
    virtual SceneImportResult import(SceneImportJob& job) const = 0;
    // False for a source that opens its own scene: the tab keeps what it
    // holds until that is stored.
    virtual bool startsEmpty() const { return true; }
};

// The source of a request's (sourceType, fileKind) (SceneImportKinds.cpp);
// null for none.
const SceneImportSource* sceneImportSource(int sourceType, int fileKind);
