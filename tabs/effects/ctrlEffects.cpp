#include "tabs/effects/ctrlEffects.h"

CtrlEffects::CtrlEffects(ResourceManager* rm, GlobalStatus* gs) : CtrlBlockList("Effects", 225, "ZK7_PARTICLE", rm, gs) {}
