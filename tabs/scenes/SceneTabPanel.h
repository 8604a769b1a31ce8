// The scene tab's own widgets on its panel: import and export buttons, the
// held block's labels, storage boxes and text box, the preview switch and
// backgrounds, the layer list with its buttons, and the viewport edits.
#pragma once

#include "tabs/base/TabServices.h"

namespace Zelkoran {
class Panel;
} // namespace Zelkoran
class BlockText;
class ResourceManager;

class SceneTabPanel {
public:
    explicit SceneTabPanel(const TabServices& services) : m_services(services) {}

    // textWidth x textHeight: the text box.
    void build(const ResourceManager& rm, BlockText& held, int textWidth, int textHeight);
    bool ticked(int widgetId) const;
    void tick(int widgetId, bool on) const;
    // The text box was committed (Ctrl+Enter or focus lost after an edit)
    // since the last call.
    bool takeTextCommit();

private:
    const TabServices& m_services;
    bool m_textCommitted = false;
};
