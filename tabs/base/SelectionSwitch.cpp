#include "tabs/base/SelectionSwitch.h"

int SelectionSwitch::toSelected(string& selected) const
{
    if (tab.CtrlBase::onListBox() != 0)
        return -1;
    selected = tab.tabServices().selectedListName();
    if (selected == tab.getCurrentItemName())
        return 0;
    tab.setCurrentItemName(selected);
    tab.closeResources();
    return 1;
}
