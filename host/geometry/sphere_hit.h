// Ray against a sphere centred on the origin, in the sphere's object space.
#pragma once

#include <cmath>
#include <utility>

#include "geometry/affine_transform.h"

namespace host {

/// The smallest ray parameter t in (tnear, tfar) at which origin + t direction meets the sphere
/// of `radius` about the origin, written to *t; false when there is none (also for a zero
/// direction or a non-finite input). The parameter is in units of the direction's length, so it
/// is the same in any affine image of the ray.
inline bool intersectSphere(const Vec3d& origin, const Vec3d& direction, double radius,
                            double tnear, double tfar, double* t) {
    const double a = dot(direction, direction);
    if (!(a > 0.0) || !std::isfinite(a)) return false;
    const double b = dot(origin, direction);
    // The offset from the centre to the ray's closest approach, kept apart to avoid the
    // cancellation of b^2 - a c far from the sphere.
    const Vec3d closest = origin - direction * (b / a);
    const double disc = radius * radius - dot(closest, closest);
    if (!(disc >= 0.0)) return false;
    const double root = std::sqrt(a * disc);
    // Roots -b/a -+ root/a, the near one computed without subtracting like quantities.
    const double q = b >= 0.0 ? -(b + root) : -(b - root);
    double t0 = q / a;
    double t1 = q != 0.0 ? dot(origin, origin) - radius * radius : 0.0;
    t1 = q != 0.0 ? t1 / q : t0;
    if (t0 > t1) std::swap(t0, t1);
    if (t0 > tnear && t0 < tfar) {
        *t = t0;
        return true;
    }
    if (t1 > tnear && t1 < tfar) {
        *t = t1;
        return true;
    }
    return false;
}

}  // namespace host
