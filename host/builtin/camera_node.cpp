// "perspective_camera": a pinhole camera. Not shaded; the renderer reads its stored values.
//   position (vector, (0, 0, 5))   lookAt (vector, 0)   up (vector, (0, 1, 0))
//   fov (float, 40): field of view across the image's shorter side, degrees, 0.001 to 179
#include "builtin/builtin_methods.h"

namespace host {

namespace {

void parameters(ParamList* params, NodeEntry*) {
    AiNodeParamVec(params, -1, "position", 0.0f, 0.0f, 5.0f);
    AiNodeParamVec(params, -1, "lookAt", 0.0f, 0.0f, 0.0f);
    AiNodeParamVec(params, -1, "up", 0.0f, 1.0f, 0.0f);
    AiNodeParamFlt(params, -1, "fov", 40.0f);
}

const CommonNodeMethods kCommon = {parameters, noInitialize, noUpdate, noFinish};
const ShaderNodeMethods kShader = {noEvaluate};

}  // namespace

const NodeMethods kCameraMethods = {&kCommon, &kShader};

}  // namespace host
