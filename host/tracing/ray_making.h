// How a ray is made: the unit direction and the origin moved off the surface it leaves, in
// double precision. Pure functions behind makeRay; none produces a NaN from finite input.
#pragma once

#include <cmath>

#include "plugin/renderer.h"

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

}  // namespace host
