// Emission and motion of one emitter's particles.
#include "particle/ParticleEmitterCore.h"

#include <Zelkoran/Scene.h>

#include <algorithm>
#include <cmath>

namespace Zelkoran::particle {

namespace {

// Longest simulation step: forces and collisions stay smooth at this size.
constexpr float kMaxStep = 1.0f / 30.0f;
// Steps one update may take; a larger time is covered in coarser steps.
constexpr int kMaxSteps = 64;
// Sub-emitter launches one update may ask for.
constexpr size_t kMaxLaunches = 256;
constexpr float kDegToRad = 3.14159265358979f / 180.0f;
constexpr float kTwoPi = 6.28318530717959f;

// Strength share of a force at distance d: 1 everywhere with radius 0,
// else (1 - d / radius) ^ falloff inside the radius and 0 outside.
float reach(float d, float radius, float falloff)
{
    if (radius <= 0)
        return 1;
    if (d >= radius)
        return 0;
    return std::pow(1 - d / radius, falloff);
}

} // namespace

void Pool::reserve(int n)
{
    if (static_cast<size_t>(n) <= x.size())
        return;
    const size_t size = std::max(static_cast<size_t>(n), x.size() * 2);
    for (Vector<float>* v : {&x, &y, &vx, &vy, &age, &life})
        v->resize(size);
    tint.resize(size);
    hit.resize(size);
    phase.resize(size);
}

void Pool::truncate(int n) { count = std::min(count, std::max(n, 0)); }

Emitter::Emitter() = default;

bool Emitter::play()
{
    if (m_status == PES_PAUSED || m_status == PES_PLAYING) {
        m_status = PES_PLAYING;
        return true;
    }
    restart();
    // Warm-up: the effect starts as if it had run that long already.
    for (float left = s.warmUp; left > 0 && m_status == PES_PLAYING; left -= kMaxStep)
        advance(std::min(left, kMaxStep), nullptr);
    return true;
}

bool Emitter::pause()
{
    if (m_status != PES_PLAYING)
        return false;
    m_status = PES_PAUSED;
    return true;
}

void Emitter::stop()
{
    m_status = PES_STOPPED;
    m_emitting = false;
    pool.clear();
}

void Emitter::restart()
{
    m_rng.reseed(s.seed);
    pool.clear();
    m_time = m_clock = m_rateAcc = m_trailAcc = 0;
    m_nextBurst = 0;
    m_lastX = m_x;
    m_lastY = m_y;
    m_velX = m_velY = 0;
    m_emitting = true;
    m_status = PES_PLAYING;
}

bool Emitter::burst(int count)
{
    if (count < 1 || count > ParticleEmitter::kMaxParticles)
        return false;
    spawn(count, m_x, m_y);
    return true;
}

void Emitter::setPosition(float x, float y)
{
    if (!std::isfinite(x) || !std::isfinite(y))
        return;
    if (s.localSpace) {
        const float dx = x - m_x, dy = y - m_y;
        for (int i = 0; i < pool.count; ++i) {
            pool.x[i] += dx;
            pool.y[i] += dy;
        }
    }
    m_x = x;
    m_y = y;
    if (m_status != PES_PLAYING) {
        m_lastX = x;
        m_lastY = y;
    }
}

void Emitter::setCollisionLayer(const SceneLayerTile* layer, float x, float y)
{
    m_layer = layer;
    m_layerX = x;
    m_layerY = y;
}

void Emitter::settingsChanged()
{
    pool.truncate(s.maxParticles);
    m_nextBurst = 0;
    while (m_nextBurst < s.bursts.size() && s.bursts[m_nextBurst].time <= m_time)
        ++m_nextBurst;
}

void Emitter::update(float seconds, Vector<Launch>* launches)
{
    if (m_status != PES_PLAYING || !(seconds > 0) || !std::isfinite(seconds))
        return;
    const float dx = m_x - m_lastX, dy = m_y - m_lastY;
    m_velX = dx / seconds;
    m_velY = dy / seconds;
    // Trail: one particle per emission distance along the path moved.
    const float moved = std::sqrt(dx * dx + dy * dy);
    if (m_emitting && s.emissionDistance > 0 && moved > 0) {
        m_trailAcc += moved;
        while (m_trailAcc >= s.emissionDistance && pool.count < s.maxParticles) {
            m_trailAcc -= s.emissionDistance;
            const float t = 1 - m_trailAcc / moved;
            spawn(1, m_lastX + dx * t, m_lastY + dy * t);
        }
        m_trailAcc = std::fmod(m_trailAcc, s.emissionDistance);
    }
    m_lastX = m_x;
    m_lastY = m_y;
    advance(seconds, launches);
}

void Emitter::advance(float seconds, Vector<Launch>* launches)
{
    const float dt = seconds * s.simulationScale;
    if (dt > 0) {
        const int steps = std::min(kMaxSteps, static_cast<int>(std::ceil(dt / kMaxStep)));
        const float h = dt / static_cast<float>(steps);
        for (int i = 0; i < steps; ++i) {
            m_clock += h;
            emitFor(h);
            integrate(h, launches);
            reap(launches);
        }
    }
    if (!m_emitting && pool.count == 0)
        m_status = PES_FINISHED;
}

void Emitter::emitFor(float h)
{
    // A cycle may end inside the step; a looping one then starts over.
    for (int pass = 0; pass < 8 && h > 0 && m_emitting; ++pass) {
        const float end = s.duration >= 0 ? s.duration : INFINITY;
        const float span = std::max(0.0f, std::min(h, end - m_time));
        m_rateAcc += s.rate * span;
        const float owed = std::floor(m_rateAcc);
        m_rateAcc -= owed;
        spawn(static_cast<int>(std::min(owed, static_cast<float>(ParticleEmitter::kMaxParticles))), m_x, m_y);
        m_time += span;
        h -= span;
        while (m_nextBurst < s.bursts.size() && s.bursts[m_nextBurst].time <= m_time)
            spawn(s.bursts[m_nextBurst++].count, m_x, m_y);
        if (m_time >= end) {
            if (s.loop && s.duration > 0) {
                m_time = 0;
                m_nextBurst = 0;
            } else {
                m_emitting = false;
            }
        }
    }
}

void Emitter::spawn(int n, float baseX, float baseY)
{
    n = std::min(n, s.maxParticles - pool.count);
    if (n <= 0)
        return;
    pool.reserve(pool.count + n);
    const float halfW = s.shapeW * 0.5f, halfH = s.shapeH * 0.5f;
    const float halfSpread = s.spread * 0.5f;
    const float inheritX = m_velX * s.velocityInheritance + m_inheritX;
    const float inheritY = m_velY * s.velocityInheritance + m_inheritY;
    for (int k = 0; k < n; ++k) {
        float ox = 0, oy = 0;
        switch (s.shape) {
        case PSH_LINE: ox = m_rng.range(-halfW, halfW); break;
        case PSH_RECT:
            ox = m_rng.range(-halfW, halfW);
            oy = m_rng.range(-halfH, halfH);
            break;
        case PSH_CIRCLE:
        case PSH_RING:
        case PSH_ELLIPSE: {
            const float a = m_rng.unit() * kTwoPi;
            const float u = m_rng.unit();
            // Circle: the disc of diameter w; ring: its outline, h thick;
            // ellipse: the filled w x h ellipse.
            const float r = s.shape == PSH_RING ? std::max(0.0f, halfW + (u - 0.5f) * s.shapeH) : std::sqrt(u);
            const float rx = s.shape == PSH_RING ? r : r * halfW;
            const float ry = s.shape == PSH_RING ? r : r * (s.shape == PSH_ELLIPSE ? halfH : halfW);
            ox = std::cos(a) * rx;
            oy = std::sin(a) * ry;
            break;
        }
        default: break;
        }
        float deg = s.angle;
        if (s.directionMode == PDM_RADIAL)
            deg = (ox != 0 || oy != 0) ? std::atan2(oy, ox) / kDegToRad : m_rng.unit() * 360;
        deg += m_rng.range(-halfSpread, halfSpread);
        const float speed = m_rng.range(s.speedMin, s.speedMax);
        const int i = pool.count++;
        pool.x[i] = baseX + ox;
        pool.y[i] = baseY + oy;
        pool.vx[i] = std::cos(deg * kDegToRad) * speed + inheritX;
        pool.vy[i] = std::sin(deg * kDegToRad) * speed + inheritY;
        pool.age[i] = 0;
        pool.life[i] = m_rng.range(s.lifeMin, s.lifeMax);
        pool.tint[i] = s.tints.empty() ? 0 : static_cast<uint8_t>(m_rng.next() % s.tints.size());
        pool.hit[i] = 0;
        pool.phase[i] = static_cast<uint16_t>(m_rng.next() >> 16);
    }
}

void Emitter::integrate(float h, Vector<Launch>* launches)
{
    const int n = pool.count;
    float* x = pool.x.data();
    float* y = pool.y.data();
    float* vx = pool.vx.data();
    float* vy = pool.vy.data();
    float* age = pool.age.data();
    const float gx = s.gravityX * h, gy = s.gravityY * h;
    const float keep = s.damping > 0 ? std::exp(-s.damping * h) : 1.0f;
    for (int i = 0; i < n; ++i) {
        age[i] += h;
        vx[i] = (vx[i] + gx) * keep;
        vy[i] = (vy[i] + gy) * keep;
    }
    if (s.turbulence > 0) {
        const float amp = s.turbulence * h;
        for (int i = 0; i < n; ++i) {
            vx[i] += m_rng.range(-amp, amp);
            vy[i] += m_rng.range(-amp, amp);
        }
    }
    if (s.attraction != 0 || s.orbit != 0) {
        for (int i = 0; i < n; ++i) {
            const float dx = m_x - x[i], dy = m_y - y[i];
            const float d = std::sqrt(dx * dx + dy * dy);
            if (d < 1e-3f)
                continue;
            const float pull = s.attraction * h * reach(d, s.attractionRadius, s.attractionFalloff) / d;
            const float turn = s.orbit * h * reach(d, s.orbitRadius, s.orbitFalloff) / d;
            vx[i] += dx * pull - dy * turn;
            vy[i] += dy * pull + dx * turn;
        }
    }
    if (s.velocityLimit > 0) {
        const float limit2 = s.velocityLimit * s.velocityLimit;
        for (int i = 0; i < n; ++i) {
            const float v2 = vx[i] * vx[i] + vy[i] * vy[i];
            if (v2 > limit2) {
                const float k = s.velocityLimit / std::sqrt(v2);
                vx[i] *= k;
                vy[i] *= k;
            }
        }
    }
    if (!m_layer || s.collision == PCM_NONE) {
        for (int i = 0; i < n; ++i) {
            x[i] += vx[i] * h;
            y[i] += vy[i] * h;
        }
        return;
    }
    for (int i = 0; i < n; ++i) {
        const float oldX = x[i], oldY = y[i];
        x[i] += vx[i] * h;
        y[i] += vy[i] * h;
        collide(i, oldX, oldY, launches);
    }
}

bool Emitter::solid(float x, float y) const
{
    const int cw = m_layer->getCellWidth(), ch = m_layer->getCellHeight();
    if (cw < 1 || ch < 1)
        return false;
    const float cx = std::floor((x - m_layerX) / static_cast<float>(cw));
    const float cy = std::floor((y - m_layerY) / static_cast<float>(ch));
    if (!(cx >= 0 && cy >= 0 && cx < static_cast<float>(m_layer->getColumns())
          && cy < static_cast<float>(m_layer->getRows())))
        return false;
    const uint32_t* row = m_layer->getRow(static_cast<int>(cy));
    return row && row[static_cast<int>(cx)] != 0;
}

void Emitter::collide(int i, float oldX, float oldY, Vector<Launch>* launches)
{
    if (!solid(pool.x[i], pool.y[i]))
        return;
    if (!pool.hit[i]) {
        pool.hit[i] = 1;
        trigger(PST_COLLISION, i, launches);
    }
    switch (s.collision) {
    case PCM_KILL: pool.age[i] = pool.life[i]; break;
    case PCM_STOP:
        pool.x[i] = oldX;
        pool.y[i] = oldY;
        pool.vx[i] = pool.vy[i] = 0;
        break;
    default: {
        // Reflect on the axis whose move entered the solid cell (both at a corner).
        const bool acrossX = solid(pool.x[i], oldY);
        const bool acrossY = solid(oldX, pool.y[i]);
        const bool corner = acrossX == acrossY;
        if (acrossX || corner) {
            pool.x[i] = oldX;
            pool.vx[i] = -pool.vx[i] * s.bounciness;
        }
        if (acrossY || corner) {
            pool.y[i] = oldY;
            pool.vy[i] = -pool.vy[i] * s.bounciness;
        }
        break;
    }
    }
}

void Emitter::reap(Vector<Launch>* launches)
{
    bool deathTriggers = false;
    for (const ParticleSubEmitter& sub : s.subEmitters)
        deathTriggers |= (sub.triggers & PST_DEATH) != 0;
    // Swap-remove: the last particle takes the dead one's place.
    for (int i = 0; i < pool.count;) {
        if (pool.age[i] < pool.life[i]) {
            ++i;
            continue;
        }
        if (deathTriggers)
            trigger(PST_DEATH, i, launches);
        const int last = --pool.count;
        pool.x[i] = pool.x[last];
        pool.y[i] = pool.y[last];
        pool.vx[i] = pool.vx[last];
        pool.vy[i] = pool.vy[last];
        pool.age[i] = pool.age[last];
        pool.life[i] = pool.life[last];
        pool.tint[i] = pool.tint[last];
        pool.hit[i] = pool.hit[last];
        pool.phase[i] = pool.phase[last];
    }
}

void Emitter::trigger(uint32_t bit, int i, Vector<Launch>* launches)
{
    if (!launches)
        return;
    for (const ParticleSubEmitter& sub : s.subEmitters) {
        if (!(sub.triggers & bit) || launches->size() >= kMaxLaunches)
            continue;
        if (m_rng.unit() < sub.probability)
            launches->push_back(Launch{sub.preset, pool.x[i], pool.y[i], pool.vx[i] * sub.velocityInheritance,
                                       pool.vy[i] * sub.velocityInheritance});
    }
}

} // namespace Zelkoran::particle
