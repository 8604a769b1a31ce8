#include "tabs/base/ctrlBlockList.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>

CtrlBlockList::CtrlBlockList(const string& name, int checkBoxID, const char* blockTypeName, ResourceManager* rm,
                             GlobalStatus* gs)
    : CtrlBase(name, checkBoxID, rm, gs)
{
    setBlockType(blockTypeName);
}

int CtrlBlockList::render(int)
{
    tabServices().screen().clear(255, 255, 255, 255);
    return 0;
}

int CtrlBlockList::onSave() { return Zelkoran::RC_ERR_GENERIC; }

int CtrlBlockList::onDelete() { return Zelkoran::RC_ERR_GENERIC; }

int CtrlBlockList::updateData() { return 0; }

int CtrlBlockList::closeResources()
{
    setItemHandle(0);
    return 0;
}
