// How a ray is made: the unit direction and the origin moved off the surface it leaves, in
// double precision. Pure functions behind makeRay; none produces a NaN from finite input.
#pragma once

#include <cmath>

#include "plugin/renderer.h"

namespace host {

/// Unit copy of finite `d`, scaled in double precision and rounded to float; a zero d stays
/// zero. A d so near unit length already that scaling would round every component back to
/// itself (its squared length within 2^-26 of 1, so that each moves by under half an ulp)
/// comes back as it is. A d within 2^-20 of unit length, as the float rounding of a normalised
/// vector leaves it, is scaled by the series 1 - e/2 + 3e^2/8 of 1/sqrt(1 + e), whose next term
/// is under 2^-61: within an ulp or two of double of the square root and division it spares,
/// far below what rounding to float keeps, and without their latency.
inline Vector unitDirection(const Vector& d) {
    const double squared = static_cast<double>(d.x) * d.x + static_cast<double>(d.y) * d.y +
                           static_cast<double>(d.z) * d.z;
    const double e = squared - 1.0;
    if (std::fabs(e) <= 0x1p-26) return d;
    double r;
    if (std::fabs(e) <= 0x1p-20) {
        r = 1.0 + e * (-0.5 + 0.375 * e);
    } else {
        if (!(squared > 0.0)) return d;
        r = 1.0 / std::sqrt(squared);
    }
    return Vector{static_cast<float>(d.x * r), static_cast<float>(d.y * r),
                  static_cast<float>(d.z * r)};
}

/// Origins leave their surface by this much times the larger of 1 and the origin's largest
/// coordinate, so that the float rounding of a hit point never puts the next ray back inside.
constexpr double kOriginOffset = 1e-4;

/// max(1, |p.x|, |p.y|, |p.z|), by comparisons rather than fmax for speed.
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

inline bool finiteVector(const Vector& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

/// A ray of `type` from `origin` along `direction`, made unit length, as a child of `parent`'s
/// sample. When the parent shades an object, the origin leaves its surface along the geometric
/// normal, on the side the ray heads for, so that the rounding of a hit point does not put the
/// ray back inside. Null `parent` is allowed (the ray then cannot be cast). Inline for speed.
inline Ray makeRay(uint32_t type, const Vector& origin, const Vector& direction, double maxDistance,
                   const ShaderGlobals* parent) {
    Vector o = origin;
    Vector d = direction;
    if (finiteVector(o) && finiteVector(d)) {
        // Unit directions, so that distances along the ray are world distances.
        d = unitDirection(d);
        // Leave the surface of the sample that casts the ray, on the side the ray heads for.
        if (parent && parent->object) o = leaveSurface(o, d, parent->geometricNormal);
    }
    return Ray{type, o, d, maxDistance, parent};
}

}  // namespace host
