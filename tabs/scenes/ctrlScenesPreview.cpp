// The scene tab's preview: background and scene drawn into the preview area,
// the selected layer dragged with the left button, and layer removal.
#include "tabs/scenes/ctrlScenes.h"

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
    tabServices().screen().clear(128, 128, 128, 255);
    WidgetTextEdit* text = tabServices().panel().getTextEdit(SW_TEXT);
    if (!document.previewOn()) {
        if (text && !text->isShown())
            text->show();
        return 0;
    }
    if (text && text->isShown())
        text->hide();
    if (held.bytes() && held.size() >= 1 && document.handle() == 0) {
        // Built on demand, as when the preview was switched on before a scene existed.
        if (const string name = document.name(); !name.empty() && document.loadTileEngineFromBuffer(name) != 0) {
            document.setPreviewOn(false);
            widgets.tick(SW_RENDER, false);
            if (text)
                text->show();
        }
    }
    preview.draw(document.scene());
    return 0;
}

int CtrlScenes::handleMouseEvent(SDL_Event* event)
{
    Scene* current = document.scene();
    if (!document.previewOn() || !event || !current || !layers.selectedUsable(current))
        return 0;
    switch (preview.onMouse(*event, *current, layers.selected())) {
    case ScenePreview::Drag::Moved: document.setModified(true); break;
    case ScenePreview::Drag::Dropped:
        setDirty(true);
        // The text follows the scene, so a later text edit keeps the move.
        document.textFollowsScene();
        break;
    case ScenePreview::Drag::None: break;
    }
    return 0;
}

int CtrlScenes::onRemoveLayer()
{
    Scene* current = document.scene();
    if (!current || !layers.selectedUsable(current))
        return -1;
    const int layer = layers.selected();
    string name;
    if (!current->getLayerName(layer, name) || name.empty())
        name = "Layer";
    if (tabServices().messageBox("Remove layer", "Remove layer \"" + name + "\"?", MBB_YESNO, MBT_QUESTION, 0) != MBB_YES)
        return -1;
    if (!current->closeLayer(layer)) {
        tabServices().messageBox("Remove layer", "Layer could not be removed.", MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    document.setModified(true);
    layers.remember(layer);
    setDirty(true);
    layers.populateLayersListbox(*current, current->getLayerCount(0));
    widgets.tick(SW_SHOW_LAYER, false);
    document.updateViewport();
    if (document.textFollowsScene() != 0)
        tabServices().messageBox("Remove layer", "Layer was removed but XML preview could not be refreshed.", MBB_OK,
                                 MBT_WARNING, 0);
    return 0;
}
