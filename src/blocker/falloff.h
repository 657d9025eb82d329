// How a light blocker's value follows a point from its inner shape out to its outer one: the
// ramps, and the two placed shapes with the zone between them as a set-up builds them.
#pragma once

#include <cstdint>

#include "blocker/blocker_shape.h"
#include "plugin/float3.h"
#include "plugin/renderer.h"

namespace orv {

/// 0 at or inside dIn, 1 at or beyond dOut, linear between. Coinciding surfaces give 0.
float linearRamp(float dIn, float dOut, float x);

/// smoothstep of the linear parameter between dIn and dOut (strict bounds), raised to
/// `exponent` unless it is exactly 1. Coinciding surfaces give 0, as linearRamp does, and an
/// infinitely distant point on an infinitely distant outer surface gives 1: never NaN for
/// distances in [0, inf].
float smoothRamp(float dIn, float dOut, float x, float exponent);

/// The ramp value in [0, 1] of a point at distance x from the centre, between the inner
/// surface at dIn and the outer at dOut (all world units, along the same line).
float falloff(float dIn, float dOut, float x, bool smooth, float exponent);

/// What bPositive, bDecayPower and bExtraScale make of the zone between the shapes, worked
/// out once per set-up so that a sample does no more than its shapes need.
struct FalloffZone {
    bool positive;         ///< bPositive: the light passes outside the outer shape
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
    /// smaller than the inner one is all that counts. A kind that is not a shape is all of
    /// space for both shapes.
    float value(const BlockerShape& inner, const BlockerShape& outer, const Vector& point) const {
        if (!outer.isUnitShape()) return 1.0f - passing;
        Vector outerLocal;
        // Most samples of a light fall outside its blockers.
        if (__builtin_expect(!outer.unitShapeContains(point, &outerLocal), 1)) return passing;
        return valueWithinOuter(inner, outer, point, Float3(outerLocal));
    }

    /// value for a world `point` inside `outer`, a unit shape, at `outerLocal` in its space.
    float valueWithinOuter(const BlockerShape& inner, const BlockerShape& outer,
                           const Vector& point, const Float3& outerLocal) const {
        const Float3 local = innerLocal(inner, point, outerLocal);
        if (BlockerShape::insideUnitShape(inner.kind, local)) return 1.0f - passing;
        if (!ramp) return passing;
        return rampValueAt(inner, outer, point, local);
    }

    /// A world `point` inside `outer`, at `outerLocal` in its space, in the inner shape's space.
    Float3 innerLocal(const BlockerShape& inner, const Vector& point,
                      const Float3& outerLocal) const {
        return sharedPlacement ? mul(outerLocal, outerToInner) : inner.toLocal(point);
    }

    /// The ramp for a world `point` inside `outer` and outside `inner`, at `local` in inner's
    /// space as innerLocal gave it.
    float rampValueAt(const BlockerShape& inner, const BlockerShape& outer, const Vector& point,
                      const Float3& local) const {
        // The ramp's surface distance follows every bit of the point's coordinates in the inner
        // shape's space, so the ramp has the inner shape place the point itself.
        return rampValue(inner, outer, Float3(point),
                         sharedPlacement ? inner.toLocal(point) : local);
    }

    /// The ramp for a point inside `outer` and outside `inner`, at `local` in inner's space.
    float rampValue(const BlockerShape& inner, const BlockerShape& outer, const Float3& p,
                    const Float3& local) const;
};

/// The blocker's parameters that its set-up reads, on the evaluating thread's stack; after a
/// mute, only `mute` holds a value. bFilter is read apart, at every sample.
struct BlockerParams {
    bool mute;
    int32_t bType;  ///< BlockerKind; other values are all of space
    Float3 bScale;
    Float3 bRot;  ///< degrees about local X, Y, Z
    Float3 bTransl;
    bool bPositive;
    float bExtraScale;
    int32_t bDecayPower;  ///< 0 no ramp, 1 (or below) linear, 2 and up an s-curve
};

/// What a blocker's set-up builds from its parameters, and the value that gives each point.
struct BlockerField {
    bool muted;          ///< `mute` as the last set-up read it
    BlockerShape inner;  ///< from bScale
    BlockerShape outer;  ///< from bScale x bExtraScale
    FalloffZone zone;    ///< the zone between the shapes

    /// Applies a snapshot of the set-up's reads. A muted snapshot leaves the shapes and zone.
    void setUp(const BlockerParams& snapshot);
    /// 0 where the light is fully filtered, 1 where it passes unchanged, for world point p,
    /// unless muted. Inline, for speed (bench/README.md): it runs at every sample.
    float value(const Vector& p) const { return zone.value(inner, outer, p); }
    float value(const Float3& p) const { return value(p.toVector()); }
};

}  // namespace orv
