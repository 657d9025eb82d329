// A 3D checkerboard: cubes of side 1/frequency alternating between two colours.
#pragma once

#include <cmath>

#include "plugin/renderer.h"

namespace host {

/// 0 or 1 for the cube that contains `p` at `frequency` cubes per world unit. A non-finite point or
/// frequency gives 0. The cubes are shifted by a thousandth of their side so that a surface at
/// a whole coordinate (a floor at y = 0) lies inside a layer of cubes, not on its faces.
inline int checkerCell(const Vector& p, float frequency) {
    constexpr float kShift = 1e-3f;
    const float x = std::floor(p.x * frequency + kShift);
    const float y = std::floor(p.y * frequency + kShift);
    const float z = std::floor(p.z * frequency + kShift);
    const float sum = x + y + z;
    if (!std::isfinite(sum)) return 0;
    return std::fmod(std::fabs(sum), 2.0f) >= 1.0f ? 1 : 0;
}

}  // namespace host
