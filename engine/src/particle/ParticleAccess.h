// Inside access to a ParticleEmitter for the manager and the tests.
#pragma once

#include "particle/ParticleEmitterCore.h"

namespace Zelkoran {

struct ParticleEmitter::Impl {
    int id = 0;
    String name;
    particle::Emitter core;
    // The visual's resource name while its image or sprite is not loaded,
    // so that a save writes it back unchanged.
    String missingVisual;
};

namespace particle {

struct Access {
    static Emitter& core(ParticleEmitter& e) { return e.m_impl->core; }
    static ParticleEmitter::Impl& impl(ParticleEmitter& e) { return *e.m_impl; }
    static ParticleEmitter* make(std::unique_ptr<ParticleEmitter::Impl> impl)
    {
        return new ParticleEmitter(std::move(impl));
    }
};

} // namespace particle
} // namespace Zelkoran
