// "environment": what a ray sees in its direction (sg->rayDirection) when it leaves the scene.
//   mode (int, 1): 0 constant `color`; anything else the gradient from `color` at the horizon
//   to `zenith` along `up` and `nadir` against it
//   color (rgb, 0.5)   zenith (rgb, (0.2, 0.4, 0.9))   nadir (rgb, 0.1)   up (vector, (0, 1, 0))
#include "builtin/builtin_methods.h"
#include "builtin/sky_gradient.h"

namespace host {

namespace {

enum { kMode, kColor, kZenith, kNadir, kUp };

void parameters(ParamList* params, NodeEntry*) {
    AiNodeParamInt(params, -1, "mode", 1);
    AiNodeParamRGB(params, -1, "color", 0.5f, 0.5f, 0.5f);
    AiNodeParamRGB(params, -1, "zenith", 0.2f, 0.4f, 0.9f);
    AiNodeParamRGB(params, -1, "nadir", 0.1f, 0.1f, 0.1f);
    AiNodeParamVec(params, -1, "up", 0.0f, 1.0f, 0.0f);
}

void evaluate(Node* node, ShaderGlobals* sg) {
    const int mode = AiShaderEvalParamFuncInt(sg, node, kMode);
    const RGB horizon = AiShaderEvalParamFuncRGB(sg, node, kColor);
    if (mode == 0) {
        sg->out.rgb = horizon;
        return;
    }
    const RGB zenith = AiShaderEvalParamFuncRGB(sg, node, kZenith);
    const RGB nadir = AiShaderEvalParamFuncRGB(sg, node, kNadir);
    const Vector up = AiShaderEvalParamFuncVec(sg, node, kUp);
    sg->out.rgb = skyGradient(sg->rayDirection, up, horizon, zenith, nadir);
}

const CommonNodeMethods kCommon = {parameters, noInitialize, noUpdate, noFinish};
const ShaderNodeMethods kShader = {evaluate};

}  // namespace

const NodeMethods kEnvironmentMethods = {&kCommon, &kShader};

}  // namespace host
