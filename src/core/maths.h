#pragma once
// Vectors, quaternions and matrices of the model code.
//
// Quaternions are x, y, z, w (w last) with the Hamilton product; the identity is (0, 0, 0, 1).
// Two matrix forms exist side by side:
//   - Matrix16 from rotationMatrix(q): 16 floats handed to the GL unchanged (the GL reads them
//     column by column, so the GL applies the rotation of conj(q));
//   - Mat4 of the skinned models: row-major, acting on column vectors, translation in [3], [7], [11].
// rotationMatrix(q) stored row-major is the usual rotation matrix of q, so both forms share the
// element layout of the rotation part.

#include <array>
#include <cmath>
#include <cstdint>

// Pi in single precision. The authoring data's own angle factors use 3.14 instead (see axisX).
constexpr float kPi = 3.14159265f;

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }

inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// v scaled to length 1; a zero vector stays zero instead of becoming NaN.
inline Vec3 normalised(Vec3 v) {
    const float length = std::sqrt(dot(v, v));
    return length > 0.0f ? v * (1.0f / length) : v;
}
// a at t = 0, b at t = 1.
inline Vec3 lerp(Vec3 a, Vec3 b, float t) { return a + (b - a) * t; }

struct Quat {
    float x = 0, y = 0, z = 0, w = 1;
};

// a ⊗ b, the Hamilton product (b is applied first when rotating). Inline: skinning calls it a few
// thousand times per frame.
inline Quat multiply(const Quat& a, const Quat& b) {
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y + a.y * b.w + a.z * b.x - a.x * b.z,
            a.w * b.z + a.z * b.w + a.x * b.y - a.y * b.x, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}
// (−x, −y, −z, w).
inline Quat conjugate(const Quat& q) { return {-q.x, -q.y, -q.z, q.w}; }
// The x, y, z part of q ⊗ (v, 1) ⊗ conj(q); for a unit q, v turned by q.
inline Vec3 rotate(const Quat& q, Vec3 v) {
    const Quat p = multiply(multiply(q, Quat{v.x, v.y, v.z, 1.0f}), conjugate(q));
    return {p.x, p.y, p.z};
}

// The linear map v -> rotate(q, v) as a row-major 3x3 matrix (the homogeneous form, exact for any
// q, unit or not), for turning many vectors by one quaternion.
struct RotationOperator {
    float m[9];
    Vec3 apply(Vec3 v) const {
        return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[3] * v.x + m[4] * v.y + m[5] * v.z,
                m[6] * v.x + m[7] * v.y + m[8] * v.z};
    }
};
RotationOperator rotationOperator(const Quat& q);

// Rotation about one axis by `degrees`. The half angle is degrees × 3.14 / 360 (3.14, not pi, as the
// authoring data assume), so 360 degrees is not exactly the identity.
Quat axisX(float degrees);
Quat axisY(float degrees);
Quat axisZ(float degrees);

using Matrix16 = std::array<float, 16>;

Matrix16 identityMatrix16();
// [0] = 1 − 2y² − 2z², [1] = 2(xy − zw), [2] = 2(xz + yw), [4] = 2(xy + zw), [5] = 1 − 2x² − 2z²,
// [6] = 2(yz − xw), [8] = 2(xz − yw), [9] = 2(yz + xw), [10] = 1 − 2x² − 2y², [15] = 1, others 0.
Matrix16 rotationMatrix(const Quat& q);

// Row-major 4x4 matrix acting on column vectors: element (row r, column c) is m[4r + c].
struct Mat4 {
    std::array<float, 16> m{};

    static Mat4 identity();
    // The 4x3 transform of the animated-model files: three axis rows then the translation row,
    // so (r, c) = a[3c + r] for r, c < 3 and the translation is a[9 + r]. Reads 12 floats.
    static Mat4 fromTransform4x3(const float* a);

    Vec3 translation() const { return {m[3], m[7], m[11]}; }
    void setTranslation(Vec3 t) {
        m[3] = t.x;
        m[7] = t.y;
        m[11] = t.z;
    }
    // Replaces only the rotation part ([0], [1], [2], [4], [5], [6], [8], [9], [10]) with
    // rotationMatrix(q); the translation and the last row stay.
    void setRotation(const Quat& q);
};

// a · b: b is applied first.
Mat4 multiply(const Mat4& a, const Mat4& b);
// The inverse of an affine matrix (rotation/scale part and translation; the last row is taken as
// 0, 0, 0, 1). A singular rotation part gives the identity.
Mat4 inverseAffine(const Mat4& a);
// The quaternion of the rotation part: the trace branch when the trace is positive, otherwise
// Shoemake's largest-diagonal branch.
Quat quatFromMatrix(const Mat4& a);

// Spherical interpolation from a (t = 0) to b (t = 1) along the shorter arc; falls back to a linear
// blend when the two are closer than 1e-6 in their dot product. The result is not renormalised.
Quat slerp(const Quat& a, Quat b, float t);
