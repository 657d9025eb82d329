#include "blocker/blocker_params.h"

void declareBlockerParams(ParamList* params) {
    declareParams(params, kBlockerParams);
}

void readBlockerSetupParams(const Node* node, ShaderGlobals* sg, BlockerParams* params) {
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
