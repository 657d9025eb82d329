#include "blocker/falloff_zone.h"

#include <cmath>

#include "blocker/falloff.h"

FalloffZone FalloffZone::from(bool positive, int32_t decayPower, float extraScale,
                              const BlockerShape& inner, const BlockerShape& outer) {
    FalloffZone zone;
    zone.passing = positive ? 1.0f : 0.0f;
    zone.ramp = decayPower != 0;
    // Signed, so that a negative power takes the linear ramp; the difference cannot overflow
    // when smooth.
    zone.smooth = decayPower > 1;
    zone.exponent = zone.smooth ? 1.0f / static_cast<float>(decayPower - 1) : 0.0f;
    zone.outerOverInner = absf(extraScale);
    // The outer scale is the inner one times bExtraScale, rounded to float axis by axis; the
    // exact ratio of the two, rather than bExtraScale, carries one shape's coordinates into
    // the other's.
    const auto ratio = [](float o, float i) {
        return static_cast<float>(static_cast<double>(o) / static_cast<double>(i));
    };
    zone.outerToInner =
        Float3(ratio(outer.scale.x, inner.scale.x), ratio(outer.scale.y, inner.scale.y),
               ratio(outer.scale.z, inner.scale.z));
    zone.sharedPlacement = inner.invertible() && outer.invertible() &&
                           std::isfinite(zone.outerToInner.x) &&
                           std::isfinite(zone.outerToInner.y) && std::isfinite(zone.outerToInner.z);
    return zone;
}

float FalloffZone::rampValue(const BlockerShape& inner, const BlockerShape& outer, const Float3& p,
                             const Float3& local) const {
    float dIn, dOut;
    if (std::isfinite(local.x) && std::isfinite(local.y) && std::isfinite(local.z)) {
        // The shapes share centre and rotation and the outer scale is the inner one times
        // bExtraScale, so along any line from the centre the outer surface lies that much
        // further out.
        dIn = inner.surfaceDistanceLocal(local);
        dOut = dIn * outerOverInner;
    } else {
        // An inner placement that cannot be inverted contains nothing and has its surface at
        // the centre; the outer one may still exist.
        dIn = 0.0f;
        dOut = outer.surfaceDistance(p);
    }
    const float x = distance(p, inner.centre);
    const float a = falloff(dIn, dOut, x, smooth, exponent);
    return passing == 1.0f ? a : 1.0f - a;
}
