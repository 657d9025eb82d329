// The matrix calls in the row-vector convention: p' = p x M, translation in entries 12..14.
#include <Imath/ImathMatrix.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "plugin/renderer.h"

namespace {

Vector point(const Matrix4& m, Vector p) {
    Vector out;
    AiM4PointByMatrixMult(&out, &m, &p);
    return out;
}

void expectVector(const Vector& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-6f);
    EXPECT_NEAR(v.y, y, 1e-6f);
    EXPECT_NEAR(v.z, z, 1e-6f);
}

TEST(Matrices, RotationsAreCounterClockwiseInDegrees) {
    Matrix4 r;
    AiM4RotationX(&r, 90);
    expectVector(point(r, {0, 1, 0}), 0, 0, 1);
    AiM4RotationY(&r, 90);
    expectVector(point(r, {0, 0, 1}), 1, 0, 0);
    AiM4RotationZ(&r, 90);
    expectVector(point(r, {1, 0, 0}), 0, 1, 0);
}

TEST(Matrices, ProductAppliesLeftFactorFirst) {
    Matrix4 scale, rotate, both;
    AiM4Identity(&scale);
    scale.m[0] = 2;  // x scaled by 2
    AiM4RotationZ(&rotate, 90);
    AiM4Mult(&both, &scale, &rotate);
    // Scaled first to (2, 0, 0), then turned onto +Y.
    expectVector(point(both, {1, 0, 0}), 0, 2, 0);
}

TEST(Matrices, TranslationSitsInTheFourthRow) {
    Matrix4 m;
    AiM4Identity(&m);
    m.m[12] = 1;
    m.m[13] = 2;
    m.m[14] = 3;
    expectVector(point(m, {1, 1, 1}), 2, 3, 4);
    Vector v{1, 1, 1}, out;
    AiM4VectorByMatrixMult(&out, &m, &v);
    expectVector(out, 1, 1, 1);
}

TEST(Matrices, InverseUndoesAPlacement) {
    Matrix4 s, r, m, inverse, product;
    AiM4Identity(&s);
    s.m[0] = 2;
    s.m[5] = 3;
    s.m[10] = 0.5f;
    AiM4RotationY(&r, 30);
    AiM4Mult(&m, &s, &r);
    m.m[12] = 4;
    m.m[13] = -1;
    m.m[14] = 2;
    AiM4Invert(&inverse, &m);
    AiM4Mult(&product, &m, &inverse);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(product.m[i], i % 5 == 0 ? 1.0f : 0.0f, 1e-5f) << i;
}

TEST(Matrices, SingularOrNonFiniteInverseIsAllNaN) {
    Matrix4 m, inverse;
    AiM4Identity(&m);
    m.m[5] = 0;  // a zero scale component
    AiM4Invert(&inverse, &m);
    for (float e : inverse.m) EXPECT_TRUE(std::isnan(e));
    AiM4Identity(&m);
    m.m[0] = INFINITY;
    AiM4Invert(&inverse, &m);
    for (float e : inverse.m) EXPECT_TRUE(std::isnan(e));
}

TEST(Matrices, ProductsRoundAsImathDoes) {
    // Full matrices (a projective last column) and affine ones (last column 0 0 0 1): each
    // product must give Imath's bits, the projective divide included.
    std::mt19937 random(5);
    std::uniform_real_distribution<float> u(-3.0f, 3.0f);
    for (int i = 0; i < 2000; ++i) {
        Matrix4 m;
        for (float& e : m.m) e = u(random);
        if (i % 2) m.m[3] = m.m[7] = m.m[11] = 0.0f, m.m[15] = 1.0f;
        Imath::M44f im;
        std::memcpy(&im.x[0][0], m.m, sizeof(m.m));
        const Vector p{u(random), u(random), u(random)};
        Imath::V3f expected, direction;
        im.multVecMatrix(Imath::V3f(p.x, p.y, p.z), expected);
        im.multDirMatrix(Imath::V3f(p.x, p.y, p.z), direction);
        const Vector got = point(m, p);
        Vector moved;
        AiM4VectorByMatrixMult(&moved, &m, &p);
        ASSERT_EQ(got.x, expected.x) << i;
        ASSERT_EQ(got.y, expected.y) << i;
        ASSERT_EQ(got.z, expected.z) << i;
        ASSERT_EQ(moved.x, direction.x) << i;
        ASSERT_EQ(moved.y, direction.y) << i;
        ASSERT_EQ(moved.z, direction.z) << i;
    }
}

}  // namespace
