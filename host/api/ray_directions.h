// Mirror and refraction directions, in double precision. Pure functions behind AiReflect,
// AiReflectSafe and AiRefract; none of them produces a NaN from finite input.
#pragma once

#include <cmath>

#include "geometry/affine_transform.h"

namespace host {

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
