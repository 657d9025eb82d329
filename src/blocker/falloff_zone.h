// How a light blocker's value follows a point from its inner shape out to its outer one.
#pragma once

#include <cstdint>

#include "blocker/blocker_shape.h"
#include "plugin/float3.h"

/// What bPositive, bDecayPower and bExtraScale make of the zone between the shapes, worked
/// out once per set-up so that a sample does no more than its shapes need.
struct FalloffZone {
    float passing;         ///< the value where the light passes: 1 with bPositive, else 0
    bool ramp;             ///< bDecayPower is not 0: the zone blends rather than passes
    bool smooth;           ///< bDecayPower above 1: the s-curve
    float exponent;        ///< 1 / (bDecayPower - 1) for the s-curve
    float outerOverInner;  ///< |bExtraScale|: the outer surface distance over the inner one

    static FalloffZone from(bool positive, int32_t decayPower, float extraScale);

    /// 0 where the light is fully filtered, 1 where it passes, for world point p, with `outer`
    /// built as `inner` scaled by bExtraScale. The outer test comes first, so an outer shape
    /// smaller than the inner one is all that counts.
    float value(const BlockerShape& inner, const BlockerShape& outer, const Float3& p) const {
        if (!outer.contains(p)) return passing;
        Float3 local;
        if (inner.contains(p, &local)) return 1.0f - passing;
        if (!ramp) return passing;
        return rampValue(inner, outer, p, local);
    }

    /// The ramp for a point inside `outer` and outside `inner`, at `local` in inner's space.
    float rampValue(const BlockerShape& inner, const BlockerShape& outer, const Float3& p,
                    const Float3& local) const;
};
