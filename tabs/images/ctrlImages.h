// The image tab: the archive's images. The cursor, tile, sprite and font
// tabs are built on it.
#pragma once

#include "tabs/base/ctrlBlockList.h"

class CtrlImages : public CtrlBlockList {
public:
    CtrlImages(ResourceManager* rm, GlobalStatus* gs);

protected:
    // For the tabs built on this one, which then write their own block type.
    CtrlImages(const string& name, int checkBoxId, ResourceManager* rm, GlobalStatus* gs);
};
