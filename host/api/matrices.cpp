// 4x4 matrices in the row-vector convention: p' = p x M, translation in entries 12, 13, 14,
// the convention of Imath's matrices, which do the arithmetic.
#include <Imath/ImathMatrix.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "api/caller_vectors.h"
#include "plugin/renderer.h"

namespace {

static_assert(sizeof(Matrix4) == sizeof(Imath::M44f), "Matrix4 is sixteen packed floats");

Imath::M44f toImath(const Matrix4& m) {
    Imath::M44f out(Imath::UNINITIALIZED);
    std::memcpy(&out.x[0][0], m.m, sizeof(m.m));
    return out;
}

void fromImath(Matrix4* out, const Imath::M44f& m) {
    std::memcpy(out->m, &m.x[0][0], sizeof(out->m));
}

/// Turns axis A towards axis B: rows A and B hold (c, s) and (-s, c). Built by hand rather than
/// with Imath's Euler rotation so that a NaN angle spoils only those four entries.
void rotation(Matrix4* out, float degrees, int axisA, int axisB) {
    const double radians = static_cast<double>(degrees) * (M_PI / 180.0);
    const float c = static_cast<float>(std::cos(radians));
    const float s = static_cast<float>(std::sin(radians));
    Imath::M44f m;
    m[axisA][axisA] = c;
    m[axisA][axisB] = s;
    m[axisB][axisA] = -s;
    m[axisB][axisB] = c;
    fromImath(out, m);
}

}  // namespace

extern "C" {

void AiM4Identity(Matrix4* out) {
    fromImath(out, Imath::M44f());
}

void AiM4RotationX(Matrix4* out, float degrees) {
    rotation(out, degrees, 1, 2);
}
void AiM4RotationY(Matrix4* out, float degrees) {
    rotation(out, degrees, 2, 0);
}
void AiM4RotationZ(Matrix4* out, float degrees) {
    rotation(out, degrees, 0, 1);
}

void AiM4Mult(Matrix4* out, const Matrix4* a, const Matrix4* b) {
    fromImath(out, toImath(*a) * toImath(*b));
}

void AiM4Invert(Matrix4* out, const Matrix4* in) {
    // Gauss-Jordan with partial pivoting, in double precision; a singular or non-finite matrix
    // inverts to all NaN, which every caller can test for.
    const Imath::M44d m(toImath(*in));
    bool usable = true;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) usable = usable && std::isfinite(m[r][c]);
    Imath::M44f inverse;
    try {
        if (usable) inverse = Imath::M44f(m.gjInverse(true));
    } catch (const std::invalid_argument&) {
        usable = false;
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) usable = usable && std::isfinite(inverse[r][c]);
    if (!usable) inverse = Imath::M44f(std::numeric_limits<float>::quiet_NaN());
    fromImath(out, inverse);
}

// The two products below read the caller's matrix where it lies: a copy into an Imath matrix
// cost more than the arithmetic. Their sums are Imath's multVecMatrix and multDirMatrix term for
// term, in the same order, so that they round alike.

void AiM4PointByMatrixMult(Vector* out, const Matrix4* m, const Vector* p) {
    const float* e = m->m;
    const Vector in = host::componentwise(p);
    const float a = in.x * e[0] + in.y * e[4] + in.z * e[8] + e[12];
    const float b = in.x * e[1] + in.y * e[5] + in.z * e[9] + e[13];
    const float c = in.x * e[2] + in.y * e[6] + in.z * e[10] + e[14];
    const float w = in.x * e[3] + in.y * e[7] + in.z * e[11] + e[15];
    // Affine, or a point at infinity that has no projection: the plain product.
    if (w == 1.0f || w == 0.0f)
        *out = Vector{a, b, c};
    else
        *out = Vector{a / w, b / w, c / w};
}

void AiM4VectorByMatrixMult(Vector* out, const Matrix4* m, const Vector* v) {
    const float* e = m->m;
    const Vector in = host::componentwise(v);
    *out = Vector{in.x * e[0] + in.y * e[4] + in.z * e[8], in.x * e[1] + in.y * e[5] + in.z * e[9],
                  in.x * e[2] + in.y * e[6] + in.z * e[10]};
}

}  // extern "C"
