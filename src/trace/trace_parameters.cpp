#include "trace/trace_parameters.h"

void declareTraceParameters(ParamList* params) {
    AiNodeParamInt(params, -1, "rayType", 0);
    AiNodeParamBool(params, -1, "onHitOverride", false);
    AiNodeParamRGB(params, -1, "onHitColor", 0.0f, 1.0f, 0.0f);
    AiNodeParamBool(params, -1, "onNoHitOverride", false);
    AiNodeParamRGB(params, -1, "onNoHitColor", 1.0f, 0.0f, 0.0f);
    AiNodeParamInt(params, -1, "origin", 0);
    AiNodeParamVec(params, -1, "customOrigin", 0.0f, 0.0f, 0.0f);
    AiNodeParamInt(params, -1, "direction", 0);
    AiNodeParamVec(params, -1, "customDirection", 0.0f, 0.0f, 0.0f);
    AiNodeParamFlt(params, -1, "ior", 1.0f);
    AiNodeParamBool(params, -1, "glossy", false);
    AiNodeParamInt(params, -1, "samples", 4);
    AiNodeParamFlt(params, -1, "spread", 0.1f);
}
