#pragma once
// Skinned animated models (the fireplace flames): a mesh of up to three bones per vertex driven by a
// bone animation of one 4x3 key per bone and frame, skinned on the CPU every frame into arrays
// allocated at load, drawn from client memory additively, unlit, with a scrolling texture.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/maths.h"
#include "model/bsa_file.h"
#include "model/media_sources.h"

struct ModelBone {
    std::string name;
    std::string parentName;
    Mat4 local;  // the bind transform at load, then the animated key of the frame
    Mat4 world;
    std::vector<int> children;
    Vec3 bindPosition;         // world translation at bind pose
    Quat inverseBindRotation;  // quaternion of the inverse bind-pose world matrix
    Vec3 currentPosition;      // world translation of the current pose
    Quat skinRotation;
    RotationOperator skinOperator;  // rotate(skinRotation, ·) as a matrix, refreshed with it
};

struct BoneAnimation {
    std::string name;
    std::int32_t frameCount = 0;
    std::int32_t trackCount = 0;
    std::vector<std::int32_t> trackBones;
    // kKeyTableBones × kMaxAnimationFrames keys, a key found as entry(bone, frame) without search.
    std::vector<Mat4> keys;
    int frame = 0;
    int advance = 0;  // keys of the last advance
    float fraction = 0;
    float speed = 1;

    Mat4& entry(int bone, int frameIndex) {
        return keys[std::size_t(bone) * kMaxAnimationFrames + frameIndex];
    }
    const Mat4& entry(int bone, int frameIndex) const {
        return keys[std::size_t(bone) * kMaxAnimationFrames + frameIndex];
    }
};

// One corner of the drawing array: position, three unused floats, u, v (stride 32 bytes).
struct AnimatedCorner {
    float position[3];
    float unused[3];
    float u, v;
};
static_assert(sizeof(AnimatedCorner) == 32, "the corner array is drawn with a 32-byte stride");

struct AnimatedModel {
    std::array<ModelBone, kMaxBones> bones;
    int boneCount = 0;
    std::vector<int> roots;
    // Bones in the order the transforms are computed (parents before children) with the parent of
    // each in that walk (−1 for a root); bones no root reaches are left out.
    std::vector<int> walkOrder;
    std::vector<int> walkParent;

    BsaMeshContents skin;                 // the arrays as read (indices checked)
    std::vector<float> skinnedPositions;  // vertexCount × 3
    std::vector<float> skinnedNormals;    // 3 × faceCount × 3
    std::vector<AnimatedCorner> corners;  // 3 × faceCount

    unsigned texture = 0;
    float scrollU = 0, scrollV = 0;
    float scrollTime = 0;
    float lastStep = 0;  // the step of the last update, used by the next draw
    // Rotation set by the scene before loading, translation by the scene every frame; the loader
    // sets the translation to (0, 10, 0).
    Mat4 modelMatrix = Mat4::identity();
    Vec3 modelPosition;  // the root's bind translation, taken out of the root

    std::vector<BoneAnimation> animations;
    bool playing = false;
    int currentAnimation = 0;
    int targetAnimation = 0;
    bool crossFading = false;
    float crossFadeTime = 0;
    float crossFadeRate = 0;
    float playbackSpeed = 0;

    int vertexCount() const { return skin.vertexCount; }
    int faceCount() const { return skin.faceCount; }
};

// Loads "Models/<name>.BSA" and "Models/<name>_anim.BSA". Everything but the rotation of
// modelMatrix is reset first. Log lines: "Animated model <name>.BSA mesh file loaded" and
// "Num of Anims: 1". A missing, damaged or refused mesh file (over 40 bones) leaves a model with no
// vertices, triangles or bones (logged unless missing: then "... mesh file not found"); a missing,
// damaged or refused animation file (over 500 frames) becomes an animation of 0 frames and 0 tracks
// (logged unless missing). Returns true when the mesh file was loaded.
bool loadAnimatedModel(AnimatedModel& model, const std::string& name, const MediaSources& sources);

// One frame: animation step (cross-fade or playback), bone transforms, skinning of positions and
// normals, corner array. `step` is in frame units (1/55 s). Allocates nothing.
void updateAnimatedModel(AnimatedModel& model, float step);

// Draws the skinned corners additively (GL_SRC_ALPHA, GL_ONE), unlit, without depth writes, with
// the texture scrolled by the time accumulated from the update steps, in a pass's state (as
// renderInstance's caller sets it, model_render.h), which it puts back: depth writes, the blend
// function, the texture matrix and lighting are as it found them. The vertex, normal and
// texture-coordinate arrays stay enabled and point at the model's arrays: the pass draws nothing
// more from the pool after an animated model, and its unbindPool turns them off. In buffer mode the
// pool buffer must have been unbound first (SharedVertexPool::releaseBufferForClientArrays). A model
// with no triangles draws nothing and touches no state. Without `advanceScroll` the scroll stays
// where the last draw left it (a second view of the same frame).
void drawAnimatedModel(AnimatedModel& model, bool advanceScroll = true);
