// The tile set tab: the archive's tile sets.
#pragma once

#include "tabs/base/ctrlBlockList.h"

class CtrlTiles : public CtrlBlockList {
public:
    CtrlTiles(ResourceManager* rm, GlobalStatus* gs);
};
