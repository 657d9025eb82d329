// Ray directions, in double precision: the unit direction and offset origin of a ray as
// AiMakeRay makes it, and mirror and refraction directions. Pure functions behind AiMakeRay,
// AiReflect, AiReflectSafe and AiRefract; none of them produces a NaN from finite input.
#pragma once

#include <cmath>

#include "geometry/affine_transform.h"

namespace host {

/// Unit copy of finite `d`, scaled in double precision and rounded to float; a zero d stays
/// zero. A d so near unit length already that scaling would round every component back to
/// itself (its squared length within 2^-26 of 1, so that each moves by under half an ulp)
/// comes back as it is without the square root and division: the same bits either way.
inline Vector unitDirection(const Vector& d) {
    const double squared = static_cast<double>(d.x) * d.x + static_cast<double>(d.y) * d.y +
                           static_cast<double>(d.z) * d.z;
    if (std::fabs(squared - 1.0) <= 0x1p-26) return d;
    if (!(squared > 0.0)) return d;
    const double r = 1.0 / std::sqrt(squared);
    return Vector{static_cast<float>(d.x * r), static_cast<float>(d.y * r),
                  static_cast<float>(d.z * r)};
}

/// Origins leave their surface by this much times the larger of 1 and the origin's largest
/// coordinate, so that the float rounding of a hit point never puts the next ray back inside.
constexpr double kOriginOffset = 1e-4;

/// max(1, |p.x|, |p.y|, |p.z|), by comparisons that compile inline (fmax is a library call).
inline float originMagnitude(const Vector& p) {
    const float x = std::fabs(p.x), y = std::fabs(p.y), z = std::fabs(p.z);
    float m = x > 1.0f ? x : 1.0f;
    m = y > m ? y : m;
    m = z > m ? z : m;
    return m;
}

/// Origin `o` moved off the surface whose geometric normal is `n`, to the side that direction
/// `d` heads for, by kOriginOffset x originMagnitude(o) along the unit normal. A zero or
/// non-finite normal moves nothing. In double precision, rounded once: hit points, and with
/// them the samplers' scrambles, follow every bit of the origin.
inline Vector leaveSurface(const Vector& o, const Vector& d, const Vector& n) {
    const double squared = static_cast<double>(n.x) * n.x + static_cast<double>(n.y) * n.y +
                           static_cast<double>(n.z) * n.z;
    if (!(squared > 0.0) || !std::isfinite(squared)) return o;
    const double facing = static_cast<double>(d.x) * n.x + static_cast<double>(d.y) * n.y +
                          static_cast<double>(d.z) * n.z;
    const double along = (facing >= 0.0 ? kOriginOffset : -kOriginOffset) * originMagnitude(o);
    // A normal of exactly unit length (the planes' and boxes') needs no square root or division,
    // and gives the same bits without.
    const double step = squared == 1.0 ? along : along / std::sqrt(squared);
    return Vector{static_cast<float>(o.x + n.x * step), static_cast<float>(o.y + n.y * step),
                  static_cast<float>(o.z + n.z * step)};
}

/// normalized(v), without its square root and division for a v of exactly unit length (as
/// the planes' and boxes' normals are), which it would give back unchanged.
inline Vec3d unitVector(const Vec3d& v) {
    return dot(v, v) == 1.0 ? v : normalized(v);
}

/// Mirror image of `in` about the unit copy of `normal`; `in` itself for a zero or non-finite
/// normal. Keeps the length of `in`.
inline Vec3d reflectDirection(const Vec3d& in, const Vec3d& normal) {
    const Vec3d n = unitVector(normal);
    if (!(dot(n, n) > 0.5)) return in;
    return in - n * (2.0 * dot(in, n));
}

/// Smallest cosine between a guarded reflection and the geometric surface on the side the
/// incoming ray came from.
constexpr double kReflectSafeMinCosine = 1e-4;

/// The mirror image of `in` about `normal`, lifted when it would point below the geometric
/// surface on the side `in` arrives from (as happens with bumped or interpolated normals), so
/// that its cosine with that side is at least kReflectSafeMinCosine. Keeps the length of `in`.
inline Vec3d reflectDirectionSafe(const Vec3d& in, const Vec3d& normal,
                                  const Vec3d& geometricNormal) {
    const Vec3d r = reflectDirection(in, normal);
    Vec3d ng = unitVector(geometricNormal);
    const double length = std::sqrt(dot(r, r));
    if (!(dot(ng, ng) > 0.5) || !(length > 0.0) || !std::isfinite(length)) return r;
    if (dot(in, ng) > 0.0) ng = ng * -1.0;  // the side the ray came from
    const Vec3d unit = r * (1.0 / length);
    const double c = dot(unit, ng);
    if (c >= kReflectSafeMinCosine) return r;
    return normalized(unit + ng * (kReflectSafeMinCosine - c)) * length;
}

/// Refraction of `in` through a surface with `normal` (Snell's law), unit length. The side is
/// told by the sign of dot(in, normal): against the normal the ray passes from index n1 into
/// n2, along it from n2 back into n1. On total internal reflection writes the unit mirror
/// direction and answers false. Indices that are not finite and positive, a zero normal or a
/// zero direction bend nothing: `out` is the unit `in` (or `in` when it has no length).
inline bool refractDirection(const Vec3d& in, const Vec3d& normal, double n1, double n2,
                             Vec3d* out) {
    const Vec3d i = unitVector(in);
    Vec3d n = unitVector(normal);
    const bool indicesUsable = std::isfinite(n1) && std::isfinite(n2) && n1 > 0.0 && n2 > 0.0;
    if (!indicesUsable || !(dot(n, n) > 0.5) || !(dot(i, i) > 0.5)) {
        *out = i;
        return true;
    }
    double c = -dot(i, n);
    double eta = n1 / n2;
    if (c < 0.0) {  // leaving: face the normal towards the incoming side
        n = n * -1.0;
        c = -c;
        eta = n2 / n1;
    }
    const double k = 1.0 - eta * eta * (1.0 - c * c);
    if (k < 0.0) {
        *out = i + n * (2.0 * c);
        return false;
    }
    *out = normalized(i * eta + n * (eta * c - std::sqrt(k)));
    return true;
}

}  // namespace host
