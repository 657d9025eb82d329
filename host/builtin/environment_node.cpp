// "environment": what a ray sees in its direction (sg->rayDirection) when it leaves the scene.
//   mode (int, 1): 0 constant `color`; anything else the gradient from `color` at the horizon
//   to `zenith` along `up` and `nadir` against it
//   color (rgb, 0.5)   zenith (rgb, (0.2, 0.4, 0.9))   nadir (rgb, 0.1)   up (vector, (0, 1, 0))
//   reflect (bool, false): look along the incoming direction mirrored about the shading normal,
//   as a reflection would. orv_trace's environment lookups hand the shader their direction
//   already mirrored once, so an environment used there sets this to look along that direction.
#include "builtin/builtin_methods.h"
#include "builtin/sky_gradient.h"

namespace host {

namespace {

constexpr std::array kParams{
    intParam("mode", 1)
        .named("0 constant color, 1 gradient", "gives the gradient, as 1 does")
        .help("one colour everywhere, or a gradient from the horizon up and down"),
    rgbParam("color", 0.5f, 0.5f, 0.5f).help("the colour, at the horizon for the gradient"),
    rgbParam("zenith", 0.2f, 0.4f, 0.9f).help("the gradient's colour looking along up"),
    rgbParam("nadir", 0.1f, 0.1f, 0.1f).help("the gradient's colour looking against up"),
    vectorParam("up", 0.0f, 1.0f, 0.0f).help("the gradient's zenith direction"),
    boolParam("reflect", false)
        .help("looks along the incoming direction mirrored about the normal, as a reflection "
              "does"),
};
constexpr int kMode = paramIndex(kParams, "mode", kTypeInt);
constexpr int kColor = paramIndex(kParams, "color", kTypeRGB);
constexpr int kZenith = paramIndex(kParams, "zenith", kTypeRGB);
constexpr int kNadir = paramIndex(kParams, "nadir", kTypeRGB);
constexpr int kUp = paramIndex(kParams, "up", kTypeVector);
constexpr int kReflect = paramIndex(kParams, "reflect", kTypeBoolean);

void parameters(ParamList* params, NodeEntry*) {
    declareParams(params, kParams);
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
    Vector direction = sg->rayDirection;
    if (AiShaderEvalParamFuncBool(sg, node, kReflect))
        AiReflect(&sg->rayDirection, &sg->normal, &direction);
    sg->out.rgb = skyGradient(direction, up, horizon, zenith, nadir);
}

const CommonNodeMethods kCommon = {parameters, noInitialize, noUpdate, noFinish};
const ShaderNodeMethods kShader = {evaluate};

}  // namespace

const NodeMethods kEnvironmentMethods = {&kCommon, &kShader};

}  // namespace host
