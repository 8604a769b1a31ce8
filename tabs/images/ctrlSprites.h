// The sprite tab: the archive's sprites.
#pragma once

#include "tabs/base/ctrlBlockList.h"

class CtrlSprites : public CtrlBlockList {
public:
    CtrlSprites(ResourceManager* rm, GlobalStatus* gs);
};
