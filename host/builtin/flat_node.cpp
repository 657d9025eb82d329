// "flat": an unlit surface that shows its colour as it is.
//   color (rgb, 1): linkable
#include "builtin/builtin_methods.h"

namespace host {

namespace {

constexpr std::array kParams{rgbParam("color", 1.0f, 1.0f, 1.0f).help("the colour shown, unlit")};
constexpr int kColor = paramIndex(kParams, "color", kTypeRGB);

void parameters(ParamList* params, NodeEntry*) {
    declareParams(params, kParams);
}

void evaluate(Node* node, ShaderGlobals* sg) {
    sg->out.rgb = AiShaderEvalParamFuncRGB(sg, node, kColor);
}

const CommonNodeMethods kCommon = {parameters, noInitialize, noUpdate, noFinish};
const ShaderNodeMethods kShader = {evaluate};

}  // namespace

const NodeMethods kFlatMethods = {&kCommon, &kShader};

}  // namespace host
