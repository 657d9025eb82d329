// An object's placement: an affine 4x4 matrix in the row-vector convention of the renderer's
// matrices (p' = p x M, translation in the last row), on Imath's double-precision types, so
// that inverting a thin scale or a large offset loses little.
#pragma once

#include <Imath/ImathMatrix.h>
#include <Imath/ImathVec.h>

#include <cmath>

#include "plugin/renderer.h"

namespace host {

using Vec3d = Imath::V3d;

inline Vec3d toVec3d(const Vector& v) {
    return {v.x, v.y, v.z};
}
inline Vector toVector(const Vec3d& v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}
inline double dot(const Vec3d& a, const Vec3d& b) {
    return a.dot(b);
}
inline Vec3d cross(const Vec3d& a, const Vec3d& b) {
    return a.cross(b);
}
/// Unit copy; the zero vector stays zero. One reciprocal for the three components, as the ray
/// making does, so that directions normalised here and there agree to the bit.
inline Vec3d normalized(const Vec3d& a) {
    const double len = std::sqrt(dot(a, a));
    return len > 0.0 ? a * (1.0 / len) : a;
}

struct AffineTransform {
    Imath::M44d matrix;  ///< affine: the last column stays (0, 0, 0, 1)

    static AffineTransform identity() { return {}; }
    /// Scale first, then rotate about X, Y and Z (degrees), then translate.
    static AffineTransform fromTRS(const Vector& translate, const Vector& rotateDegrees,
                                   const Vector& scale);

    Vec3d translation() const { return matrix.translation(); }
    Vec3d applyPoint(const Vec3d& p) const {
        Vec3d out;
        matrix.multVecMatrix(p, out);
        return out;
    }
    Vec3d applyVector(const Vec3d& v) const {
        Vec3d out;
        matrix.multDirMatrix(v, out);
        return out;
    }
    /// A normal of this transform's inverse applied as a normal: n' = linear^-T n. Used on the
    /// inverse of an object's placement, whose transpose carries object normals to world.
    Vec3d applyNormalOfInverse(const Vec3d& n) const {
        const auto& m = matrix;
        return {m[0][0] * n.x + m[0][1] * n.y + m[0][2] * n.z,
                m[1][0] * n.x + m[1][1] * n.y + m[1][2] * n.z,
                m[2][0] * n.x + m[2][1] * n.y + m[2][2] * n.z};
    }
    /// Of the linear part: negative for a placement that mirrors.
    double determinant() const { return matrix.minorOf(3, 3); }
    /// False for a singular or non-finite transform, when `out` is left unchanged.
    bool invert(AffineTransform* out) const;
    bool isFinite() const;
};

}  // namespace host
