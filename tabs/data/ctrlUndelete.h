// The tab of deleted blocks. It has no block type of its own, so its list
// stays empty.
#pragma once

#include "tabs/base/ctrlBlockList.h"

class CtrlUndelete : public CtrlBlockList {
public:
    CtrlUndelete(ResourceManager* rm, GlobalStatus* gs);
};
