// One ray of orv_trace, cast by its rayType setting.
#pragma once

#include "plugin/float3.h"
#include "trace/trace_data.h"

/// Every ray reaches as far as 1e12 taken to single precision and widened back.
constexpr double kTraceMaxDistance = 999999995904.0;
static_assert(static_cast<double>(static_cast<float>(1.0e12)) == kTraceMaxDistance,
              "the maximum distance is the float nearest 1e12");

/// Casts from `origin` along `direction` (neither changed) as `data.rayType` says and writes the
/// colour it finds to *color; answers whether something was hit.
///  0: a probe (code 4): onHitColor on a hit, else onNoHitColor.
///  1, 2: a traced ray (code 4, code 8): the colour it brings back, replaced by onHitColor on
///     a hit when onHitOverride is set and by onNoHitColor on a miss when onNoHitOverride is.
///  3: the environment node evaluated on sg with its incoming direction, for that evaluation
///     only, set to the mirror of `direction` about the shading normal; always false. With no
///     environment node, or inside an evaluation of the same node on the same sample (a
///     network that reaches itself), nothing is evaluated and the colour is onNoHitColor.
///  Any other value casts nothing: onNoHitColor, false.
/// The probe has a function of its own, chosen here, so that it saves only its own registers.
inline bool castTraceRay(ShaderGlobals* sg, const Float3& origin, const Float3& direction,
                         const TraceData& data, const Float3& onHitColor,
                         const Float3& onNoHitColor, Float3* color);

/// castTraceRay for rayType 0, and for every other rayType.
bool castProbeRay(ShaderGlobals* sg, const Float3& origin, const Float3& direction,
                  const Float3& onHitColor, const Float3& onNoHitColor, Float3* color);
bool castOtherRay(ShaderGlobals* sg, const Float3& origin, const Float3& direction,
                  const TraceData& data, const Float3& onHitColor, const Float3& onNoHitColor,
                  Float3* color);

inline bool castTraceRay(ShaderGlobals* sg, const Float3& origin, const Float3& direction,
                         const TraceData& data, const Float3& onHitColor,
                         const Float3& onNoHitColor, Float3* color) {
    if (data.rayType == kTraceProbe)
        return castProbeRay(sg, origin, direction, onHitColor, onNoHitColor, color);
    return castOtherRay(sg, origin, direction, data, onHitColor, onNoHitColor, color);
}
