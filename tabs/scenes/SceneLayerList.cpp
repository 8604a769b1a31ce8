#include "tabs/scenes/SceneLayerList.h"

#include "tabs/scenes/SceneLayerRows.h"
#include "tabs/scenes/SceneTabWidgets.h"

#include <Zelkoran/Panel.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Widget.h>

using namespace Zelkoran;

void SceneLayerList::populateLayersListbox(const Scene& scene, int count)
{
    WidgetList* layers = m_services.panel().getList(SW_LAYERS);
    if (!layers)
        return;
    layers->clearItems();
    for (int slot = 1; slot <= count; ++slot) {
        String name;
        const int type = scene.getLayerType(slot);
        if (type != SLT_EMPTY)
            scene.getLayerName(slot, name);
        layers->addItem(SceneLayerRows::rowText(slot, type, name).c_str());
    }
    layers->setSelectedIndex(SceneLayerRows::selectionAfterFill(m_remembered, count));
}

void SceneLayerList::clear() const
{
    if (WidgetList* layers = m_services.panel().getList(SW_LAYERS))
        layers->clearItems();
    if (WidgetCheckBox* show = m_services.panel().getCheckBox(SW_SHOW_LAYER))
        show->setChecked(false);
}

int SceneLayerList::selected() const
{
    const WidgetList* layers = m_services.panel().getList(SW_LAYERS);
    return layers ? layers->getSelectedIndex() : 0;
}

bool SceneLayerList::selectedUsable(const Scene* scene) const
{
    if (!scene)
        return false;
    const int row = selected();
    return SceneLayerRows::usable(row, scene->getLayerCount(0), scene->getLayerType(row));
}

bool SceneLayerList::showRow(const Scene& scene, int row) const
{
    const bool usable = SceneLayerRows::usable(row, scene.getLayerCount(0), scene.getLayerType(row));
    if (WidgetCheckBox* show = m_services.panel().getCheckBox(SW_SHOW_LAYER))
        show->setChecked(usable && (scene.getLayerFeatures(row) & SLF_SHOWN) != 0);
    return usable;
}

bool SceneLayerList::setShown(Scene* scene, bool shown) const
{
    if (!selectedUsable(scene))
        return false;
    scene->setLayerFeatures(selected(), SLF_SHOWN, shown);
    return true;
}
