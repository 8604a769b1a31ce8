// The GUI panel tab: the archive's GUI panels.
#pragma once

#include "tabs/base/ctrlBlockList.h"

class CtrlGUI : public CtrlBlockList {
public:
    CtrlGUI(ResourceManager* rm, GlobalStatus* gs);
};
