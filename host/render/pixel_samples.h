// Where in a pixel each of its samples falls: the same for a pixel on every run and every
// thread count, so renders are reproducible.
#pragma once

#include <cstdint>

namespace host {

/// Offset in [0, 1)^2 of sample `index` of `count` in pixel (x, y). One sample sits at the
/// centre; more follow the R2 low-discrepancy sequence, shifted by a hash of the pixel so that
/// neighbouring pixels do not share a pattern.
inline void pixelSampleOffset(uint32_t x, uint32_t y, uint32_t index, uint32_t count, float* u,
                              float* v) {
    if (count <= 1) {
        *u = *v = 0.5f;
        return;
    }
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    const double shiftU = (h & 0xffffu) / 65536.0;
    const double shiftV = (h >> 16) / 65536.0;
    // R2: the plastic number's reciprocal powers.
    const double a1 = 0.7548776662466927, a2 = 0.5698402909980532;
    double fu = 0.5 + shiftU + a1 * index;
    double fv = 0.5 + shiftV + a2 * index;
    fu -= static_cast<double>(static_cast<uint64_t>(fu));
    fv -= static_cast<double>(static_cast<uint64_t>(fv));
    *u = static_cast<float>(fu) < 1.0f ? static_cast<float>(fu) : 0.99999994f;
    *v = static_cast<float>(fv) < 1.0f ? static_cast<float>(fv) : 0.99999994f;
}

}  // namespace host
