// The sources that need no progress: an empty scene (no file) and a still
// picture (a PNG or BMP, or a GIF's only frame).
#pragma once

#include "tabs/scenes/import/SceneImportSource.h"

// A new scene of no layers on the request's tile grid.
class EmptySceneSource : public SceneImportSource {
public:
    SceneSourceFacts probe(SceneLayerImportOptions& request, SceneSourceProbe& found, bool newScene) const override;
    bool check(SceneImportCheck& asked) const override;
    SceneImportResult import(SceneImportJob& job) const override;
};

// A PNG or BMP as one image layer or cut into tiles; a new scene's layer
// takes the file's name, an added one the request's.
class StillPictureSource : public SceneImportSource {
public:
    SceneSourceFacts probe(SceneLayerImportOptions& request, SceneSourceProbe& found, bool newScene) const override;
    bool check(SceneImportCheck& asked) const override;
    SceneImportResult import(SceneImportJob& job) const override;

protected:
    // The file's own checks, past the tile grid's.
    virtual bool checkFile(const SceneImportCheck& asked, string& message) const;
    // The picture as the layer layerName of scene: 0 or the converter's code.
    virtual int importLayer(Scene* scene, const SceneLayerImportOptions& request, const string& layerName) const;
};

// A GIF of one frame: probed as every GIF is, checked and read as a GIF.
class GifPictureSource : public StillPictureSource {
public:
    SceneSourceFacts probe(SceneLayerImportOptions& request, SceneSourceProbe& found, bool newScene) const override;

protected:
    bool checkFile(const SceneImportCheck& asked, string& message) const override;
    int importLayer(Scene* scene, const SceneLayerImportOptions& request, const string& layerName) const override;
};

// Reads the GIF at request.sourcePath into found. One frame makes it a still
// picture, more an animation whose window and frame count are preset to the
// whole GIF; an unreadable one is no source.
SceneSourceFacts probeGIF(SceneLayerImportOptions& request, SceneSourceProbe& found);
