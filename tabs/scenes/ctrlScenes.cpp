#include "tabs/scenes/ctrlScenes.h"

CtrlScenes::CtrlScenes(ResourceManager* rm, GlobalStatus* gs) : CtrlBlockList("Scenes", 232, "ZK7_XML", rm, gs) {}
