// "flat": an unlit surface that shows its colour as it is.
//   color (rgb, 1): linkable
#include "builtin/builtin_methods.h"

namespace host {

namespace {

void parameters(ParamList* params, NodeEntry*) {
    AiNodeParamRGB(params, -1, "color", 1.0f, 1.0f, 1.0f);
}

void evaluate(Node* node, ShaderGlobals* sg) {
    sg->out.rgb = AiShaderEvalParamFuncRGB(sg, node, 0);
}

const CommonNodeMethods kCommon = {parameters, noInitialize, noUpdate, noFinish};
const ShaderNodeMethods kShader = {evaluate};

}  // namespace

const NodeMethods kFlatMethods = {&kCommon, &kShader};

}  // namespace host
