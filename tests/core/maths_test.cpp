#include "core/maths.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void expectQuatNear(const Quat& a, const Quat& b, float tolerance = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
    EXPECT_NEAR(a.w, b.w, tolerance);
}

void expectVecNear(Vec3 a, Vec3 b, float tolerance = 1e-4f) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

Vec3 apply(const Mat4& m, Vec3 v) {
    return {m.m[0] * v.x + m.m[1] * v.y + m.m[2] * v.z + m.m[3],
            m.m[4] * v.x + m.m[5] * v.y + m.m[6] * v.z + m.m[7],
            m.m[8] * v.x + m.m[9] * v.y + m.m[10] * v.z + m.m[11]};
}

TEST(Quaternion, HamiltonProductOrderAndIdentity) {
    const Quat i{1, 0, 0, 0}, j{0, 1, 0, 0}, k{0, 0, 1, 0};
    expectQuatNear(multiply(i, j), k);                  // ij = k
    expectQuatNear(multiply(j, i), Quat{0, 0, -1, 0});  // ji = −k
    expectQuatNear(multiply(i, i), Quat{0, 0, 0, -1});
    const Quat q{0.1f, -0.2f, 0.3f, 0.9f};
    expectQuatNear(multiply(q, Quat{}), q);
    expectQuatNear(multiply(Quat{}, q), q);
    expectQuatNear(conjugate(q), Quat{-0.1f, 0.2f, -0.3f, 0.9f});
}

TEST(Quaternion, AxisQuaternionsUseThreePointOneFour) {
    const Quat z90 = axisZ(90);
    EXPECT_FLOAT_EQ(z90.z, std::sin(90 * 3.14f / 360));
    EXPECT_FLOAT_EQ(z90.w, std::cos(90 * 3.14f / 360));
    EXPECT_EQ(z90.x, 0);
    EXPECT_EQ(axisX(30).y, 0);
    EXPECT_FLOAT_EQ(axisX(30).x, std::sin(30 * 3.14f / 360));
    EXPECT_FLOAT_EQ(axisY(30).y, std::sin(30 * 3.14f / 360));
    // 360 degrees is a half angle of 3.14, not pi: close to but not exactly a full turn.
    const Quat full = axisZ(360);
    EXPECT_NE(full.z, 0.0f);
    EXPECT_NEAR(full.z, std::sin(3.14f), 1e-6f);
    EXPECT_GT(std::fabs(full.z), 0.001f);
}

TEST(Quaternion, RotateTurnsCounterClockwiseAboutTheAxis) {
    expectVecNear(rotate(axisZ(90), {1, 0, 0}), {0, 1, 0}, 2e-3f);
    expectVecNear(rotate(axisX(90), {0, 1, 0}), {0, 0, 1}, 2e-3f);
    expectVecNear(rotate(axisY(90), {0, 0, 1}), {1, 0, 0}, 2e-3f);
    expectVecNear(rotate(Quat{}, {3, -4, 5}), {3, -4, 5});
}

TEST(Quaternion, RotationOperatorMatchesRotateEvenForNonUnitQuaternions) {
    for (const Quat q : {Quat{0.1f, -0.7f, 0.3f, 0.6f}, Quat{0.5f, 1.2f, -0.3f, 2.0f}, Quat{}}) {
        const RotationOperator op = rotationOperator(q);
        for (const Vec3 v : {Vec3{1, 0, 0}, Vec3{-2, 3.5f, 0.25f}})
            expectVecNear(op.apply(v), rotate(q, v), 1e-4f);
    }
}

TEST(Quaternion, RotationMatrixLayout) {
    const float s = std::sqrt(0.5f);
    const Quat q{0, 0, s, s};  // 90 degrees about z
    const Matrix16 m = rotationMatrix(q);
    // [1] = 2(xy − zw) = −1 and [4] = 2(xy + zw) = +1: the array read row by row is the rotation
    // matrix, so the GL (reading columns) applies the conjugate.
    EXPECT_NEAR(m[0], 0, 1e-6f);
    EXPECT_NEAR(m[1], -1, 1e-6f);
    EXPECT_NEAR(m[4], 1, 1e-6f);
    EXPECT_NEAR(m[10], 1, 1e-6f);
    EXPECT_EQ(m[3], 0);
    EXPECT_EQ(m[12], 0);
    EXPECT_EQ(m[15], 1);
    const Quat general{0.2f, -0.4f, 0.1f, 0.8888f};
    const Matrix16 g = rotationMatrix(general);
    EXPECT_FLOAT_EQ(g[2], 2 * (0.2f * 0.1f + -0.4f * 0.8888f));
    EXPECT_FLOAT_EQ(g[6], 2 * (-0.4f * 0.1f - 0.2f * 0.8888f));
    EXPECT_FLOAT_EQ(g[8], 2 * (0.2f * 0.1f - -0.4f * 0.8888f));
    EXPECT_FLOAT_EQ(g[9], 2 * (-0.4f * 0.1f + 0.2f * 0.8888f));
}

TEST(Matrix, QuatFromMatrixInvertsRotationMatrixOnBothBranches) {
    // Positive trace, and each of the three largest-diagonal cases (rotations near 180 degrees).
    const Quat cases[] = {Quat{0.1f, 0.2f, 0.3f, 0.927362f}, Quat{0.99f, 0.1f, 0.0f, 0.0998f},
                          Quat{0.1f, 0.99f, 0.05f, 0.0866f}, Quat{0.05f, 0.1f, 0.99f, 0.0866f}};
    for (Quat q : cases) {
        const float n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
        q = {q.x / n, q.y / n, q.z / n, q.w / n};
        Mat4 m = Mat4::identity();
        m.setRotation(q);
        Quat back = quatFromMatrix(m);
        if (back.w * q.w < 0) back = {-back.x, -back.y, -back.z, -back.w};
        expectQuatNear(back, q, 1e-4f);
    }
}

TEST(Matrix, TransformFileLayoutMultiplyAndInverse) {
    // Axis rows are the matrix columns; the translation row is the last column.
    const float a[12] = {0, 1, 0, -1, 0, 0, 0, 0, 1, 5, 6, 7};
    const Mat4 m = Mat4::fromTransform4x3(a);
    EXPECT_EQ(m.m[0], 0);
    EXPECT_EQ(m.m[4], 1);   // (1, 0) = a[1]
    EXPECT_EQ(m.m[1], -1);  // (0, 1) = a[3]
    expectVecNear(m.translation(), {5, 6, 7});
    expectVecNear(apply(m, {1, 0, 0}), {5, 7, 7});

    Mat4 shift = Mat4::identity();
    shift.setTranslation({1, 2, 3});
    // shift · m applies m first.
    expectVecNear(apply(multiply(shift, m), {1, 0, 0}), {6, 9, 10});
    const Mat4 inv = inverseAffine(m);
    expectVecNear(apply(inv, apply(m, {0.5f, -2, 3})), {0.5f, -2, 3});
    Mat4 singular{};
    EXPECT_EQ(inverseAffine(singular).m, Mat4::identity().m);
}

TEST(Matrix, SetRotationKeepsTranslation) {
    Mat4 m = Mat4::identity();
    m.setTranslation({1, 2, 3});
    m.m[12] = 0;
    m.setRotation(axisZ(90));
    expectVecNear(m.translation(), {1, 2, 3});
    EXPECT_EQ(m.m[15], 1);
}

TEST(Slerp, EndsShorterArcAndNearlyEqualInputs) {
    const Quat a{};
    const Quat b = axisZ(90);
    expectQuatNear(slerp(a, b, 0), a);
    expectQuatNear(slerp(a, b, 1), b);
    expectQuatNear(slerp(a, b, 0.5f), axisZ(45), 1e-4f);
    // The negated target is the same rotation: the shorter arc is taken.
    expectQuatNear(slerp(a, Quat{-b.x, -b.y, -b.z, -b.w}, 0.5f), axisZ(45), 1e-4f);
    // Nearly equal: a linear blend, never NaN.
    const Quat c = slerp(a, Quat{0, 0, 1e-5f, 1}, 0.5f);
    EXPECT_FALSE(std::isnan(c.w));
    EXPECT_NEAR(c.z, 0.5e-5f, 1e-7f);
}

}  // namespace
