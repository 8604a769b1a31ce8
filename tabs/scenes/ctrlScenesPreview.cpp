// The scene tab's preview: background and scene drawn into the preview area,
// the selected layer dragged with the left button, and layer removal.
#include "tabs/scenes/ctrlScenes.h"

#include "services/GlobalStatus.h"
#include "tabs/scenes/SceneLayerRows.h"
#include "tabs/scenes/SceneViewport.h"

#include <Zelkoran/GFX.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <SDL_events.h>

using namespace Zelkoran;

int CtrlScenes::render(int)
{
    screen = Main::instance()->configMgr()->get(0);
    if (screen)
        screen->clear(128, 128, 128, 255);
    WidgetTextEdit* text = panel->getTextEdit(SW_TEXT);
    if (!renderEnabled) {
        if (text && !text->isShown())
            text->show();
        return 0;
    }
    if (text && text->isShown())
        text->hide();
    const int areaW = globalStatus->iWidth - SceneViewport::kAreaLeft;
    const int areaH = globalStatus->iHeight - SceneViewport::kAreaTop;
    SDL_Rect previous{};
    const bool wasClipped = screen && screen->getClipRect(previous);
    if (screen) {
        const SDL_Rect area{SceneViewport::kAreaLeft, SceneViewport::kAreaTop, areaW, areaH};
        screen->setClipRect(&area);
    }
    renderBackground(SceneViewport::kAreaLeft, SceneViewport::kAreaTop, static_cast<float>(areaW),
                     static_cast<float>(areaH));
    if (held.bytes() && held.size() >= 1 && sceneHandle == 0) {
        // Built on demand, as when the preview was switched on before a scene existed.
        if (const string name = blockName(); !name.empty() && loadTileEngineFromBuffer(name) != 0) {
            renderEnabled = false;
            tick(SW_RENDER, false);
            if (text)
                text->show();
        }
    }
    if (Scene* current = scene()) {
        current->update(0);
        current->render(0, 0);
    }
    if (screen)
        screen->setClipRect(wasClipped ? &previous : nullptr);
    return 0;
}

void CtrlScenes::renderBackground(float x, float y, float w, float h)
{
    if (ticked(SW_BG_BLACK)) {
        GFX::rectFilled(x, y, x + w, y + h, 0x000000FF, 0);
        return;
    }
    if (ticked(SW_BG_WHITE)) {
        GFX::rectFilled(x, y, x + w, y + h, 0xFFFFFFFF, 0);
        return;
    }
    Image* pattern = backgroundImage > 0 ? Main::instance()->imageMgr()->get(backgroundImage) : nullptr;
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

int CtrlScenes::handleMouseEvent(SDL_Event* event)
{
    Scene* current = scene();
    SDL_Rect viewport{};
    if (!renderEnabled || !event || !current || !current->getViewport(viewport) || !selectedLayerUsable())
        return 0;
    const int layer = selectedLayer();
    switch (event->type) {
    case SDL_MOUSEBUTTONDOWN: {
        const int x = event->button.x;
        const int y = event->button.y;
        if (event->button.button != SDL_BUTTON_LEFT || x < viewport.x || x >= viewport.x + viewport.w ||
            y < viewport.y || y >= viewport.y + viewport.h)
            break;
        dragging = true;
        dragMoved = false;
        lastMouseX = x;
        lastMouseY = y;
        break;
    }
    case SDL_MOUSEMOTION: {
        if (!dragging)
            break;
        // The layer moves against the pointer, as the scene's offset does.
        const float dx = static_cast<float>(lastMouseX - event->motion.x);
        const float dy = static_cast<float>(lastMouseY - event->motion.y);
        if (dx == 0 && dy == 0)
            break;
        float px = 0;
        float py = 0;
        if (current->getLayerPosition(layer, px, py) >= 0) {
            current->setLayerPosition(layer, Position(px + dx, PH_ABSOLUTE), Position(py + dy, PH_ABSOLUTE));
            dragMoved = true;
            sceneModified = true;
        }
        lastMouseX = event->motion.x;
        lastMouseY = event->motion.y;
        break;
    }
    case SDL_MOUSEBUTTONUP:
        if (event->button.button != SDL_BUTTON_LEFT)
            break;
        dragging = false;
        if (dragMoved) {
            setDirty(true);
            // The text follows the scene, so a later text edit keeps the move.
            refreshTextBufferFromScene();
        }
        dragMoved = false;
        break;
    default: break;
    }
    return 0;
}

int CtrlScenes::onRemoveLayer()
{
    Scene* current = scene();
    if (!current || !selectedLayerUsable())
        return -1;
    const int layer = selectedLayer();
    string name;
    if (!current->getLayerName(layer, name) || name.empty())
        name = "Layer";
    if (showBox("Remove layer", "Remove layer \"" + name + "\"?", MBB_YESNO, MBT_QUESTION, 0) != MBB_YES)
        return -1;
    if (!current->closeLayer(layer)) {
        showBox("Remove layer", "Layer could not be removed.", MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    sceneModified = true;
    rememberedLayer = layer;
    setDirty(true);
    populateLayersListbox(current, current->getLayerCount(0));
    tick(SW_SHOW_LAYER, false);
    updateViewport();
    if (refreshTextBufferFromScene() != 0)
        showBox("Remove layer", "Layer was removed but XML preview could not be refreshed.", MBB_OK, MBT_WARNING, 0);
    return 0;
}
