// "checker": a world-space 3D checkerboard of two linkable colours.
//   color1 (rgb, 0.9)   color2 (rgb, 0.1)   frequency (float, 1): cubes per world unit
#include "builtin/builtin_methods.h"
#include "builtin/checker_pattern.h"

namespace host {

namespace {

constexpr std::array kParams{
    rgbParam("color1", 0.9f, 0.9f, 0.9f).help("the colour of one set of cubes"),
    rgbParam("color2", 0.1f, 0.1f, 0.1f).help("the colour of the others"),
    floatParam("frequency", 1.0f).help("cubes per world unit"),
};
constexpr int kColor1 = paramIndex(kParams, "color1", kTypeRGB);
constexpr int kColor2 = paramIndex(kParams, "color2", kTypeRGB);
constexpr int kFrequency = paramIndex(kParams, "frequency", kTypeFloat);

void parameters(ParamList* params, NodeEntry*) {
    declareParams(params, kParams);
}

void evaluate(Node* node, ShaderGlobals* sg) {
    const float frequency = AiShaderEvalParamFuncFlt(sg, node, kFrequency);
    // Only the chosen colour's network runs.
    const int cell = checkerCell(sg->point, frequency);
    sg->out.rgb = AiShaderEvalParamFuncRGB(sg, node, cell == 0 ? kColor1 : kColor2);
}

const CommonNodeMethods kCommon = {parameters, noInitialize, noUpdate, noFinish};
const ShaderNodeMethods kShader = {evaluate};

}  // namespace

const NodeMethods kCheckerMethods = {&kCommon, &kShader};

}  // namespace host
