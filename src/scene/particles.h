#pragma once
// The particle system: the soft effects of the room (tree lights and glows, candle flames, the fire,
// the locomotive's steam, the snowfall).
//
//   ParticleSystem     the effect cache, the emitters grouped by sprite texture and the vertex pool
//     spawnEffect      one emitter per layer, each releasing one burst of particles
//     update           the fixed cadence of simulation steps (at most one per 1.5 frame units)
//     render           one draw call per sprite group from the 100 000-vertex pool
//     renderFacing     the same particles turned to another camera (another monitor's view)
//     release          forgets every emitter and group (the cache stays loaded)
//
// The effect files and their parser are effect_file.h.
// Times are frame units (1/55 s); distances are scene units. rnd(v) is the next number of the
// spawning view's random sequence mod trunc(v), 0 for a truncated value of 0 (so a seeded run repeats
// exactly, on every platform).

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/maths.h"
#include "core/random.h"
#include "model/media_sources.h"
#include "scene/effect_file.h"

// Vertices in the particle pool (four per particle quad).
constexpr int kParticlePoolVertices = 100000;
static_assert(kParticlePoolVertices == 4 * kMaxBurstCount, "one burst may fill the whole pool, no more");
// While the last update wrote more vertices than this, spawnEffect creates nothing.
constexpr int kSpawnVertexLimit = 79999;
// Floats per pool vertex: position 3, colour 4, texture coordinates 2.
constexpr int kParticleVertexFloats = 9;

enum class EmitterKind : std::int32_t { Billboard = 0, Streak = 1 };

struct Particle {
    Vec3 position, velocity;
    float halfSize = 0;  // Streak: head length
    float halfWidth = 0, tailLength = 0;
    Vec3 direction;
    Vec3 shrink;
    float gravity = 0, fadeRate = 0, peakAlpha = 0;
    float alpha = 0;
    int fadeDirection = 1;
    int frameCount = 1;
    float frameOffset = 0, frameTimer = 0, frameRate = 0;
    bool endWithAnimation = false;
    bool spin = false;
    float spinSpeed = 0, angle = 0;
    bool alive = false;
};

struct ParticleEmitter {
    EmitterKind kind = EmitterKind::Billboard;
    std::vector<Particle> particles;  // capacity kept when the emitter is reused
    int particleCount = 0;
    int liveCount = 0;
    Vec3 position;
    Quat orientation;
    std::int32_t blendSource = 0, blendDest = 0;
    unsigned texture = 0;
    int firstVertex = 0, vertexCount = 0;
};

struct ParticleGroup {
    unsigned texture = 0;
    std::vector<ParticleEmitter*> emitters;  // not owned: the system's emitter store owns them
    int firstVertex = 0;
    int vertexCount = 0;  // written by the last update
};

class ParticleSystem {
public:
    // `sources` gives the effect files and sprite textures. The vertex pool is allocated here, once,
    // without writing it: a vertex gets its starting values (zeros, colour white) when an update first
    // reaches it, so the pages of a pool far larger than a frame needs stay unmapped.
    explicit ParticleSystem(MediaSources sources);
    ParticleSystem(const ParticleSystem&) = delete;
    ParticleSystem& operator=(const ParticleSystem&) = delete;

    // The cached effect of that name, reading "Particles/<name>.bin" unless a loaded one is cached.
    // A missing or damaged file gives an effect with no layers (which spawns nothing), cached as not
    // loaded so that a missing file is looked for again next time; a damaged file is logged once.
    const ParticleEffect& loadEffect(const std::string& name);

    // Creates one emitter per layer at `position` with `orientation`, unless the update accumulator
    // is not 0 or the last update wrote more than kSpawnVertexLimit vertices. The particles' scatter
    // draws from `random`; those of layers with towardCamera are pulled towards `camera`. Allocates
    // only when no discarded emitter can be reused.
    void spawnEffect(const std::string& name, Vec3 position, Quat orientation, RandomSequence& random,
                     Vec3 camera);

    // Once per frame with the frame step `dt`: one simulation step of dt when dt > 1.5, else one step
    // of 1.5 on frames where the accumulator is 0; the accumulator then grows by dt and returns to 0
    // once above 1.5.
    void update(float dt);
    // One simulation step of `step` frame units: discards emitters with no live particle and
    // rebuilds the vertex pool. Quads beyond the pool's capacity are not written (their particles
    // still move).
    void step(float step);

    // A pass from the baseline (gl/gl_state.h) with the camera in the matrices: reads the camera
    // vectors from the current model-view matrix and draws every group with vertices (GL_QUADS from
    // the pool in client memory, the colour array, the group's sprite and blend factors, depth
    // writes off, unlit, unfogged, every fragment blended) and puts the baseline back. Needs a
    // current GL context.
    void render();
    // Draws the particles as render does, each quad turned to face the camera of the column-major
    // model-view matrix `modelView` instead of the one the last step built it for: another view of
    // the same frame. The turned corners go to a second array (allocated on first use, like the
    // pool), the colours and sprite coordinates are the pool's; nothing moves, and the camera vectors
    // the next step uses stay as they were.
    void renderFacing(const float modelView[16]);

    // Right, up and viewing axis from a column-major model-view matrix: R = (m0, m4, m8),
    // U = (m1, m5, m9), V = normalise(U × R).
    void setCameraVectors(const float modelView[16]);

    // Drops every emitter and group (shutdown, tests). The effect cache is kept.
    void release();
    // Forgets every cached effect, so the next loadEffect reads its file again (the fuzz target,
    // which reads a new file under one name for every input).
    void forgetEffects() { cache_.clear(); }

    // Read access for the scene, tests and benchmarks.
    float accumulator() const { return accumulator_; }
    int lastVertexCount() const { return lastVertexCount_; }
    const std::vector<ParticleGroup>& groups() const { return groups_; }
    // Only the vertices the last update wrote hold meaningful values; those beyond the most any update
    // has reached may be unwritten memory.
    const float* vertices() const { return vertices_.get(); }
    int emitterCount() const;
    Vec3 right() const { return right_; }
    Vec3 up() const { return up_; }
    Vec3 viewAxis() const { return viewAxis_; }

private:
    // A discarded emitter whose particle storage best fits `particleCount`, or a new one.
    ParticleEmitter* takeEmitter(int particleCount);
    void initialiseBillboard(ParticleEmitter& emitter, const EffectParameters& layer, RandomSequence& random,
                             Vec3 camera);
    void initialiseStreak(ParticleEmitter& emitter, const EffectParameters& layer, RandomSequence& random,
                          Vec3 camera);
    void updateBillboard(ParticleEmitter& emitter, float step, int& cursor);
    void updateStreak(ParticleEmitter& emitter, float step, int& cursor);
    // Whether the quad starting at vertex `first` fits in the pool; its vertices that no update has
    // reached before get their starting values first.
    bool quadFits(int first);
    void initialiseVerticesUpTo(int end);
    void writeVertex(int vertex, Vec3 position, float u, float v, float alpha);
    // The pool's quads with their corners from `positions` (`positionFloats` floats per vertex),
    // one draw call per group; the state render documents.
    void drawGroups(const float* positions, int positionFloats);

    MediaSources sources_;
    std::unordered_map<std::string, ParticleEffect> cache_;
    std::vector<std::unique_ptr<ParticleEmitter>> store_;  // every emitter ever made
    std::vector<ParticleEmitter*> spare_;                  // discarded, ready for reuse
    std::vector<ParticleGroup> groups_;
    std::unique_ptr<float[]> vertices_;
    int initialisedVertices_ = 0;  // vertices [0, this) hold their starting values or later writes
    float accumulator_ = 0;
    int lastVertexCount_ = 0;
    Vec3 right_{1, 0, 0}, up_{0, 1, 0}, viewAxis_{0, 0, -1};
    Vec3 stepRight_{1, 0, 0}, stepUp_{0, 1, 0}, stepAxis_{0, 0, -1};  // what the last step built for
    std::unique_ptr<float[]> facing_;  // renderFacing's corners, three floats a vertex
};

// rnd(v): the next number of `random` mod trunc(v), or 0 when trunc(v) is 0. Values beyond the int
// range count as 0.
float randomBelow(float value, RandomSequence& random);
