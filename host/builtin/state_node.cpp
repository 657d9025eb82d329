// "state": a vector from the sample's shading context.
//   mode (int, 0): 0 shading point, 1 shading normal, 2 geometric normal, 3 incoming ray
//   direction; any other value gives (0, 0, 0).
#include "builtin/builtin_methods.h"

namespace host {

namespace {

constexpr std::array kParams{
    intParam("mode", 0)
        .named("0 shading point, 1 shading normal, 2 geometric normal, 3 incoming direction",
               "gives (0, 0, 0)")
        .help("which vector of the sample to give"),
};
constexpr int kMode = paramIndex(kParams, "mode", kTypeInt);

void parameters(ParamList* params, NodeEntry*) {
    declareParams(params, kParams);
}

void evaluate(Node* node, ShaderGlobals* sg) {
    switch (AiShaderEvalParamFuncInt(sg, node, kMode)) {
        case 0:
            sg->out.vec = sg->point;
            break;
        case 1:
            sg->out.vec = sg->normal;
            break;
        case 2:
            sg->out.vec = sg->geometricNormal;
            break;
        case 3:
            sg->out.vec = sg->rayDirection;
            break;
        default:
            sg->out.vec = Vector{0, 0, 0};
            break;
    }
}

const CommonNodeMethods kCommon = {parameters, noInitialize, noUpdate, noFinish};
const ShaderNodeMethods kShader = {evaluate};

}  // namespace

const NodeMethods kStateMethods = {&kCommon, &kShader};

}  // namespace host
