#include "model/animated_model.h"

#include <GL/glew.h>

#include <algorithm>

#include "core/log.h"

namespace {

// Frames whose missing keys are filled and whose root keys are re-centred.
constexpr int kFilledFrames = 100;
constexpr float kScrollRate = 0.03f;
// A fraction beyond this is taken as this many keys (a huge or infinite step cannot overflow).
constexpr float kLargestAdvance = 1.0e6f;

void buildWalk(AnimatedModel& model) {
    model.walkOrder.clear();
    model.walkParent.clear();
    std::vector<int> pending;
    for (auto root = model.roots.rbegin(); root != model.roots.rend(); ++root) pending.push_back(*root);
    std::vector<int> parentOf(std::size_t(model.boneCount), -1);
    while (!pending.empty()) {
        const int bone = pending.back();
        pending.pop_back();
        model.walkOrder.push_back(bone);
        model.walkParent.push_back(parentOf[bone]);
        const auto& children = model.bones[bone].children;
        for (auto child = children.rbegin(); child != children.rend(); ++child) {
            parentOf[*child] = bone;
            pending.push_back(*child);
        }
    }
}

// world := modelMatrix · local for roots (whose translation is cleared first when `clearRoots`),
// parent.world · local for the others.
void computeWorlds(AnimatedModel& model, const Mat4& rootParent, bool clearRoots) {
    for (std::size_t i = 0; i < model.walkOrder.size(); ++i) {
        ModelBone& bone = model.bones[model.walkOrder[i]];
        const int parent = model.walkParent[i];
        if (parent < 0) {
            if (clearRoots) bone.local.setTranslation({0, 0, 0});
            bone.world = multiply(rootParent, bone.local);
        } else {
            bone.world = multiply(model.bones[parent].world, bone.local);
        }
    }
}

void resetModel(AnimatedModel& model) {
    Mat4 rotationOnly = model.modelMatrix;
    rotationOnly.setTranslation({0, 0, 0});
    model = AnimatedModel{};
    model.modelMatrix = rotationOnly;
}

void loadMesh(AnimatedModel& model, const std::string& name, const MediaSources& sources, bool& loaded) {
    const std::string fileName = name + ".BSA";
    ScopedFileBuffer file(sources.readFile ? sources.readFile(("Models/" + fileName).c_str()) : FileBuffer{});
    loaded = false;
    if (!file.found()) {
        logLine("Animated model ", fileName, " mesh file not found");
        return;
    }
    std::string error;
    if (!parseBsaMesh(file.data(), file.size(), model.skin, error)) {
        logLine("Animated model ", fileName, " mesh file not loaded: ", error);
        return;
    }
    logLine("Animated model ", fileName, " mesh file loaded");
    loaded = true;
    if (sources.getTexture) model.texture = sources.getTexture("Textures/" + model.skin.texture);
    model.scrollU = model.skin.scrollU;
    model.scrollV = model.skin.scrollV;

    model.boneCount = int(model.skin.bones.size());
    for (int b = 0; b < model.boneCount; ++b) {
        ModelBone& bone = model.bones[b];
        bone.name = model.skin.bones[b].name;
        bone.parentName = model.skin.bones[b].parentName;
        bone.local = model.skin.bones[b].local;
        bone.children = model.skin.children[b];
    }
    model.roots = model.skin.roots;
    buildWalk(model);

    // Bind pose.
    computeWorlds(model, Mat4::identity(), false);
    for (int b = 0; b < model.boneCount; ++b) {
        ModelBone& bone = model.bones[b];
        bone.bindPosition = bone.world.translation();
        bone.inverseBindRotation = quatFromMatrix(inverseAffine(bone.world));
        bone.currentPosition = bone.bindPosition;
    }
    model.skinnedPositions.assign(model.skin.positions.size(), 0.0f);
    model.skinnedNormals.assign(std::size_t(model.skin.faceCount) * 9, 0.0f);
    model.corners.assign(std::size_t(model.skin.faceCount) * 3, AnimatedCorner{});
}

void loadAnimation(AnimatedModel& model, const std::string& name, const MediaSources& sources,
                   std::vector<Mat4> spareKeys) {
    model.animations.emplace_back();
    BoneAnimation& animation = model.animations.back();
    animation.name = name + "_anim.BSA";
    animation.keys = std::move(spareKeys);
    animation.keys.assign(std::size_t(kKeyTableBones) * kMaxAnimationFrames, Mat4{});
    {
        ScopedFileBuffer file(sources.readFile ? sources.readFile(("Models/" + animation.name).c_str())
                                               : FileBuffer{});
        BsaAnimationContents contents;
        std::string error;
        if (file.found()) {
            if (parseBsaAnimation(file.data(), file.size(), contents, animation.keys.data(), error)) {
                animation.frameCount = contents.frameCount;
                animation.trackCount = contents.trackCount;
                animation.trackBones = std::move(contents.trackBones);
            } else {
                logLine("Animation file ", animation.name, " not loaded: ", error);
            }
        }
    }
    animation.speed = 1;
    // Bones without a track hold their bind pose.
    for (int b = 0; b < model.boneCount; ++b) {
        for (int f = 0; f < kFilledFrames; ++f) {
            Mat4& key = animation.entry(b, f);
            if (key.m[15] == 0.0f) key = model.bones[b].local;
        }
    }
    if (!model.roots.empty()) {
        const int root = model.roots.back();
        for (int f = 0; f < kFilledFrames; ++f) {
            Mat4& key = animation.entry(root, f);
            key.setTranslation(key.translation() - model.modelPosition);
        }
    }
}

void replaceRotation(Mat4& target, const Mat4& source, const Quat& rotation) {
    target = source;
    target.setRotation(rotation);
}

void stepAnimation(AnimatedModel& model, float step) {
    const int animationCount = int(model.animations.size());
    if (model.currentAnimation < 0 || model.currentAnimation >= animationCount) model.currentAnimation = 0;
    if (model.targetAnimation < 0 || model.targetAnimation >= animationCount) model.targetAnimation = 0;
    BoneAnimation& current = model.animations[model.currentAnimation];
    if (model.crossFading) {
        BoneAnimation& target = model.animations[model.targetAnimation];
        for (int bone : target.trackBones) {
            if (bone >= model.boneCount) continue;
            const Mat4& from = current.entry(bone, current.frame);
            const Quat q1 = quatFromMatrix(from);
            const Quat q2 = quatFromMatrix(target.entry(bone, 0));
            replaceRotation(model.bones[bone].local, from, slerp(q1, q2, model.crossFadeTime));
        }
        model.crossFadeTime += model.crossFadeRate * step;
        if (model.crossFadeTime > 1.0f) {
            model.crossFading = false;
            model.crossFadeTime = 0;
            model.currentAnimation = model.targetAnimation;
            model.animations[model.currentAnimation].frame = 0;
            model.animations[model.currentAnimation].fraction = 0;
        }
        return;
    }
    BoneAnimation& a = current;
    a.speed = model.playbackSpeed;
    const int next = a.frame + a.advance > a.frameCount - 1 ? 0 : a.frame + a.advance;
    for (int bone : a.trackBones) {
        if (bone >= model.boneCount) continue;
        const Mat4& nextKey = a.entry(bone, next);
        const Quat q = slerp(quatFromMatrix(a.entry(bone, a.frame)), quatFromMatrix(nextKey), a.fraction);
        replaceRotation(model.bones[bone].local, nextKey, q);
    }
    a.fraction += a.speed * step;
    if (a.fraction > 1.0f) {
        // The remainder is dropped: the next key starts from fraction 0.
        const int keys = int(std::min(a.fraction, kLargestAdvance));
        a.advance = keys;
        a.frame = int(std::min<long long>(static_cast<long long>(a.frame) + keys, kMaxAnimationFrames));
        a.fraction = 0;
    }
    if (a.frame > a.frameCount - 1) a.frame = 0;
}

void skin(AnimatedModel& model) {
    const BsaMeshContents& s = model.skin;
    for (std::size_t v = 0; v < std::size_t(s.vertexCount); ++v) {
        const Vec3 position{s.positions[v * 3], s.positions[v * 3 + 1], s.positions[v * 3 + 2]};
        Vec3 sum;
        for (int k = 0; k < 3; ++k) {
            const ModelBone& bone = model.bones[s.boneIndices[v * 3 + k]];
            const Vec3 moved = bone.skinOperator.apply(position - bone.bindPosition) + bone.currentPosition;
            sum = sum + moved * s.weights[v * 3 + k];
        }
        model.skinnedPositions[v * 3] = sum.x;
        model.skinnedPositions[v * 3 + 1] = sum.y;
        model.skinnedPositions[v * 3 + 2] = sum.z;
    }
    const std::size_t cornerCount = std::size_t(s.faceCount) * 3;
    for (std::size_t c = 0; c < cornerCount; ++c) {
        const std::size_t vertex = std::size_t(s.faces[c]);
        const ModelBone& bone = model.bones[s.boneIndices[vertex * 3]];
        const Vec3 normal{s.normals[c * 3], s.normals[c * 3 + 1], s.normals[c * 3 + 2]};
        const Vec3 turned = bone.skinOperator.apply(normal);
        model.skinnedNormals[c * 3] = turned.x;
        model.skinnedNormals[c * 3 + 1] = turned.y;
        model.skinnedNormals[c * 3 + 2] = turned.z;

        AnimatedCorner& corner = model.corners[c];
        corner.position[0] = model.skinnedPositions[vertex * 3];
        corner.position[1] = model.skinnedPositions[vertex * 3 + 1];
        corner.position[2] = model.skinnedPositions[vertex * 3 + 2];
        const std::size_t uv = std::size_t(s.uvFaces[c]);
        corner.u = s.uvs[uv * 3];
        corner.v = s.uvs[uv * 3 + 1];
    }
}

}  // namespace

bool loadAnimatedModel(AnimatedModel& model, const std::string& name, const MediaSources& sources) {
    // A reloaded model keeps its key table's memory (30000 matrices) instead of allocating it again.
    std::vector<Mat4> spareKeys;
    if (!model.animations.empty()) spareKeys.swap(model.animations.front().keys);
    resetModel(model);
    bool loaded = false;
    loadMesh(model, name, sources, loaded);
    model.modelMatrix.setTranslation({0, 10, 0});
    if (!model.roots.empty()) {
        ModelBone& root = model.bones[model.roots.front()];
        model.modelPosition = root.local.translation();
        root.local.setTranslation({0, 0, 0});
    }
    loadAnimation(model, name, sources, std::move(spareKeys));
    logLine("Num of Anims: ", model.animations.size());
    return loaded;
}

void updateAnimatedModel(AnimatedModel& model, float step) {
    model.lastStep = step;
    if (!model.animations.empty() && model.playing) stepAnimation(model, step);
    computeWorlds(model, model.modelMatrix, true);
    for (int b = 0; b < model.boneCount; ++b) {
        ModelBone& bone = model.bones[b];
        bone.currentPosition = bone.world.translation();
        bone.skinRotation = multiply(quatFromMatrix(bone.world), bone.inverseBindRotation);
        bone.skinOperator = rotationOperator(bone.skinRotation);
    }
    skin(model);
}

void drawAnimatedModel(AnimatedModel& model, bool advanceScroll) {
    if (model.faceCount() <= 0) return;
    if (advanceScroll) model.scrollTime += model.lastStep * kScrollRate;
    const GLsizei cornerCount = GLsizei(model.corners.size());

    const bool lit = glIsEnabled(GL_LIGHTING) == GL_TRUE;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(AnimatedCorner), model.corners.data());
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, 12, model.skinnedNormals.data());
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(AnimatedCorner), &model.corners[0].u);

    glBindTexture(GL_TEXTURE_2D, model.texture);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glTranslatef(model.scrollU * model.scrollTime, -model.scrollTime * model.scrollV, 0);
    glMatrixMode(GL_MODELVIEW);

    glDisable(GL_LIGHTING);
    glDepthMask(GL_FALSE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDrawArrays(GL_TRIANGLES, 0, cornerCount);

    glDepthMask(GL_TRUE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    if (lit) glEnable(GL_LIGHTING);
}
