#pragma once
// Small value types shared by the model and scene writers.

#include <array>
#include <cstdint>

#include "formats/byte_writer.h"

namespace formats {

// π for every tool that turns angles into coordinates.
constexpr float kPi = 3.14159265358979f;

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

// Unit quaternion x, y, z, w; the default is the identity.
struct Quat {
    float x = 0, y = 0, z = 0, w = 1;
};

// Three indices of one triangle; the files store them as floats holding whole numbers.
using Triangle = std::array<std::int32_t, 3>;

// The 4x3 transform of the animated-model files: three axis rows, then the translation row. As a
// matrix acting on column vectors, M[r][c] = values[3c + r] and the translation is values[9 + r].
using Transform4x3 = std::array<float, 12>;

// The identity transform moved to (x, y, z).
Transform4x3 translationTransform(float x, float y, float z);

// The three floats x, y, z.
void putVec3(ByteWriter& out, const Vec3& v);
// The four floats x, y, z, w.
void putQuat(ByteWriter& out, const Quat& q);
// The three indices as floats, the way the model and scene files keep them.
void putTriangle(ByteWriter& out, const Triangle& t);

}  // namespace formats
