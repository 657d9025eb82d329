// "perspective_camera": a pinhole camera. Not shaded; the renderer reads its stored values,
// which are every camera's (kCameraParams): position, lookAt, up, and fov, the field of view
// across the image's shorter side in degrees, 0.001 to 179.
#include "builtin/builtin_methods.h"
#include "universe/node_kinds.h"

namespace host {

namespace {

void parameters(ParamList* params, NodeEntry*) {
    declareParams(params, kCameraParams);
}

const CommonNodeMethods kCommon = {parameters, noInitialize, noUpdate, noFinish};
const ShaderNodeMethods kShader = {noEvaluate};

}  // namespace

const NodeMethods kCameraMethods = {&kCommon, &kShader};

}  // namespace host
