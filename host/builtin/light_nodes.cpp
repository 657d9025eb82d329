// "point_light" and "spot_light". Not shaded; the renderer builds its lights from their stored
// values. A light's filters are not parameters: the scene lists them on the light.
//   color (rgb, 1)   intensity (float, 1)   position (vector, 0)
//   spot only: direction (vector, (0, -1, 0)), coneAngle (float, 30: full opening, degrees),
//   penumbraAngle (float, 5: soft edge inside the cone, degrees)
#include "builtin/builtin_methods.h"

namespace host {

namespace {

void pointParameters(ParamList* params, NodeEntry*) {
    AiNodeParamRGB(params, -1, "color", 1.0f, 1.0f, 1.0f);
    AiNodeParamFlt(params, -1, "intensity", 1.0f);
    AiNodeParamVec(params, -1, "position", 0.0f, 0.0f, 0.0f);
}

void spotParameters(ParamList* params, NodeEntry* entry) {
    pointParameters(params, entry);
    AiNodeParamVec(params, -1, "direction", 0.0f, -1.0f, 0.0f);
    AiNodeParamFlt(params, -1, "coneAngle", 30.0f);
    AiNodeParamFlt(params, -1, "penumbraAngle", 5.0f);
}

const CommonNodeMethods kPointCommon = {pointParameters, noInitialize, noUpdate, noFinish};
const CommonNodeMethods kSpotCommon = {spotParameters, noInitialize, noUpdate, noFinish};
const ShaderNodeMethods kShader = {noEvaluate};

}  // namespace

const NodeMethods kPointLightMethods = {&kPointCommon, &kShader};
const NodeMethods kSpotLightMethods = {&kSpotCommon, &kShader};

}  // namespace host
