// The widgets of a tab's base panel (block list, scroll slider, New, Save,
// Delete, the unsaved-changes frame, name field) under CtrlBase's ids, on
// the panel the resource manager made for the tab.
#pragma once

class ResourceManager;

namespace Zelkoran {
class Panel;
}

void addBasePanelWidgets(Zelkoran::Panel& panel, const ResourceManager& rm, const char* title);
