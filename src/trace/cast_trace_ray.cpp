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

}  // namespace

bool castTraceRay(ShaderGlobals* sg, const Float3& origin, const Float3& direction,
                  const TraceData& data, const Float3& onHitColor, const Float3& onNoHitColor,
                  Float3* color) {
    const Vector o = origin.toVector();
    const Vector d = direction.toVector();
    switch (data.rayType) {
        case kTraceProbe: {
            Ray ray;
            AiMakeRay(&ray, kRayReflected, &o, &d, kTraceMaxDistance, sg);
            ProbeHit scratch;
            const bool hit = AiTraceProbe(&ray, &scratch);
            *color = hit ? onHitColor : onNoHitColor;
            return hit;
        }
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
            AiShaderEvaluate(data.environment, sg);
            sg->rayDirection = kept;
            color->set(sg->out.rgb);
            return false;
        }
        default:
            *color = onNoHitColor;
            return false;
    }
}
