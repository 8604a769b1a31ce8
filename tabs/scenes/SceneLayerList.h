// The scene tab's layer list with its Show box: one row per layer slot of
// the scene, the selected row, and the row to select again after a refill.
#pragma once

#include "tabs/base/TabServices.h"

#include <Zelkoran/CMem.h>

namespace Zelkoran {
class Panel;
class Scene;
} // namespace Zelkoran

class SceneLayerList {
public:
    explicit SceneLayerList(const TabServices& services) : m_services(services) {}

    // One row per layer slot 1..count; selects the remembered row, else row 1.
    void populateLayersListbox(const Zelkoran::Scene& scene, int count);
    // No rows, Show unticked.
    void clear() const;
    // The selected row, 0 for none.
    int selected() const;
    // The selected row is a layer of scene (not an empty slot).
    bool selectedUsable(const Zelkoran::Scene* scene) const;
    // The Show box follows row: ticked when that layer is shown. True when
    // row is a layer the user may show, drag or remove.
    bool showRow(const Zelkoran::Scene& scene, int row) const;
    // Shows or hides the selected layer of scene. False when the selected
    // row is no layer.
    bool setShown(Zelkoran::Scene* scene, bool shown) const;
    // The row the next fill selects (0: row 1).
    void remember(int row) { m_remembered = row; }

private:
    const TabServices& m_services;
    int m_remembered = 0;
};
