// The particle effect tab: the archive's particle effects.
#pragma once

#include "tabs/base/ctrlBlockList.h"

class CtrlEffects : public CtrlBlockList {
public:
    CtrlEffects(ResourceManager* rm, GlobalStatus* gs);
};
