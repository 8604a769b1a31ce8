// The checks an import request passes before anything is imported: one
// message (and, for the whole request, the title of its box) for the first
// rule it breaks.
#pragma once

#include "import/scene/SceneLayerImportOptions.h"

#include <Zelkoran/CMem.h>

#include <functional>

namespace Zelkoran {
class Scene;
} // namespace Zelkoran
class GlobalStatus;

class SceneImportValidation {
public:
    using string = Zelkoran::String;

    // sceneName: the name the imported scene is stored under ("" for none).
    SceneImportValidation(const GlobalStatus* status, std::function<string()> sceneName)
        : m_status(status), m_sceneName(std::move(sceneName))
    {
    }

    // The request can be imported; else false with one message and the
    // title of its box. An image layer has its tile size cleared.
    bool validateImportOptions(Zelkoran::Scene* scene, SceneLayerImportOptions& options, bool newScene,
                               string& title, string& message) const;
    bool validateImageLayerImport(Zelkoran::Scene* scene, const SceneLayerImportOptions& options,
                                  string& message) const;
    bool validateGIFLayerImport(Zelkoran::Scene* scene, const SceneLayerImportOptions& options,
                                string& message) const;
    bool validateVideoLayerImport(Zelkoran::Scene* scene, const SceneLayerImportOptions& options,
                                  string& message) const;
    bool validateUVTTImport(Zelkoran::Scene* scene, const SceneLayerImportOptions& options, bool newScene,
                            string& error) const;
    // The import's result can be stored: always without a scene; else a
    // scene name, an archive path and the open archive.
    bool validateSceneImportSaveContext(Zelkoran::Scene* scene, string& message) const;

private:
    const GlobalStatus* m_status;
    std::function<string()> m_sceneName;
};
