#include "tabs/base/ResourceSave.h"

#include <Zelkoran/Panel.h>
#include <Zelkoran/Tool.h>

using namespace Zelkoran;

int ResourceSave::save(const string& kind, const string& emptyNameMessage, const NamedStep& step) const
{
    string name;
    if (!tab.readRequiredBlockName(name, kind, emptyNameMessage))
        return -1;
    if (step(name) != 0)
        return -1;
    return tab.finishResourceSave(kind, name);
}

int ResourceSave::deleteSelected(const string& noun, const NamedStep& remove, const string& failure) const
{
    const TabServices& services = tab.tabServices();
    const WidgetList* list = services.panel().getList(BW_LIST);
    if (!list || list->getSelectedIndex() == 0)
        return -1;
    const string name = list->getSelectedText();
    const string title = "Delete " + noun;
    const string question = "Are you sure you want to delete \"" + name + "\" " + noun + "?";
    if (services.messageBox(title, question, MBB_YESNO, MBT_INFORMATION, 0) != MBB_YES)
        return -1;
    tab.closeResources();
    if (remove(name) != 0) {
        services.messageBox(title, failure.empty() ? noun + " could not be deleted." : failure, MBB_OK, MBT_ERROR, 0);
        return tab.recoverResourceDeleteFailure(name);
    }
    return tab.finishResourceDelete();
}
