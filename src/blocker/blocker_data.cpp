#include "blocker/blocker_data.h"

#include "blocker/falloff.h"

void BlockerData::setUp(const BlockerParams& snapshot) {
    muted = snapshot.mute;
    if (muted) return;
    params = snapshot;
    inner.build(params.bType, params.bPositive, params.bScale, params.bRot, params.bTransl);
    outer.build(params.bType, params.bPositive, params.bScale * params.bExtraScale, params.bRot,
                params.bTransl);
}

float BlockerData::value(const Float3& p) const {
    const bool positive = params.bPositive;
    const float outside = positive ? 1.0f : 0.0f;
    // The outer test comes first: an outer shape smaller than the inner one is all that counts.
    if (!outer.contains(p)) return outside;
    if (inner.contains(p)) return 1.0f - outside;
    if (params.bDecayPower == 0) return outside;
    // Signed, so that a negative power takes the linear ramp; the difference cannot overflow
    // when smooth.
    const bool smooth = params.bDecayPower > 1;
    const float exponent = smooth ? 1.0f / static_cast<float>(params.bDecayPower - 1) : 0.0f;
    const float dIn = inner.surfaceDistance(p);
    const float dOut = outer.surfaceDistance(p);
    const float x = distance(p, inner.centre);
    const float a = falloff(dIn, dOut, x, smooth, exponent);
    return positive ? a : 1.0f - a;
}
