// "lambert": a diffuse surface lit by the scene's lights (and their filters).
//   color (rgb, 0.8): albedo, linkable     weight (float, 1): scales the albedo
#include "builtin/builtin_methods.h"
#include "tracing/lighting.h"

namespace host {

namespace {

enum { kColor, kWeight };

void parameters(ParamList* params, NodeEntry*) {
    AiNodeParamRGB(params, -1, "color", 0.8f, 0.8f, 0.8f);
    AiNodeParamFlt(params, -1, "weight", 1.0f);
}

void evaluate(Node* node, ShaderGlobals* sg) {
    const RGB color = AiShaderEvalParamFuncRGB(sg, node, kColor);
    const float weight = AiShaderEvalParamFuncFlt(sg, node, kWeight);
    const RGB albedo{color.r * weight, color.g * weight, color.b * weight};
    sg->out.rgb = directLighting(sg, albedo);
}

const CommonNodeMethods kCommon = {parameters, noInitialize, noUpdate, noFinish};
const ShaderNodeMethods kShader = {evaluate};

}  // namespace

const NodeMethods kLambertMethods = {&kCommon, &kShader};

}  // namespace host
