#include "tabs/data/ctrlVideos.h"

CtrlVideos::CtrlVideos(ResourceManager* rm, GlobalStatus* gs) : CtrlBlockList("Videos", 231, "ZK7_VIDEO", rm, gs) {}
