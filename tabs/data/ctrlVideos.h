// The video tab: the archive's videos.
#pragma once

#include "tabs/base/ctrlBlockList.h"

class CtrlVideos : public CtrlBlockList {
public:
    CtrlVideos(ResourceManager* rm, GlobalStatus* gs);
};
