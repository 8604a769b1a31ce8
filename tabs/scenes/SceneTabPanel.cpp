#include "tabs/scenes/SceneTabPanel.h"

#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"
#include "tabs/base/BlockText.h"
#include "tabs/scenes/SceneTabWidgets.h"
#include "tabs/scenes/SceneViewport.h"

#include <Zelkoran/Panel.h>
#include <Zelkoran/Widget.h>

using namespace Zelkoran;

namespace {

// A button or check box shown as a sprite alone.
struct SpriteWidget {
    int id;
    const char* name;
    int sprite;
    Position x;
    int top;
    const char* tooltip;
    bool checkBox;
};

const SpriteWidget kFileButtons[] = {
    {SW_IMPORT, "Import", SS_IMPORT_FILE, ui::left(10), 240,
     "Import Scenes, Universal VTT maps, TileSets, or templates", false},
    {SW_EXPORT, "Export", SS_EXPORT_FILE, ui::right(-10), 240, "Export the current scene", false},
};
const SpriteWidget kPreviewBoxes[] = {
    {SW_RENDER, "Render", SS_TILEMAP, ui::left(20), 396, "Render the selected scene", true},
    {SW_BG_BLACK, "BlackyTM", SS_BLACKY, ui::right(-20), 396, "Use a black background", true},
    {SW_BG_WHITE, "WhiteyTM", SS_WHITEY, ui::right(-51), 396, "Use a white background", true},
    {SW_BG_BLOCKY, "BlockyTM", SS_BLOCKY, ui::right(-83), 396, "Use a checkerboard background", true},
};
const SpriteWidget kLayerButtons[] = {
    {SW_ADD_LAYER, "AddLayer", SS_NEW_ITEM, ui::right(-25), 446, "Add image, video, or Universal VTT layers", false},
    {SW_REMOVE_LAYER, "RemoveLayer", SS_DELETE_ITEM, ui::right(-25), 478, "Remove the selected layer", false},
    {SW_SHOW_LAYER, "Show", SS_LAYER_VISIBLE, ui::right(-25), 510, "Show or hide the selected layer", true},
};

void addSpriteWidgets(Panel& panel, const ResourceManager& rm, const SpriteWidget* first, const SpriteWidget* last)
{
    for (const SpriteWidget* spec = first; spec != last; ++spec) {
        const ui::WidgetSpec place{.name = spec->name,
                                   .id = spec->id,
                                   .x = spec->x,
                                   .y = ui::top(static_cast<float>(spec->top)),
                                   .tooltip = spec->tooltip};
        if (spec->checkBox)
            ui::addSpriteCheckBox(panel, place, rm.getClone(spec->sprite));
        else
            ui::addSpriteButton(panel, place, rm.getClone(spec->sprite));
    }
}

} // namespace

void SceneTabPanel::build(const ResourceManager& rm, BlockText& held, int textWidth, int textHeight)
{
    Panel& panel = m_services.panel();
    const int font = rm.get(SR_FONT);
    const auto caption = [&](int id, const char* name, const char* text, float left, int top) {
        ui::addLabel(panel,
                     {.name = name, .id = id, .x = ui::left(left), .y = ui::top(top), .text = text, .font = font});
    };
    const auto sizeEdit = [&](int id, const char* name, int value, float left, const char* tooltip) {
        ui::addNumberEdit(panel,
                          {.name = name, .id = id, .x = ui::left(left), .y = ui::top(546), .w = 32, .h = 20,
                           .font = font, .tooltip = tooltip},
                          1, SceneViewport::kMaxEdit, static_cast<float>(value));
    };

    addSpriteWidgets(panel, rm, std::begin(kFileButtons), std::end(kFileButtons));
    held.createInfoWidgets(font);
    addSpriteWidgets(panel, rm, std::begin(kPreviewBoxes), std::end(kPreviewBoxes));
    caption(SW_LAYERS_LABEL, "LayersLabel", "Layers:", 20, 431);
    ui::addList(panel, {.name = "Layers",
                        .id = SW_LAYERS,
                        .x = ui::left(30),
                        .y = ui::top(446),
                        .w = 110,
                        .h = 90,
                        .font = font,
                        .tooltip = "Layers of the selected scene"});
    addSpriteWidgets(panel, rm, std::begin(kLayerButtons), std::end(kLayerButtons));
    caption(SW_VIEWPORT_LABEL, "ViewportLabel", "Viewport:", 20, 549);
    caption(SW_WIDTH_LABEL, "WidthLabel", "W:", 75, 549);
    sizeEdit(SW_WIDTH, "Width", SceneViewport::kDefaultWidth, 95, "Viewport width");
    caption(SW_HEIGHT_LABEL, "HeightLabel", "H:", 129, 549);
    sizeEdit(SW_HEIGHT, "Height", SceneViewport::kDefaultHeight, 148, "Viewport height");
    ui::addCheckBox(panel, {.name = "Set Viewport",
                            .id = SW_SET_VIEWPORT,
                            .x = ui::centred(),
                            .y = ui::top(576),
                            .w = 100,
                            .h = 22,
                            .text = "Set Viewport",
                            .font = font,
                            .tooltip = "Enable custom viewport size"});
    if (WidgetTextEdit* text = held.createTextBox(font, textWidth, textHeight))
        // Reparsing a map and warning about half-typed XML on every key
        // would stop the typing: the text is taken when the edit is committed.
        text->setOnValueCommitted([this](Widget&) { m_textCommitted = true; });
}

bool SceneTabPanel::ticked(int widgetId) const
{
    const WidgetCheckBox* box = m_services.panel().getCheckBox(widgetId);
    return box && box->isChecked();
}

void SceneTabPanel::tick(int widgetId, bool on) const
{
    if (WidgetCheckBox* box = m_services.panel().getCheckBox(widgetId))
        box->setChecked(on);
}

bool SceneTabPanel::takeTextCommit()
{
    const bool committed = m_textCommitted;
    m_textCommitted = false;
    return committed;
}
