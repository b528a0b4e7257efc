#include "core/maths.h"

#include <cmath>

namespace {

// The authoring tool's degrees-to-half-angle factor.
constexpr float kHalfAngleFactor = 3.14f / 360.0f;

}  // namespace

RotationOperator rotationOperator(const Quat& q) {
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    return {{w * w + x * x - y * y - z * z, 2 * (x * y - w * z), 2 * (x * z + w * y), 2 * (x * y + w * z),
             w * w - x * x + y * y - z * z, 2 * (y * z - w * x), 2 * (x * z - w * y), 2 * (y * z + w * x),
             w * w - x * x - y * y + z * z}};
}

Quat axisX(float degrees) {
    const float h = degrees * kHalfAngleFactor;
    return {std::sin(h), 0, 0, std::cos(h)};
}

Quat axisY(float degrees) {
    const float h = degrees * kHalfAngleFactor;
    return {0, std::sin(h), 0, std::cos(h)};
}

Quat axisZ(float degrees) {
    const float h = degrees * kHalfAngleFactor;
    return {0, 0, std::sin(h), std::cos(h)};
}

Matrix16 identityMatrix16() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Matrix16 rotationMatrix(const Quat& q) {
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    Matrix16 m{};
    m[0] = 1 - 2 * y * y - 2 * z * z;
    m[1] = 2 * (x * y - z * w);
    m[2] = 2 * (x * z + y * w);
    m[4] = 2 * (x * y + z * w);
    m[5] = 1 - 2 * x * x - 2 * z * z;
    m[6] = 2 * (y * z - x * w);
    m[8] = 2 * (x * z - y * w);
    m[9] = 2 * (y * z + x * w);
    m[10] = 1 - 2 * x * x - 2 * y * y;
    m[15] = 1;
    return m;
}

Mat4 Mat4::identity() {
    Mat4 r;
    r.m = identityMatrix16();
    return r;
}

Mat4 Mat4::fromTransform4x3(const float* a) {
    Mat4 r = identity();
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) r.m[4 * row + col] = a[3 * col + row];
        r.m[4 * row + 3] = a[9 + row];
    }
    return r;
}

void Mat4::setRotation(const Quat& q) {
    const Matrix16 r = rotationMatrix(q);
    for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10}) m[i] = r[i];
}

Mat4 multiply(const Mat4& a, const Mat4& b) {
    Mat4 r;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += a.m[4 * row + k] * b.m[4 * k + col];
            r.m[4 * row + col] = sum;
        }
    }
    return r;
}

Mat4 inverseAffine(const Mat4& a) {
    const auto& m = a.m;
    // Cofactors of the 3x3 rotation/scale part.
    const float c00 = m[5] * m[10] - m[6] * m[9];
    const float c01 = m[6] * m[8] - m[4] * m[10];
    const float c02 = m[4] * m[9] - m[5] * m[8];
    const float det = m[0] * c00 + m[1] * c01 + m[2] * c02;
    if (det == 0.0f || !std::isfinite(det)) return Mat4::identity();
    const float inv = 1.0f / det;
    Mat4 r = Mat4::identity();
    r.m[0] = c00 * inv;
    r.m[1] = (m[2] * m[9] - m[1] * m[10]) * inv;
    r.m[2] = (m[1] * m[6] - m[2] * m[5]) * inv;
    r.m[4] = c01 * inv;
    r.m[5] = (m[0] * m[10] - m[2] * m[8]) * inv;
    r.m[6] = (m[2] * m[4] - m[0] * m[6]) * inv;
    r.m[8] = c02 * inv;
    r.m[9] = (m[1] * m[8] - m[0] * m[9]) * inv;
    r.m[10] = (m[0] * m[5] - m[1] * m[4]) * inv;
    // The inverse translation is −R⁻¹ · t.
    const Vec3 t = a.translation();
    for (int row = 0; row < 3; ++row) {
        r.m[4 * row + 3] = -(r.m[4 * row] * t.x + r.m[4 * row + 1] * t.y + r.m[4 * row + 2] * t.z);
    }
    return r;
}

Quat quatFromMatrix(const Mat4& a) {
    const auto& m = a.m;
    Quat q;
    const float trace = m[0] + m[5] + m[10];
    if (trace > 0) {
        const float s = std::sqrt(trace + 1.0f);
        q.w = s * 0.5f;
        const float f = 0.5f / s;
        q.x = (m[9] - m[6]) * f;
        q.y = (m[2] - m[8]) * f;
        q.z = (m[4] - m[1]) * f;
        return q;
    }
    int i = m[5] > m[0] ? 1 : 0;
    if (!(m[5 * i] >= m[10])) i = 2;
    const int j = (i + 1) % 3;
    const int k = (j + 1) % 3;
    auto at = [&m](int r, int c) { return m[4 * r + c]; };
    const float s = std::sqrt(at(i, i) - at(j, j) - at(k, k) + 1.0f);
    float component[3];
    component[i] = s * 0.5f;
    const float f = 0.5f / s;
    q.w = (at(k, j) - at(j, k)) * f;
    component[j] = (at(j, i) + at(i, j)) * f;
    component[k] = (at(k, i) + at(i, k)) * f;
    q.x = component[0];
    q.y = component[1];
    q.z = component[2];
    return q;
}

Quat slerp(const Quat& a, Quat b, float t) {
    float d = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    if (d < 0) {
        b = {-b.x, -b.y, -b.z, -b.w};
        d = -d;
    }
    float wa, wb;
    if (1.0f - d > 0.000001f) {
        const float theta = std::acos(d);
        const float sinTheta = std::sin(theta);
        wa = std::sin((1.0f - t) * theta) / sinTheta;
        wb = std::sin(t * theta) / sinTheta;
    } else {
        wa = 1.0f - t;
        wb = t;
    }
    return {wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z, wa * a.w + wb * b.w};
}
