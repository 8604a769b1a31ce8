// The XML tab: the archive's XML documents.
#pragma once

#include "tabs/base/ctrlBlockList.h"

class CtrlXML : public CtrlBlockList {
public:
    CtrlXML(ResourceManager* rm, GlobalStatus* gs);
};
