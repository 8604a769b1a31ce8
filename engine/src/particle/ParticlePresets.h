// The preset catalogue of the particle manager.
#pragma once

#include <Zelkoran/Particle.h>

namespace Zelkoran::particle {

int presetCount();
// Entry index, or null beyond the catalogue.
const ParticlePresetDesc* presetDesc(int index);

} // namespace Zelkoran::particle
