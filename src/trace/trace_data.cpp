#include "trace/trace_data.h"

#include "trace/trace_parameters.h"

TraceData* createTraceData(Node* node) {
    TraceData* data = new TraceData;
    AiNodeSetLocalData(node, data);
    AiCritSecInit(&data->lock);
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
    data.ready.store(0, std::memory_order_release);
}

void runTraceSetup(TraceData& data, ShaderGlobals* sg, const Node* node) {
    AiCritSecEnter(&data.lock);
    if (data.ready.load(std::memory_order_acquire) == 0) {
        const int32_t rayType = AiShaderEvalParamFuncInt(sg, node, kTraceRayType);
        const bool onHitOverride = AiShaderEvalParamFuncBool(sg, node, kTraceOnHitOverride);
        const bool onNoHitOverride = AiShaderEvalParamFuncBool(sg, node, kTraceOnNoHitOverride);
        const int32_t origin = AiShaderEvalParamFuncInt(sg, node, kTraceOrigin);
        const int32_t direction = AiShaderEvalParamFuncInt(sg, node, kTraceDirection);
        bool glossy = AiShaderEvalParamFuncBool(sg, node, kTraceGlossy);
        if (glossy) {
            if (AiShaderEvalParamFuncInt(sg, node, kTraceSamples) < 1)
                glossy = false;
            else if (AiShaderEvalParamFuncFlt(sg, node, kTraceSpread) < 0.001f)
                glossy = false;
        }
        // A parameter network may trace a ray that is shaded through this node again on this
        // thread. The lock is recursive, so that nested evaluation has run the set-up to the end
        // and other threads may already be reading it: leave it as it is.
        if (data.ready.load(std::memory_order_acquire) == 0) {
            data.rayType = rayType;
            data.onHitOverride = onHitOverride;
            data.onNoHitOverride = onNoHitOverride;
            data.origin = origin;
            data.direction = direction;
            data.glossy = glossy;
            if (AiNodeLookUpUserParameter(sg->object, "environment"))
                data.environment = static_cast<Node*>(AiNodeGetPtr(sg->object, "environment"));
            data.ready.store(1, std::memory_order_release);
        }
    }
    AiCritSecLeave(&data.lock);
}
