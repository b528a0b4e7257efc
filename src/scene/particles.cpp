#include "scene/particles.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/log.h"
#include "media/archive.h"

namespace {

Vec3 spawnOffset(Vec3 box, RandomSequence& random) {
    Vec3 o;
    o.x = (randomBelow(box.x, random) - box.x / 2) * 0.01f;
    o.y = (randomBelow(box.y, random) - box.y / 2) * 0.01f;
    o.z = (randomBelow(box.z, random) - box.z / 2) * 0.01f;
    return o;
}

// Where a particle with towardCamera starts: `distance` from its emitter towards the camera.
Vec3 cameraPull(Vec3 emitterPosition, Vec3 camera, float distance) {
    if (distance == 0.0f) return {};
    return normalised(camera - emitterPosition) * distance;
}

// The settings every particle kind shares: alpha, fade, shrink and gravity.
void initialiseFade(Particle& p, const EffectParameters& layer, RandomSequence& random) {
    p.alpha = (randomBelow(layer.alphaJitter, random) + layer.alphaStart) * 0.01f;
    p.peakAlpha = layer.alphaPeak * 0.01f;
    p.fadeRate = layer.fadeRate * 0.01f;
    p.fadeDirection = 1;
    p.shrink = layer.shrink;
    p.gravity = layer.gravity;
    p.alive = true;
}

// Motion, death and fade of one step, shared by both kinds (the size shrinks afterwards).
void moveAndFade(Particle& p, float step) {
    p.position = p.position + p.velocity * step;
    p.velocity.z -= p.gravity * step;
    if (p.alpha < 0.0f || p.halfSize < 0.0f) p.alive = false;
}

void fade(Particle& p, float step) {
    if (p.alpha >= p.peakAlpha) p.fadeDirection = -1;
    p.alpha += step * float(p.fadeDirection) * p.fadeRate;
}

}  // namespace

float randomBelow(float value, RandomSequence& random) {
    if (!(value > -2147483648.0f && value < 2147483648.0f)) return 0.0f;
    const long long n = static_cast<long long>(value);
    if (n == 0) return 0.0f;
    return float(random.next() % n);
}

ParticleSystem::ParticleSystem(MediaSources sources)
    : sources_(std::move(sources)),
      vertices_(new float[std::size_t(kParticlePoolVertices) * kParticleVertexFloats]) {}

const ParticleEffect& ParticleSystem::loadEffect(const std::string& name) {
    ParticleEffect& cached = cache_[name];
    if (cached.loaded()) return cached;
    // A damaged file was reported once and stays empty.
    if (cached.layerCount < 0) return cached;
    const std::string path = "Particles/" + name + ".bin";
    FileBuffer file = sources_.readFile ? sources_.readFile(path.c_str()) : FileBuffer{};
    ScopedFileBuffer owner(file);
    cached = ParticleEffect{};
    if (!file.data) return cached;  // missing: nothing spawns, and the next spawn looks again
    std::string error;
    if (!parseEffect(file.data, file.size, cached, error)) {
        logLine("Particle effect ", path, " damaged: ", error);
        cached.layerCount = -1;
        return cached;
    }
    for (int i = 0; i < cached.layerCount; ++i) {
        EffectLayer& layer = cached.layers[i];
        layer.texture = sources_.getTexture ? sources_.getTexture("Sprites/" + layer.spriteName) : 0;
    }
    return cached;
}

ParticleEmitter* ParticleSystem::takeEmitter(int particleCount) {
    if (!spare_.empty()) {
        // The closest fit among those large enough, else the largest: particle storage then grows only
        // when the bursts alive at once need more than every earlier peak, and a long run stops
        // allocating once it has seen its busiest moment.
        const std::size_t need = std::size_t(particleCount);
        std::size_t best = 0;
        for (std::size_t i = 1; i < spare_.size(); ++i) {
            const std::size_t have = spare_[i]->particles.capacity();
            const std::size_t bestHave = spare_[best]->particles.capacity();
            const bool closer =
                have >= need ? (bestHave < need || have < bestHave) : (bestHave < need && have > bestHave);
            if (closer) best = i;
        }
        ParticleEmitter* emitter = spare_[best];
        spare_[best] = spare_.back();
        spare_.pop_back();
        return emitter;
    }
    store_.push_back(std::make_unique<ParticleEmitter>());
    return store_.back().get();
}

void ParticleSystem::spawnEffect(const std::string& name, Vec3 position, Quat orientation,
                                 RandomSequence& random, Vec3 camera) {
    if (accumulator_ != 0.0f || lastVertexCount_ > kSpawnVertexLimit) return;
    const ParticleEffect& effect = loadEffect(name);
    for (int i = 0; i < effect.layerCount; ++i) {
        const EffectLayer& layer = effect.layers[i];
        const EffectParameters& p = layer.parameters;
        ParticleEmitter* emitter = takeEmitter(p.burstCount);
        emitter->kind = p.kind == 1 ? EmitterKind::Streak : EmitterKind::Billboard;
        emitter->position = position;
        emitter->orientation = orientation;
        emitter->blendSource = p.blendSource;
        emitter->blendDest = p.blendDest;
        emitter->texture = layer.texture;
        emitter->firstVertex = emitter->vertexCount = 0;
        emitter->particleCount = p.burstCount;
        emitter->particles.resize(std::size_t(p.burstCount));
        if (emitter->kind == EmitterKind::Streak) {
            initialiseStreak(*emitter, p, random, camera);
            emitter->liveCount = emitter->particleCount;
        } else {
            initialiseBillboard(*emitter, p, random, camera);
            emitter->liveCount = emitter->particleCount < 99 ? emitter->particleCount : 99;
        }
        ParticleGroup* group = nullptr;
        for (ParticleGroup& candidate : groups_) {
            if (candidate.texture == layer.texture) {
                group = &candidate;
                break;
            }
        }
        if (!group) {
            groups_.emplace_back();
            group = &groups_.back();
            group->texture = layer.texture;
        }
        group->emitters.push_back(emitter);
    }
}

void ParticleSystem::initialiseBillboard(ParticleEmitter& emitter, const EffectParameters& layer,
                                         RandomSequence& random, Vec3 camera) {
    for (Particle& p : emitter.particles) {
        p = Particle{};
        const Vec3 offset = rotate(emitter.orientation, spawnOffset(layer.spawnBox, random));
        p.position = emitter.position + cameraPull(emitter.position, camera, layer.towardCamera) + offset;
        Vec3 velocity;
        velocity.x = (layer.speed.x + randomBelow(layer.speedJitter.x, random)) * 0.01f;
        velocity.y = (layer.speed.y + randomBelow(layer.speedJitter.y, random)) * 0.01f;
        velocity.z = (layer.speed.z + randomBelow(layer.speedJitter.z, random)) * 0.01f;
        p.velocity = rotate(emitter.orientation, velocity);
        p.halfSize = randomBelow(layer.sizeJitter.x, random) * 0.01f + layer.size.x;
        initialiseFade(p, layer, random);
        p.angle = float(random.next() % 360) * 0.0174444f;
        p.spinSpeed = layer.spinSpeed;
        if (random.next() % 100 > 50) p.spinSpeed = -p.spinSpeed;
        p.frameCount = layer.frameCount < 1 ? 1 : layer.frameCount;
        p.frameRate = layer.frameRate;
        p.spin = layer.spin;
        p.endWithAnimation = layer.endWithAnimation;
    }
}

void ParticleSystem::initialiseStreak(ParticleEmitter& emitter, const EffectParameters& layer,
                                      RandomSequence& random, Vec3 camera) {
    for (Particle& p : emitter.particles) {
        p = Particle{};
        const Vec3 offset = spawnOffset(layer.spawnBox, random);
        p.position = emitter.position + cameraPull(emitter.position, camera, layer.towardCamera) + offset;
        p.halfSize = randomBelow(layer.sizeJitter.x, random) * 0.01f + layer.size.x;
        p.halfWidth = randomBelow(layer.sizeJitter.y, random) * 0.01f + layer.size.y;
        p.tailLength = 0;
        p.direction = layer.speedJitter;
        if (layer.aimed) {
            if (layer.radial) {
                p.direction = p.position - emitter.position;
            } else {
                p.direction.x = float(random.next() % 100) * 0.02f - 1.0f;
                p.direction.y = float(random.next() % 100) * 0.02f - 1.0f;
                p.direction.z = float(random.next() % 100) * 0.02f - 1.0f;
            }
            p.direction = normalised(p.direction);
        }
        if (layer.tailFromHead) p.tailLength = randomBelow(layer.sizeJitter.x, random) * 0.01f + layer.size.x;
        Vec3 motion = p.direction;
        if (!layer.radial) {
            Vec3 scatter;
            scatter.x = float(random.next() % 100 - 50);
            scatter.y = float(random.next() % 100 - 50);
            scatter.z = float(random.next() % 100 - 50);
            motion = motion + normalised(scatter) * (layer.speed.z * 0.01f);
        }
        p.velocity = motion * ((randomBelow(layer.speedJitter.y, random) + layer.speed.x) * 0.01f);
        initialiseFade(p, layer, random);
    }
}

void ParticleSystem::update(float dt) {
    if (dt > 1.5f) {
        step(dt);
    } else if (accumulator_ == 0.0f) {
        step(1.5f);
    }
    accumulator_ += dt;
    if (accumulator_ > 1.5f) accumulator_ = 0.0f;
}

void ParticleSystem::step(float step) {
    stepRight_ = right_;
    stepUp_ = up_;
    stepAxis_ = viewAxis_;
    int cursor = 0;
    for (ParticleGroup& group : groups_) {
        group.firstVertex = cursor;
        for (std::size_t k = 0; k < group.emitters.size(); ++k) {
            if (group.emitters[k]->liveCount < 1) {
                spare_.push_back(group.emitters[k]);
                group.emitters[k] = group.emitters.back();
                group.emitters.pop_back();
                if (k >= group.emitters.size()) break;
            }
            ParticleEmitter& emitter = *group.emitters[k];
            if (emitter.kind == EmitterKind::Streak) {
                updateStreak(emitter, step, cursor);
            } else {
                updateBillboard(emitter, step, cursor);
            }
        }
        group.vertexCount =
            (cursor < kParticlePoolVertices ? cursor : kParticlePoolVertices) - group.firstVertex;
        if (group.vertexCount < 0) group.vertexCount = 0;
    }
    lastVertexCount_ = cursor;
}

bool ParticleSystem::quadFits(int first) {
    const int end = first + 4;
    if (end <= initialisedVertices_) return true;
    if (end > kParticlePoolVertices) return false;
    initialiseVerticesUpTo(end);
    return true;
}

void ParticleSystem::initialiseVerticesUpTo(int end) {
    // Colours start white; updates only write alpha.
    for (int v = initialisedVertices_; v < end; ++v) {
        float* vertex = &vertices_[std::size_t(v) * kParticleVertexFloats];
        std::memset(vertex, 0, sizeof(float) * kParticleVertexFloats);
        vertex[3] = vertex[4] = vertex[5] = vertex[6] = 1.0f;
    }
    initialisedVertices_ = end;
}

void ParticleSystem::writeVertex(int vertex, Vec3 position, float u, float v, float alpha) {
    float* out = &vertices_[std::size_t(vertex) * kParticleVertexFloats];
    out[0] = position.x;
    out[1] = position.y;
    out[2] = position.z;
    out[6] = alpha;
    out[7] = u;
    out[8] = v;
}

void ParticleSystem::updateBillboard(ParticleEmitter& emitter, float step, int& cursor) {
    const Vec3 viewCrossRight = cross(viewAxis_, right_), viewCrossUp = cross(viewAxis_, up_);
    const float viewDotRight = dot(viewAxis_, right_), viewDotUp = dot(viewAxis_, up_);
    emitter.firstVertex = cursor;
    emitter.liveCount = 0;
    for (int i = 0; i < emitter.particleCount; ++i) {
        Particle& p = emitter.particles[std::size_t(i)];
        if (!p.alive) continue;
        Vec3 right = right_, up = up_;
        if (p.spin) {
            // The quaternion (V sin a, cos a) turns by 2a about V; Rodrigues' form of that turn
            // with the products of V computed once per update.
            const float c = std::cos(2.0f * p.angle), s = std::sin(2.0f * p.angle);
            right = right_ * c + viewCrossRight * s + viewAxis_ * (viewDotRight * (1.0f - c));
            up = up_ * c + viewCrossUp * s + viewAxis_ * (viewDotUp * (1.0f - c));
            p.angle += p.spinSpeed * step * 0.001f;
        }
        const float width = 1.0f / float(p.frameCount);
        const float u0 = p.frameOffset;
        p.frameTimer += step * p.frameRate * 0.01f;
        if (p.frameTimer >= 1.0f) {
            p.frameOffset = u0 + width;
            p.frameTimer = 0.0f;
        }
        // Half a frame of tolerance: n additions of 1/n need not sum to exactly 1 in floats.
        if (p.frameOffset >= 1.0f - width * 0.5f) {
            if (p.endWithAnimation) {
                p.alive = false;
            } else {
                p.frameOffset = 0.0f;
                p.frameTimer = 0.0f;
            }
        }
        if (quadFits(cursor)) {
            const float h = p.halfSize;
            writeVertex(cursor, p.position - (right + up) * h, u0, 0, p.alpha);
            writeVertex(cursor + 1, p.position + (right - up) * h, u0 + width, 0, p.alpha);
            writeVertex(cursor + 2, p.position + (right + up) * h, u0 + width, 1, p.alpha);
            writeVertex(cursor + 3, p.position + (up - right) * h, u0, 1, p.alpha);
        }
        moveAndFade(p, step);
        p.halfSize -= step * p.shrink.x;
        fade(p, step);
        if (p.alive) ++emitter.liveCount;
        cursor += 4;
    }
    emitter.vertexCount = cursor - emitter.firstVertex;
}

void ParticleSystem::updateStreak(ParticleEmitter& emitter, float step, int& cursor) {
    emitter.firstVertex = cursor;
    emitter.liveCount = 0;
    for (int i = 0; i < emitter.particleCount; ++i) {
        Particle& p = emitter.particles[std::size_t(i)];
        if (!p.alive) continue;
        if (quadFits(cursor)) {
            const Vec3 across = cross(viewAxis_, p.direction) * p.halfWidth;
            const Vec3 tail = p.position - p.direction * p.tailLength;
            const Vec3 head = p.position + p.direction * p.halfSize;
            writeVertex(cursor, tail - across, 0, 0, p.alpha);
            writeVertex(cursor + 1, tail + across, 1, 0, p.alpha);
            writeVertex(cursor + 2, head + across, 1, 1, p.alpha);
            writeVertex(cursor + 3, head - across, 0, 1, p.alpha);
        }
        moveAndFade(p, step);
        p.halfSize -= step * p.shrink.x;
        p.halfWidth -= step * p.shrink.y;
        fade(p, step);
        if (p.alive) ++emitter.liveCount;
        cursor += 4;
    }
    emitter.vertexCount = cursor - emitter.firstVertex;
}

void ParticleSystem::setCameraVectors(const float m[16]) {
    right_ = {m[0], m[4], m[8]};
    up_ = {m[1], m[5], m[9]};
    viewAxis_ = normalised(cross(up_, right_));
}

void ParticleSystem::render() {
    float modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    setCameraVectors(modelView);
    drawGroups(vertices_.get(), kParticleVertexFloats);
}

namespace {

Vec3 cornerOf(const float* quad, int corner) {
    const float* v = quad + corner * kParticleVertexFloats;
    return Vec3{v[0], v[1], v[2]};
}

void putCorner(float* positions, int corner, Vec3 p) {
    float* out = positions + corner * 3;
    out[0] = p.x;
    out[1] = p.y;
    out[2] = p.z;
}

// A billboard's corners lie in the plane of the camera it was built for, around its centre: the
// same offsets along the other camera's right and up face that camera, spin and size kept.
void turnBillboard(const float* quad, float* positions, Vec3 fromRight, Vec3 fromUp, Vec3 toRight,
                   Vec3 toUp) {
    const Vec3 centre = (cornerOf(quad, 0) + cornerOf(quad, 2)) * 0.5f;
    for (int corner = 0; corner < 4; ++corner) {
        const Vec3 offset = cornerOf(quad, corner) - centre;
        putCorner(positions, corner, centre + toRight * dot(offset, fromRight) + toUp * dot(offset, fromUp));
    }
}

// A streak runs from its tail to its head in the world; only its width turns, to lie across the
// other camera's view of it.
void turnStreak(const float* quad, float* positions, Vec3 fromAxis, Vec3 toAxis) {
    const Vec3 tail = (cornerOf(quad, 0) + cornerOf(quad, 1)) * 0.5f;
    const Vec3 head = (cornerOf(quad, 2) + cornerOf(quad, 3)) * 0.5f;
    const Vec3 along = head - tail;
    const float length = std::sqrt(dot(along, along));
    if (length <= 1e-6f) {
        for (int corner = 0; corner < 4; ++corner) putCorner(positions, corner, cornerOf(quad, corner));
        return;
    }
    const Vec3 direction = along * (1.0f / length);
    const Vec3 oldAcross = (cornerOf(quad, 1) - cornerOf(quad, 0)) * 0.5f;
    const Vec3 oldNormal = cross(fromAxis, direction);
    const float oldFactor = std::sqrt(dot(oldNormal, oldNormal));
    const float width = std::sqrt(dot(oldAcross, oldAcross)) / (oldFactor > 1e-4f ? oldFactor : 1.0f);
    const Vec3 across = cross(toAxis, direction) * width;
    putCorner(positions, 0, tail - across);
    putCorner(positions, 1, tail + across);
    putCorner(positions, 2, head + across);
    putCorner(positions, 3, head - across);
}

}  // namespace

void ParticleSystem::renderFacing(const float m[16]) {
    const int count = std::min(std::min(lastVertexCount_, initialisedVertices_), kParticlePoolVertices);
    if (!facing_) facing_.reset(new float[std::size_t(kParticlePoolVertices) * 3]);
    const Vec3 right{m[0], m[4], m[8]}, up{m[1], m[5], m[9]};
    const Vec3 axis = normalised(cross(up, right));
    // Only the corners move: the colours and sprite coordinates are read from the step's pool.
    for (const ParticleGroup& group : groups_) {
        for (const ParticleEmitter* emitter : group.emitters) {
            const int end = std::min(emitter->firstVertex + emitter->vertexCount, count);
            for (int v = emitter->firstVertex; v + 4 <= end; v += 4) {
                const float* quad = vertices_.get() + std::size_t(v) * kParticleVertexFloats;
                float* positions = facing_.get() + std::size_t(v) * 3;
                if (emitter->kind == EmitterKind::Streak) {
                    turnStreak(quad, positions, stepAxis_, axis);
                } else {
                    turnBillboard(quad, positions, stepRight_, stepUp_, right, up);
                }
            }
        }
    }
    drawGroups(facing_.get(), 3);
}

void ParticleSystem::drawGroups(const float* positions, int positionFloats) {
    const GLsizei stride = GLsizei(sizeof(float) * kParticleVertexFloats);
    const float* base = vertices_.get();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, GLsizei(sizeof(float) * positionFloats), positions);
    glColorPointer(4, GL_FLOAT, stride, base + 3);
    glTexCoordPointer(2, GL_FLOAT, stride, base + 7);
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    for (const ParticleGroup& group : groups_) {
        if (group.vertexCount <= 0 || group.emitters.empty()) continue;
        glBindTexture(GL_TEXTURE_2D, group.texture);
        glBlendFunc(GLenum(group.emitters.front()->blendSource), GLenum(group.emitters.front()->blendDest));
        glDrawArrays(GL_QUADS, group.firstVertex, group.vertexCount);
    }
    glDepthMask(GL_TRUE);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_BLEND);
    // Drawing from a colour array leaves the current colour undefined.
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void ParticleSystem::release() {
    for (ParticleGroup& group : groups_) {
        for (ParticleEmitter* emitter : group.emitters) spare_.push_back(emitter);
    }
    groups_.clear();
    spare_.clear();
    store_.clear();
    accumulator_ = 0.0f;
    lastVertexCount_ = 0;
}

int ParticleSystem::emitterCount() const {
    int count = 0;
    for (const ParticleGroup& group : groups_) count += int(group.emitters.size());
    return count;
}
