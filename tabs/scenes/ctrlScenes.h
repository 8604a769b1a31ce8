// The scene tab: scenes and tile sets, stored as XML blocks.
#pragma once

#include "tabs/base/ctrlBlockList.h"

class CtrlScenes : public CtrlBlockList {
public:
    CtrlScenes(ResourceManager* rm, GlobalStatus* gs);
};
