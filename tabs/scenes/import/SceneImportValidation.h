// The checks an import request passes before anything is imported: one
// message (and, for the whole request, the title of its box) for the first
// rule it breaks.
#pragma once

#include "import/scene/SceneLayerImportOptions.h"
#include "import/scene/SceneSourceProbe.h"

#include <Zelkoran/CMem.h>

namespace Zelkoran {
class Scene;
} // namespace Zelkoran
struct SceneImportCheck;
class SceneDocument;
class TabServices;

class SceneImportValidation {
public:
    using string = Zelkoran::String;

    // The imported scene is stored under the document's name.
    SceneImportValidation(const TabServices& services, const SceneDocument& document)
        : m_services(services), m_document(document)
    {
    }

    // The request can be imported with what probing its file found; else
    // false with one message and the title of its box. An image layer has
    // its tile size cleared.
    bool validateImportOptions(Zelkoran::Scene* scene, SceneLayerImportOptions& options,
                               const SceneSourceProbe& found, bool newScene, string& title, string& message) const;
    // What a picture, GIF or video request passes before the file's own
    // checks: a tile size (cleared for an image layer) on the scene's grid;
    // sets the box's title.
    bool validatePictureGrid(SceneImportCheck& asked) const;
    bool validateImageLayerImport(Zelkoran::Scene* scene, const SceneLayerImportOptions& options,
                                  string& message) const;
    bool validateGIFLayerImport(Zelkoran::Scene* scene, const SceneLayerImportOptions& options,
                                const SceneSourceProbe& found, string& message) const;
    bool validateVideoLayerImport(Zelkoran::Scene* scene, const SceneLayerImportOptions& options,
                                  string& message) const;
    bool validateUVTTImport(Zelkoran::Scene* scene, const SceneLayerImportOptions& options,
                            const SceneSourceProbe& found, bool newScene, string& error) const;
    // The import's result can be stored: always without a scene; else a
    // scene name, an archive path and the open archive.
    bool validateSceneImportSaveContext(Zelkoran::Scene* scene, string& message) const;

private:
    const TabServices& m_services;
    const SceneDocument& m_document;
};
