// 4x4 matrices in the renderer's row-vector convention: p' = p x M, translation in entries 12,
// 13 and 14. The arithmetic behind the renderer's matrix calls and the objects' placements, so
// that an object turns exactly as a matrix built by a shader does.
#pragma once

#include "plugin/renderer.h"

namespace host {

Matrix4 matrixIdentity();
/// Counter-clockwise by `degrees` about X (axis 0), Y (1) or Z (2). A NaN angle spoils only the
/// four entries the turn writes.
Matrix4 matrixRotation(int axis, float degrees);
/// a x b: a applied first.
Matrix4 matrixProduct(const Matrix4& a, const Matrix4& b);
/// Gauss-Jordan with partial pivoting, in double precision; all NaN for a singular or
/// non-finite matrix, which every caller can test for.
Matrix4 matrixInverse(const Matrix4& m);

// The two products read the matrix where it lies, for speed. Their sums are Imath's
// multVecMatrix and multDirMatrix term for term, in the same order, so that they round alike.

/// `p` as a point: a projective result is divided by w unless w is 1 or 0 (a point at
/// infinity has no projection, so it keeps the plain product).
inline Vector pointByMatrix(const Matrix4& m, const Vector& p) {
    const float* e = m.m;
    const float a = p.x * e[0] + p.y * e[4] + p.z * e[8] + e[12];
    const float b = p.x * e[1] + p.y * e[5] + p.z * e[9] + e[13];
    const float c = p.x * e[2] + p.y * e[6] + p.z * e[10] + e[14];
    const float w = p.x * e[3] + p.y * e[7] + p.z * e[11] + e[15];
    if (w == 1.0f || w == 0.0f) return Vector{a, b, c};
    return Vector{a / w, b / w, c / w};
}

/// `v` as a direction: the linear part only.
inline Vector vectorByMatrix(const Matrix4& m, const Vector& v) {
    const float* e = m.m;
    return Vector{v.x * e[0] + v.y * e[4] + v.z * e[8], v.x * e[1] + v.y * e[5] + v.z * e[9],
                  v.x * e[2] + v.y * e[6] + v.z * e[10]};
}

}  // namespace host
