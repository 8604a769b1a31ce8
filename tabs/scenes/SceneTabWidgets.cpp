#include "tabs/scenes/SceneTabWidgets.h"

#include "tabs/base/BasePanel.h"

namespace {

SceneTabWidgets::eUsable on(bool usable) { return usable ? SceneTabWidgets::U_ON : SceneTabWidgets::U_OFF; }

} // namespace

SceneTabWidgets::eUsable SceneTabWidgets::usable(const SceneTabFacts& facts, int widgetId)
{
    switch (widgetId) {
    case BW_SAVE: return facts.loaded ? U_LEAVE : U_OFF;
    case SW_RAW: return on(facts.loaded && facts.storageChoice);
    case SW_EXPORT:
    case SW_COMPRESSED:
    case SW_CRYPTED: return on(facts.loaded);
    case SW_TEXT: return on(facts.loaded && facts.text);
    case SW_RENDER: return on(facts.loaded && facts.mapName);
    case SW_LAYERS:
    case SW_ADD_LAYER: return on(facts.scene);
    case SW_REMOVE_LAYER:
    case SW_SHOW_LAYER: return on(facts.scene && facts.layerUsable);
    case SW_BG_BLACK:
    case SW_BG_WHITE:
    case SW_BG_BLOCKY:
    case SW_WIDTH:
    case SW_HEIGHT:
    case SW_SET_VIEWPORT: return on(facts.preview && facts.scene);
    default: return U_LEAVE;
    }
}
