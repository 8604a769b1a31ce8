#include "tabs/scenes/SceneViewportEdits.h"

#include "services/GlobalStatus.h"
#include "tabs/scenes/SceneTabWidgets.h"
#include "tabs/scenes/SceneViewport.h"

#include <Zelkoran/Panel.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Widget.h>

#include <algorithm>

using namespace Zelkoran;

namespace {

int editValue(const TabServices& services, int id, int defaultValue)
{
    const WidgetNumberEdit* edit = services.panel().getNumberEdit(id);
    return edit ? std::clamp(static_cast<int>(edit->getValue()), 1, SceneViewport::kMaxEdit) : defaultValue;
}

} // namespace

bool SceneViewportEdits::custom() const
{
    const WidgetCheckBox* box = m_services.panel().getCheckBox(SW_SET_VIEWPORT);
    return box && box->isChecked();
}

void SceneViewportEdits::getViewportFromTextboxes(int& width, int& height) const
{
    width = editValue(m_services, SW_WIDTH, SceneViewport::kDefaultWidth);
    height = editValue(m_services, SW_HEIGHT, SceneViewport::kDefaultHeight);
}

void SceneViewportEdits::setEdits(int width, int height) const
{
    if (WidgetNumberEdit* edit = m_services.panel().getNumberEdit(SW_WIDTH))
        edit->setValue(static_cast<float>(width));
    if (WidgetNumberEdit* edit = m_services.panel().getNumberEdit(SW_HEIGHT))
        edit->setValue(static_cast<float>(height));
}

void SceneViewportEdits::apply(Scene& scene)
{
    int width = 0;
    int height = 0;
    getViewportFromTextboxes(width, height);
    const GlobalStatus& status = m_services.status();
    const SceneViewportFit fit = SceneViewport::fit(status.iWidth, status.iHeight, scene.getWidth(), scene.getHeight(),
                                                    custom(), width, height);
    if (fit.corrected) {
        setEdits(fit.rect.w, fit.rect.h);
        m_width = fit.rect.w;
        m_height = fit.rect.h;
    }
    scene.setViewport(fit.rect);
}

void SceneViewportEdits::populateViewportTextboxes(const Scene* scene, bool serialised, bool restore)
{
    if (!m_services.panel().getNumberEdit(SW_WIDTH) || !m_services.panel().getNumberEdit(SW_HEIGHT))
        return;
    SDL_Rect rect{};
    if (!scene || !serialised)
        setEdits(SceneViewport::kDefaultWidth, SceneViewport::kDefaultHeight);
    else if (scene->getViewport(rect))
        setEdits(rect.w, rect.h);
    if (restore && m_width >= 1 && m_height >= 1) {
        setEdits(m_width, m_height);
        if (WidgetCheckBox* box = m_services.panel().getCheckBox(SW_SET_VIEWPORT))
            box->setChecked(m_custom);
    }
}

bool SceneViewportEdits::commit(Scene& scene)
{
    int width = 0;
    int height = 0;
    getViewportFromTextboxes(width, height);
    if (custom() == m_custom && width == m_width && height == m_height)
        return false;
    keep();
    apply(scene);
    return true;
}

void SceneViewportEdits::keep()
{
    getViewportFromTextboxes(m_width, m_height);
    m_custom = custom();
}

void SceneViewportEdits::reset() const
{
    setEdits(SceneViewport::kDefaultWidth, SceneViewport::kDefaultHeight);
    if (WidgetCheckBox* box = m_services.panel().getCheckBox(SW_SET_VIEWPORT))
        box->setChecked(false);
}
