// The font tab: the archive's fonts.
#pragma once

#include "tabs/images/ctrlImages.h"

class CtrlFonts : public CtrlImages {
public:
    CtrlFonts(ResourceManager* rm, GlobalStatus* gs);
};
