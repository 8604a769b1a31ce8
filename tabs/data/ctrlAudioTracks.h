// The audio-track tab: the archive's music, sound effects and voices.
#pragma once

#include "tabs/base/ctrlBlockList.h"

class CtrlAudioTracks : public CtrlBlockList {
public:
    CtrlAudioTracks(ResourceManager* rm, GlobalStatus* gs);
};
