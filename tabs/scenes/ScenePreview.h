// The scene tab's preview: the chosen background (checkerboard, white or
// black) and the scene drawn into the preview area, and the selected layer
// dragged there with the left button.
#pragma once

#include "tabs/base/TabServices.h"

union SDL_Event;

namespace Zelkoran {
class Panel;
class Scene;
class Screen;
} // namespace Zelkoran
class GlobalStatus;

class ScenePreview {
public:
    // What a mouse event did to the dragged layer.
    enum class Drag { None, Moved, Dropped };

    // pattern: the checkerboard image.
    ScenePreview(const TabServices& services, int pattern) : m_services(services), m_pattern(pattern) {}

    // The background boxes are one radio group: widgetId alone ticked.
    void chooseBackground(int widgetId) const;
    // The chosen background over the rectangle, clipped by the caller.
    void renderBackground(float x, float y, float w, float h) const;
    // Background and scene (may be null), clipped to the preview area.
    void draw(Zelkoran::Scene* scene) const;
    // Left button down inside the viewport starts a drag of layer; moves
    // shift it against the pointer; the release after a move drops it.
    Drag onMouse(const SDL_Event& event, Zelkoran::Scene& scene, int layer);
    void stopDrag();

private:
    bool ticked(int widgetId) const;

    const TabServices& m_services;
    int m_pattern;
    int m_lastX = 0;
    int m_lastY = 0;
    bool m_dragging = false;
    bool m_moved = false;
};
