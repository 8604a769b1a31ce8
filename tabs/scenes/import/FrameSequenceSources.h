// The animated sources: sampled frames of a GIF or a video as an animated
// tile layer, converted under a progress panel the user may cancel.
#pragma once

#include "tabs/scenes/import/SceneImportSource.h"

// What the GIF and video sources share: the checks past the tile grid, a new
// scene's second look at the file, the progress panel and the boxes.
class FrameSequenceSource : public SceneImportSource {
public:
    bool check(SceneImportCheck& asked) const override;
    SceneImportResult import(SceneImportJob& job) const override;

protected:
    // "GIF" or "Video", as the boxes name the source.
    virtual const char* noun() const = 0;
    // The progress panel's title when layers are added and for a new scene.
    virtual const char* layerTitle() const = 0;
    virtual const char* sceneTitle() const = 0;
    // The file's own checks against asked.scene (null: none yet).
    virtual bool checkFile(const SceneImportCheck& asked, string& message) const = 0;
    // The frames as the request's animated tile layer; progress may be null.
    // 0, or a FrameImportResult or engine code.
    virtual int convert(Scene* scene, const SceneLayerImportOptions& request, ImportProgress* progress,
                        string* summary) const = 0;
};

// A GIF of more than one frame.
class GifAnimationSource : public FrameSequenceSource {
public:
    SceneSourceFacts probe(SceneLayerImportOptions& request, SceneSourceProbe& found, bool newScene) const override;

protected:
    const char* noun() const override { return "GIF"; }
    const char* layerTitle() const override { return "Import GIF layer"; }
    const char* sceneTitle() const override { return "Creating GIF Scene"; }
    bool checkFile(const SceneImportCheck& asked, string& message) const override;
    int convert(Scene* scene, const SceneLayerImportOptions& request, ImportProgress* progress,
                string* summary) const override;
};

// A video file FFmpeg reads.
class VideoSource : public FrameSequenceSource {
public:
    SceneSourceFacts probe(SceneLayerImportOptions& request, SceneSourceProbe& found, bool newScene) const override;

protected:
    const char* noun() const override { return "Video"; }
    const char* layerTitle() const override { return "Import video layer"; }
    const char* sceneTitle() const override { return "Creating video Scene"; }
    bool checkFile(const SceneImportCheck& asked, string& message) const override;
    int convert(Scene* scene, const SceneLayerImportOptions& request, ImportProgress* progress,
                string* summary) const override;
};
