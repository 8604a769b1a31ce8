#include "tabs/data/ctrlFiles.h"

CtrlFiles::CtrlFiles(ResourceManager* rm, GlobalStatus* gs) : CtrlBlockList("Files", 228, "ZK7_FILE", rm, gs) {}
