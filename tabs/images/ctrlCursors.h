// The cursor tab: the archive's mouse cursors.
#pragma once

#include "tabs/images/ctrlImages.h"

class CtrlCursors : public CtrlImages {
public:
    CtrlCursors(ResourceManager* rm, GlobalStatus* gs);
};
