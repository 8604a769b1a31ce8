// The sprite tab: the archive's sprites.
#pragma once

#include "tabs/images/ctrlImages.h"

class CtrlSprites : public CtrlImages {
public:
    CtrlSprites(ResourceManager* rm, GlobalStatus* gs);
};
