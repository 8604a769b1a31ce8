#include "tabs/effects/effectContext.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Particle.h>

Zelkoran::ParticleEmitter* EffectContext::emitter() const
{
    return effect > 0 ? Zelkoran::Main::instance()->particleMgr()->get(effect) : nullptr;
}
