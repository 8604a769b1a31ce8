#include "tabs/scenes/ScenePreview.h"

#include "services/GlobalStatus.h"
#include "tabs/scenes/SceneTabWidgets.h"
#include "tabs/scenes/SceneViewport.h"

#include <Zelkoran/GFX.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Widget.h>

#include <SDL_events.h>

using namespace Zelkoran;

bool ScenePreview::ticked(int widgetId) const
{
    const WidgetCheckBox* box = m_services.panel().getCheckBox(widgetId);
    return box && box->isChecked();
}

void ScenePreview::chooseBackground(int widgetId) const
{
    for (int id : {SW_BG_BLACK, SW_BG_BLOCKY, SW_BG_WHITE})
        if (WidgetCheckBox* box = m_services.panel().getCheckBox(id))
            box->setChecked(id == widgetId);
}

void ScenePreview::renderBackground(float x, float y, float w, float h) const
{
    if (ticked(SW_BG_BLACK)) {
        GFX::rectFilled(x, y, x + w, y + h, 0x000000FF, 0);
        return;
    }
    if (ticked(SW_BG_WHITE)) {
        GFX::rectFilled(x, y, x + w, y + h, 0xFFFFFFFF, 0);
        return;
    }
    Image* pattern = m_pattern > 0 ? Main::instance()->imageMgr()->get(m_pattern) : nullptr;
    if (!pattern || !pattern->getSurface())
        return;
    const float iw = static_cast<float>(pattern->getWidth());
    const float ih = static_cast<float>(pattern->getHeight());
    if (iw <= 0 || ih <= 0)
        return;
    // The last column and row may reach past the area; the caller's clip cuts them.
    for (float row = y; row < y + h; row += ih)
        for (float col = x; col < x + w; col += iw) {
            const SDL_FRect destination{col, row, iw, ih};
            pattern->render(0, nullptr, &destination);
        }
}

void ScenePreview::draw(Scene* scene) const
{
    const GlobalStatus& status = m_services.status();
    const int areaW = status.iWidth - SceneViewport::kAreaLeft;
    const int areaH = status.iHeight - SceneViewport::kAreaTop;
    Screen& screen = m_services.screen();
    SDL_Rect previous{};
    const bool wasClipped = screen.getClipRect(previous);
    const SDL_Rect area{SceneViewport::kAreaLeft, SceneViewport::kAreaTop, areaW, areaH};
    screen.setClipRect(&area);
    renderBackground(SceneViewport::kAreaLeft, SceneViewport::kAreaTop, static_cast<float>(areaW),
                   static_cast<float>(areaH));
    if (scene) {
        scene->update(0);
        scene->render(0, 0);
    }
    screen.setClipRect(wasClipped ? &previous : nullptr);
}

ScenePreview::Drag ScenePreview::onMouse(const SDL_Event& event, Scene& scene, int layer)
{
    SDL_Rect viewport{};
    if (!scene.getViewport(viewport))
        return Drag::None;
    switch (event.type) {
    case SDL_MOUSEBUTTONDOWN: {
        const int x = event.button.x;
        const int y = event.button.y;
        if (event.button.button != SDL_BUTTON_LEFT || x < viewport.x || x >= viewport.x + viewport.w ||
            y < viewport.y || y >= viewport.y + viewport.h)
            return Drag::None;
        m_dragging = true;
        m_moved = false;
        m_lastX = x;
        m_lastY = y;
        return Drag::None;
    }
    case SDL_MOUSEMOTION: {
        if (!m_dragging)
            return Drag::None;
        // The layer moves against the pointer, as the scene's offset does.
        const float dx = static_cast<float>(m_lastX - event.motion.x);
        const float dy = static_cast<float>(m_lastY - event.motion.y);
        if (dx == 0 && dy == 0)
            return Drag::None;
        float px = 0;
        float py = 0;
        Drag result = Drag::None;
        if (scene.getLayerPosition(layer, px, py) >= 0) {
            scene.setLayerPosition(layer, Position(px + dx, PH_ABSOLUTE), Position(py + dy, PH_ABSOLUTE));
            m_moved = true;
            result = Drag::Moved;
        }
        m_lastX = event.motion.x;
        m_lastY = event.motion.y;
        return result;
    }
    case SDL_MOUSEBUTTONUP: {
        if (event.button.button != SDL_BUTTON_LEFT)
            return Drag::None;
        const bool moved = m_moved;
        stopDrag();
        return moved ? Drag::Dropped : Drag::None;
    }
    default: return Drag::None;
    }
}

void ScenePreview::stopDrag()
{
    m_dragging = false;
    m_moved = false;
}
