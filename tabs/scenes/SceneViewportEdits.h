// The scene tab's viewport edits (width, height, Set Viewport) and where
// they put the scene in the preview area; the size last applied is kept so
// that an unchanged commit is no edit and leaving the tab can restore it.
#pragma once

#include "tabs/base/TabServices.h"

namespace Zelkoran {
class Panel;
class Scene;
} // namespace Zelkoran
class GlobalStatus;

class SceneViewportEdits {
public:
    explicit SceneViewportEdits(const TabServices& services) : m_services(services) {}

    // The width and height edits (default 640 x 480).
    void getViewportFromTextboxes(int& width, int& height) const;
    // Places scene's viewport in the preview area; a custom size that had
    // to be cut down shows its cut size in the edits.
    void apply(Zelkoran::Scene& scene);
    // The edits from the scene: its stored viewport for an engine scene
    // (serialised: true), else the defaults; restore brings back the kept
    // size and Set Viewport.
    void populateViewportTextboxes(const Zelkoran::Scene* scene, bool serialised, bool restore);
    // The edits differ from the size last applied: it is applied. True
    // when something changed.
    bool commit(Zelkoran::Scene& scene);
    // The edits' state is kept as the one applied.
    void keep();
    // Defaults, Set Viewport unticked.
    void reset() const;
    void setEdits(int width, int height) const;

private:
    bool custom() const;

    const TabServices& m_services;
    int m_width = 0;
    int m_height = 0;
    bool m_custom = false;
};
