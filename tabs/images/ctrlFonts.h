// The font tab: the archive's fonts.
#pragma once

#include "tabs/base/ctrlBlockList.h"

class CtrlFonts : public CtrlBlockList {
public:
    CtrlFonts(ResourceManager* rm, GlobalStatus* gs);
};
