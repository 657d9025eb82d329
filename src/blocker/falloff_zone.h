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
    /// Whether the shapes' placements share centre and rotation and both can be inverted, so
    /// that a point's coordinates in the outer shape's space give those in the inner one's,
    /// times outerToInner, to within a few float roundings: one transform tells whether a
    /// point is inside either shape.
    bool sharedPlacement;
    Float3 outerToInner;  ///< the outer scale over the inner one, axis by axis

    /// The zone between `inner` and `outer`, `outer` built as `inner` scaled by `extraScale`.
    static FalloffZone from(bool positive, int32_t decayPower, float extraScale,
                            const BlockerShape& inner, const BlockerShape& outer);

    /// 0 where the light is fully filtered, 1 where it passes, for world `point`, with `outer`
    /// built as `inner` scaled by bExtraScale. The outer test comes first, so an outer shape
    /// smaller than the inner one is all that counts. A kind outside 0 .. 3 is all of space
    /// for both shapes.
    float value(const BlockerShape& inner, const BlockerShape& outer, const Vector& point) const {
        if (!outer.isUnitShape()) return 1.0f - passing;
        // Placed from where the caller holds it, without a copy first.
        const Float3 outerLocal = outer.toLocal(point);
        // Most samples of a light fall outside its blockers.
        if (__builtin_expect(!BlockerShape::insideUnitShape(outer.kind, outerLocal), 1))
            return passing;
        const Float3 local = sharedPlacement ? mul(outerLocal, outerToInner) : inner.toLocal(point);
        if (BlockerShape::insideUnitShape(inner.kind, local)) return 1.0f - passing;
        if (!ramp) return passing;
        // The ramp's surface distance follows every bit of the point's coordinates in the inner
        // shape's space, so the ramp has the inner shape place the point itself.
        return rampValue(inner, outer, Float3(point),
                         sharedPlacement ? inner.toLocal(point) : local);
    }

    /// The ramp for a point inside `outer` and outside `inner`, at `local` in inner's space.
    float rampValue(const BlockerShape& inner, const BlockerShape& outer, const Float3& p,
                    const Float3& local) const;
};
