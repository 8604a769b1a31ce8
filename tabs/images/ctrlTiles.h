// The tile set tab: the archive's tile sets.
#pragma once

#include "tabs/images/ctrlImages.h"

class CtrlTiles : public CtrlImages {
public:
    CtrlTiles(ResourceManager* rm, GlobalStatus* gs);
};
