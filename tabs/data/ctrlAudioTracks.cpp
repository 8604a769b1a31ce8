#include "tabs/data/ctrlAudioTracks.h"

CtrlAudioTracks::CtrlAudioTracks(ResourceManager* rm, GlobalStatus* gs) : CtrlBlockList("Audio", 226, "ZK7_AUDIOTRACK", rm, gs) {}
