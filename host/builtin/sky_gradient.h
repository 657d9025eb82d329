// The colour of a three-colour sky for a view direction.
#pragma once

#include <cmath>

#include "plugin/renderer.h"

namespace host {

/// Blends linearly from `horizon` at the horizon to `zenith` straight along `up` and to `nadir`
/// straight against it, by the cosine between `direction` and `up`. Neither vector needs unit
/// length; a zero or non-finite one gives the horizon colour.
inline RGB skyGradient(const Vector& direction, const Vector& up, const RGB& horizon,
                       const RGB& zenith, const RGB& nadir) {
    const float dot = direction.x * up.x + direction.y * up.y + direction.z * up.z;
    const float lengths = std::sqrt(
        (direction.x * direction.x + direction.y * direction.y + direction.z * direction.z) *
        (up.x * up.x + up.y * up.y + up.z * up.z));
    float t = lengths > 0.0f ? dot / lengths : 0.0f;
    if (!std::isfinite(t)) t = 0.0f;
    t = std::fmax(-1.0f, std::fmin(1.0f, t));
    const RGB& pole = t >= 0.0f ? zenith : nadir;
    const float w = std::fabs(t);
    return RGB{horizon.r + (pole.r - horizon.r) * w, horizon.g + (pole.g - horizon.g) * w,
               horizon.b + (pole.b - horizon.b) * w};
}

}  // namespace host
