#include "trace/trace_data.h"

#include <new>

#include "trace/trace_parameters.h"

TraceData* createTraceData(Node* node) {
    TraceData* data = new (std::nothrow) TraceData;
    AiNodeSetLocalData(node, data);
    if (data) AiCritSecInit(&data->lock);
    return data;
}

void destroyTraceData(TraceData* data) {
    if (!data) return;
    if (data->sampler) AiSamplerDestroy(data->sampler);
    AiCritSecClose(&data->lock);
    delete data;
}

void refreshTraceData(TraceData& data, const Node* node) {
    // Never called during an evaluation of the node, so no lock is needed.
    if (data.sampler) AiSamplerDestroy(data.sampler);
    data.sampler = AiSampler(AiNodeGetInt(node, "samples"), 2);
    data.environment = nullptr;
    invalidateSetup(data.ready);
}

TraceSettings readTraceSettings(ShaderGlobals* sg, const Node* node) {
    TraceSettings s;
    s.rayType = AiShaderEvalParamFuncInt(sg, node, kTraceRayType);
    s.onHitOverride = AiShaderEvalParamFuncBool(sg, node, kTraceOnHitOverride);
    s.onNoHitOverride = AiShaderEvalParamFuncBool(sg, node, kTraceOnNoHitOverride);
    s.origin = AiShaderEvalParamFuncInt(sg, node, kTraceOrigin);
    s.direction = AiShaderEvalParamFuncInt(sg, node, kTraceDirection);
    s.glossy = AiShaderEvalParamFuncBool(sg, node, kTraceGlossy);
    if (s.glossy) {
        if (AiShaderEvalParamFuncInt(sg, node, kTraceSamples) < 1)
            s.glossy = false;
        else if (AiShaderEvalParamFuncFlt(sg, node, kTraceSpread) < 0.001f)
            s.glossy = false;
    }
    return s;
}

void applyTraceSettings(TraceData& data, const TraceSettings& settings, const ShaderGlobals* sg) {
    data.rayType = settings.rayType;
    data.onHitOverride = settings.onHitOverride;
    data.onNoHitOverride = settings.onNoHitOverride;
    data.origin = settings.origin;
    data.direction = settings.direction;
    data.glossy = settings.glossy;
    if (AiNodeLookUpUserParameter(sg->object, "environment"))
        data.environment = static_cast<Node*>(AiNodeGetPtr(sg->object, "environment"));
}
