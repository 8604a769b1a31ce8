// The map sources: a Tiled map taken whole, and a Universal VTT map whose
// picture, occluders and lights become layers.
#pragma once

#include "tabs/scenes/import/SceneImportSource.h"

// A TMX file as a new scene: the map loaded as it is, its tile sets,
// templates and images stored in the archive beside it. Nothing is read or
// checked before the import; job.scene becomes the loaded map (the caller
// closes it) or, on failure, stays null with the store's code when that
// names why.
class TiledMapSource : public SceneImportSource {
public:
    SceneSourceFacts probe(SceneLayerImportOptions& request, SceneSourceProbe& found, bool newScene) const override;
    bool check(SceneImportCheck& asked) const override;
    SceneImportResult import(SceneImportJob& job) const override;
    bool startsEmpty() const override { return false; }
};

// A Universal VTT file (.uvtt, .dd2vtt, .df2vtt) as a new scene or as
// layers added to one, which the import replaces. The probe presets the
// request from the map's figures the first time a file is chosen.
class UvttSource : public SceneImportSource {
public:
    SceneSourceFacts probe(SceneLayerImportOptions& request, SceneSourceProbe& found, bool newScene) const override;
    bool check(SceneImportCheck& asked) const override;
    SceneImportResult import(SceneImportJob& job) const override;
};
