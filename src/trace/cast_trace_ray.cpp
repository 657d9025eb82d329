#include "trace/cast_trace_ray.h"

namespace {

bool traceAlong(ShaderGlobals* sg, uint32_t code, const Vector& origin, const Vector& direction,
                const TraceData& data, const Float3& onHitColor, const Float3& onNoHitColor,
                Float3* color) {
    Ray ray;
    AiMakeRay(&ray, code, &origin, &direction, kTraceMaxDistance, sg);
    TraceResult result;
    const bool hit = AiTrace(&ray, &result);
    color->set(result.color);
    if (hit && data.onHitOverride) *color = onHitColor;
    if (!hit && data.onNoHitOverride) *color = onNoHitColor;
    return hit;
}

/// One environment lookup under way in a sample, on the stack of the node making it. The
/// sample's message under kLookupMessage points at the innermost, each at the one it is inside.
struct EnvironmentLookup {
    const Node* environment;
    const EnvironmentLookup* outer;
};
constexpr const char* kLookupMessage = "orv_trace:environment";

/// Evaluates `environment` on sg unless this sample is already inside a lookup of it: the same
/// shader on the same sample would reach this lookup again, for ever. A traced ray's hit is a
/// sample of its own, so nesting through rays is never taken for a loop.
bool evaluateEnvironment(ShaderGlobals* sg, Node* environment) {
    void* found = nullptr;
    AiMessageGetPtrFunc(sg, kLookupMessage, &found);
    const auto* outer = static_cast<const EnvironmentLookup*>(found);
    for (const EnvironmentLookup* l = outer; l; l = l->outer)
        if (l->environment == environment) return false;
    EnvironmentLookup lookup{environment, outer};
    AiMessageSetPtrFunc(sg, kLookupMessage, &lookup);
    AiShaderEvaluate(environment, sg);
    AiMessageSetPtrFunc(sg, kLookupMessage, const_cast<EnvironmentLookup*>(outer));
    return true;
}

}  // namespace

bool castProbeRay(ShaderGlobals* sg, const Float3& origin, const Float3& direction,
                  const Float3& onHitColor, const Float3& onNoHitColor, Float3* color) {
    const Vector o = origin.toVector();
    const Vector d = direction.toVector();
    Ray ray;
    AiMakeRay(&ray, kRayReflected, &o, &d, kTraceMaxDistance, sg);
    ProbeHit scratch;
    const bool hit = AiTraceProbe(&ray, &scratch);
    *color = hit ? onHitColor : onNoHitColor;
    return hit;
}

bool castOtherRay(ShaderGlobals* sg, const Float3& origin, const Float3& direction,
                  const TraceData& data, const Float3& onHitColor, const Float3& onNoHitColor,
                  Float3* color) {
    const Vector o = origin.toVector();
    const Vector d = direction.toVector();
    switch (data.rayType) {
        case kTraceReflected:
            return traceAlong(sg, kRayReflected, o, d, data, onHitColor, onNoHitColor, color);
        case kTraceRefracted:
            return traceAlong(sg, kRayRefracted, o, d, data, onHitColor, onNoHitColor, color);
        case kTraceEnvironment: {
            // Never hand the renderer a null node: no environment found is a miss.
            if (!data.environment) {
                *color = onNoHitColor;
                return false;
            }
            const Vector kept = sg->rayDirection;
            AiReflect(&d, &sg->normal, &sg->rayDirection);
            const bool looked = evaluateEnvironment(sg, data.environment);
            sg->rayDirection = kept;
            // A lookup that would loop is answered as one with no environment.
            *color = looked ? Float3(sg->out.rgb) : onNoHitColor;
            return false;
        }
        default:
            *color = onNoHitColor;
            return false;
    }
}
