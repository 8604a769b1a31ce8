// The generic-file tab: files of any kind stored in the archive.
#pragma once

#include "tabs/data/ctrlTextFile.h"

class CtrlFiles : public CtrlTextFile {
public:
    CtrlFiles(ResourceManager* rm, GlobalStatus* gs);
};
