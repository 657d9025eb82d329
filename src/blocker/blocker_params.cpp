#include "blocker/blocker_params.h"

void declareBlockerParams(ParamList* params) {
    AiNodeParamBool(params, -1, "mute", false);
    AiNodeParamRGB(params, -1, "bFilter", 0.0f, 0.0f, 0.0f);
    AiNodeParamInt(params, -1, "bType", 0);
    AiNodeParamVec(params, -1, "bScale", 1.0f, 1.0f, 1.0f);
    AiNodeParamVec(params, -1, "bRot", 0.0f, 0.0f, 0.0f);
    AiNodeParamVec(params, -1, "bTransl", 0.0f, 0.0f, 0.0f);
    AiNodeParamBool(params, -1, "bPositive", true);
    AiNodeParamFlt(params, -1, "bExtraScale", 1.0f);
    AiNodeParamInt(params, -1, "bDecayPower", 1);
}

void readBlockerParams(const Node* node, ShaderGlobals* sg, bool once, BlockerParams* params) {
    if (!once) {
        params->bFilter.setFromColorParam(sg, node, kParamFilter);
        return;
    }
    params->mute = AiShaderEvalParamFuncBool(sg, node, kParamMute);
    if (params->mute) return;
    params->bType = AiShaderEvalParamFuncInt(sg, node, kParamType);
    params->bScale.setFromVectorParam(sg, node, kParamScale);
    params->bRot.setFromVectorParam(sg, node, kParamRot);
    params->bTransl.setFromVectorParam(sg, node, kParamTransl);
    params->bPositive = AiShaderEvalParamFuncBool(sg, node, kParamPositive);
    params->bExtraScale = AiShaderEvalParamFuncFlt(sg, node, kParamExtraScale);
    params->bDecayPower = AiShaderEvalParamFuncInt(sg, node, kParamDecayPower);
}
