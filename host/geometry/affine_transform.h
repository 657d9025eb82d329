// An object's placement: a 3x3 linear part and a translation, in the row-vector convention of
// the renderer's matrices (p' = p x linear + translation). Double precision, so that inverting
// a thin scale or a large offset loses little.
#pragma once

#include <cmath>

#include "plugin/renderer.h"

namespace host {

struct Vec3d {
    double x, y, z;
};

inline Vec3d toVec3d(const Vector& v) {
    return {v.x, v.y, v.z};
}
inline Vector toVector(const Vec3d& v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}
inline Vec3d operator+(const Vec3d& a, const Vec3d& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3d operator-(const Vec3d& a, const Vec3d& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3d operator*(const Vec3d& a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline double dot(const Vec3d& a, const Vec3d& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3d cross(const Vec3d& a, const Vec3d& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
/// Unit copy; the zero vector stays zero.
inline Vec3d normalized(const Vec3d& a) {
    const double len = std::sqrt(dot(a, a));
    return len > 0.0 ? a * (1.0 / len) : a;
}

struct AffineTransform {
    double linear[3][3];  ///< row r is the image of object axis r
    Vec3d translation;

    static AffineTransform identity();
    /// Scale first, then rotate about X, Y and Z (degrees), then translate.
    static AffineTransform fromTRS(const Vector& translate, const Vector& rotateDegrees,
                                   const Vector& scale);

    Vec3d applyPoint(const Vec3d& p) const { return applyVector(p) + translation; }
    Vec3d applyVector(const Vec3d& v) const {
        return {v.x * linear[0][0] + v.y * linear[1][0] + v.z * linear[2][0],
                v.x * linear[0][1] + v.y * linear[1][1] + v.z * linear[2][1],
                v.x * linear[0][2] + v.y * linear[1][2] + v.z * linear[2][2]};
    }
    /// A normal of this transform's inverse applied as a normal: n' = linear^-T n. Used on the
    /// inverse of an object's placement, whose transpose carries object normals to world.
    Vec3d applyNormalOfInverse(const Vec3d& n) const {
        return {linear[0][0] * n.x + linear[0][1] * n.y + linear[0][2] * n.z,
                linear[1][0] * n.x + linear[1][1] * n.y + linear[1][2] * n.z,
                linear[2][0] * n.x + linear[2][1] * n.y + linear[2][2] * n.z};
    }
    double determinant() const;
    /// False for a singular or non-finite transform, when `out` is left unchanged.
    bool invert(AffineTransform* out) const;
    bool isFinite() const;
};

}  // namespace host
