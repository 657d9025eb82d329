// "point_light" and "spot_light". Not shaded; the renderer builds its lights from their stored
// values, by the light kinds' tables. A light's filters are not parameters: the scene lists
// them on the light.
//   every light's (kLightParams): color (rgb, 1), intensity (float, 1)
//   point and spot: position (vector, 0)
//   spot only: direction (vector, (0, -1, 0)), coneAngle (float, 30: full opening, degrees),
//   penumbraAngle (float, 5: soft edge inside the cone, degrees)
#include "builtin/builtin_methods.h"
#include "tracing/light_models.h"

namespace host {

namespace {

void pointParameters(ParamList* params, NodeEntry*) {
    declareParams(params, kPointLightParams);
}

void spotParameters(ParamList* params, NodeEntry*) {
    declareParams(params, kSpotLightParams);
}

const CommonNodeMethods kPointCommon = {pointParameters, noInitialize, noUpdate, noFinish};
const CommonNodeMethods kSpotCommon = {spotParameters, noInitialize, noUpdate, noFinish};
const ShaderNodeMethods kShader = {noEvaluate};

}  // namespace

const NodeMethods kPointLightMethods = {&kPointCommon, &kShader};
const NodeMethods kSpotLightMethods = {&kSpotCommon, &kShader};

}  // namespace host
