// orv_trace: casts a ray, or a glossy family of rays in a cone, from the shading point or a
// custom origin, and reports what it finds: a fixed hit or miss colour, the traced colour, or an
// environment shader's colour in that direction.
#include "plugin/node_methods.h"
#include "trace/cast_trace_ray.h"
#include "trace/choose_direction.h"
#include "trace/direction_sampling.h"
#include "trace/trace_data.h"
#include "trace/trace_parameters.h"

namespace {

void parameters(ParamList* params, NodeEntry*) {
    declareTraceParameters(params);
}

void initialize(Node* node, void*) {
    createTraceData(node);
}

void update(Node* node, void*) {
    if (auto* data = static_cast<TraceData*>(AiNodeGetLocalData(node)))
        refreshTraceData(*data, node);
}

void finish(Node* node) {
    destroyTraceData(static_cast<TraceData*>(AiNodeGetLocalData(node)));
    AiNodeSetLocalData(node, nullptr);
}

/// The family: one ray per sampler point, each weighted by the iterator's inverse count.
Float3 castFamily(ShaderGlobals* sg, const Node* node, const TraceData& data, const Float3& origin,
                  const Float3& d, const Float3& onHitColor, const Float3& onNoHitColor) {
    const Cone cone = coneFromSpread(AiShaderEvalParamFuncFlt(sg, node, kTraceSpread));
    const Frame frame = frameAround(d);
    SamplerIterator* iterator = AiSamplerIterator(data.sampler, sg);
    Float3 sum(0.0f, 0.0f, 0.0f);
    bool any = false;
    float u[2];
    while (AiSamplerGetSample(iterator, u)) {
        const Float3 local = sampleCone(u[0], u[1], cone.cosMax);
        Float3 color;
        castTraceRay(sg, origin, familyDirection(frame, d, local), data, onHitColor, onNoHitColor,
                     &color);
        sum += color;
        any = true;
    }
    // An iterator that handed out nothing leaves black, whatever inverse count it reports.
    if (!any) return sum;
    return sum * AiSamplerGetSampleInvCount(iterator);
}

/// Whether a sample's colour can be onHitColor, or onNoHitColor, under the set-up's modes
/// (castTraceRay): a colour that cannot be the result is not evaluated. The environment mode
/// and a rayType outside the table can end in the no-hit colour, never in the hit colour.
bool usesHitColor(const TraceData& data) {
    switch (data.rayType) {
        case kTraceProbe:
            return true;
        case kTraceReflected:
        case kTraceRefracted:
            return data.onHitOverride;
        default:
            return false;
    }
}
bool usesNoHitColor(const TraceData& data) {
    switch (data.rayType) {
        case kTraceReflected:
        case kTraceRefracted:
            return data.onNoHitOverride;
        default:
            return true;
    }
}

void evaluate(Node* node, ShaderGlobals* sg) {
    auto* data = static_cast<TraceData*>(AiNodeGetLocalData(node));
    if (!data) {  // never initialised, or no memory for it: nothing to cast with
        sg->out.rgb = RGB{0.0f, 0.0f, 0.0f};
        return;
    }
    ensureTraceSetUp(*data, sg, node);

    // Per sample, only the inputs that the modes use; the others keep values nothing reads.
    Float3 onHitColor(0.0f, 0.0f, 0.0f), onNoHitColor(0.0f, 0.0f, 0.0f);
    Float3 customOrigin(0.0f, 0.0f, 0.0f), customDirection(0.0f, 0.0f, 0.0f);
    float ior = 1.0f;
    if (usesHitColor(*data)) onHitColor.setFromColorParam(sg, node, kTraceOnHitColor);
    if (usesNoHitColor(*data)) onNoHitColor.setFromColorParam(sg, node, kTraceOnNoHitColor);
    if (data->origin == 1) customOrigin.setFromVectorParam(sg, node, kTraceCustomOrigin);
    if (data->direction == 3) customDirection.setFromVectorParam(sg, node, kTraceCustomDirection);
    if (data->direction == 2) ior = AiShaderEvalParamFuncFlt(sg, node, kTraceIor);

    const Float3 origin = data->origin == 1 ? customOrigin : Float3(sg->point);
    const Float3 d = chooseDirection(sg, data->direction, data->rayType, ior, customDirection);
    Float3 color;
    if (!data->glossy)
        castTraceRay(sg, origin, d, *data, onHitColor, onNoHitColor, &color);
    else
        color = castFamily(sg, node, *data, origin, d, onHitColor, onNoHitColor);
    sg->out.rgb = color.toRGB();
}

const CommonNodeMethods kCommon = {parameters, initialize, update, finish};
const ShaderNodeMethods kShader = {evaluate};

}  // namespace

const NodeMethods kTraceMethods = {&kCommon, &kShader};
