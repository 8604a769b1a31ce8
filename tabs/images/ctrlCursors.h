// The cursor tab: the archive's mouse cursors.
#pragma once

#include "tabs/base/ctrlBlockList.h"

class CtrlCursors : public CtrlBlockList {
public:
    CtrlCursors(ResourceManager* rm, GlobalStatus* gs);
};
