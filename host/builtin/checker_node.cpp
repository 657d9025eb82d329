// "checker": a world-space 3D checkerboard of two linkable colours.
//   color1 (rgb, 0.9)   color2 (rgb, 0.1)   frequency (float, 1): cubes per world unit
#include "builtin/builtin_methods.h"
#include "builtin/checker_pattern.h"

namespace host {

namespace {

enum { kColor1, kColor2, kFrequency };

void parameters(ParamList* params, NodeEntry*) {
    AiNodeParamRGB(params, -1, "color1", 0.9f, 0.9f, 0.9f);
    AiNodeParamRGB(params, -1, "color2", 0.1f, 0.1f, 0.1f);
    AiNodeParamFlt(params, -1, "frequency", 1.0f);
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
