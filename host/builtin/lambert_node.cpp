// "lambert": a diffuse surface lit by the scene's lights (and their filters).
//   color (rgb, 0.8): albedo, linkable     weight (float, 1): scales the albedo
#include "builtin/builtin_methods.h"
#include "tracing/lighting.h"

namespace host {

namespace {

constexpr std::array kParams{
    rgbParam("color", 0.8f, 0.8f, 0.8f).help("the surface's albedo"),
    floatParam("weight", 1.0f).help("scales the albedo"),
};
constexpr int kColor = paramIndex(kParams, "color", kTypeRGB);
constexpr int kWeight = paramIndex(kParams, "weight", kTypeFloat);

void parameters(ParamList* params, NodeEntry*) {
    declareParams(params, kParams);
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
