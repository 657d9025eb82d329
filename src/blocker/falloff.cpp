#include "blocker/falloff.h"

#include <cmath>

#include "plugin/float3.h"

namespace orv {
namespace {
float smoothstep(float t) {
    return t * t * (3.0f - 2.0f * t);
}
}  // namespace

float linearRamp(float dIn, float dOut, float x) {
    if (dIn >= x) return 0.0f;
    if (x >= dOut) return 1.0f;
    if (dIn == dOut) return 0.0f;
    return (x - dIn) / (dOut - dIn);
}

float smoothRamp(float dIn, float dOut, float x, float exponent) {
    if (dIn > x) return 0.0f;
    if (x > dOut) return 1.0f;
    // Here dIn <= x <= dOut; equal surfaces would make t 0 / 0.
    if (dIn == dOut) return 0.0f;
    const float t = (x - dIn) / (dOut - dIn);
    if (t != t) return 1.0f;  // inf / inf: x and dOut both infinite
    float s = clamp(smoothstep(t), 0.0f, 1.0f);
    // bDecayPower 3, the square root, is common enough to skip the general power for.
    if (exponent == 0.5f)
        s = std::sqrt(s);
    else if (exponent != 1.0f)
        s = std::pow(s, exponent);
    return s;
}

float falloff(float dIn, float dOut, float x, bool smooth, float exponent) {
    return smooth ? smoothRamp(dIn, dOut, x, exponent) : linearRamp(dIn, dOut, x);
}

FalloffZone FalloffZone::from(bool positive, int32_t decayPower, float extraScale,
                              const BlockerShape& inner, const BlockerShape& outer) {
    FalloffZone zone;
    zone.positive = positive;
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

void BlockerField::setUp(const BlockerParams& snapshot) {
    muted = snapshot.mute;
    if (muted) return;
    inner.build(snapshot.bType, snapshot.bScale, snapshot.bRot, snapshot.bTransl);
    outer.build(snapshot.bType, snapshot.bScale * snapshot.bExtraScale, snapshot.bRot,
                snapshot.bTransl);
    zone = FalloffZone::from(snapshot.bPositive, snapshot.bDecayPower, snapshot.bExtraScale, inner,
                             outer);
}

}  // namespace orv
