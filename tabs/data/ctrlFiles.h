// The generic-file tab: the archive's files of any other kind.
#pragma once

#include "tabs/base/ctrlBlockList.h"

class CtrlFiles : public CtrlBlockList {
public:
    CtrlFiles(ResourceManager* rm, GlobalStatus* gs);
};
