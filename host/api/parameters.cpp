// Parameter declaration and per-sample parameter evaluation.
#include "plugin/renderer.h"
#include "shading/network.h"
#include "universe/node.h"

using host::ParamValue;

namespace {
void declare(ParamList* params, const char* name, const ParamValue& value) {
    // Positions other than -1 are not used by any plug-in; parameters go in declaration order.
    params->type->params.push_back({name, value});
}
}  // namespace

extern "C" {

void AiNodeParamBool(ParamList* params, int, const char* name, bool value) {
    declare(params, name, ParamValue::makeBool(value));
}
void AiNodeParamInt(ParamList* params, int, const char* name, int value) {
    declare(params, name, ParamValue::makeInt(value));
}
void AiNodeParamFlt(ParamList* params, int, const char* name, float value) {
    declare(params, name, ParamValue::makeFloat(value));
}
void AiNodeParamRGB(ParamList* params, int, const char* name, float r, float g, float b) {
    declare(params, name, ParamValue::makeRGB(r, g, b));
}
void AiNodeParamRGBA(ParamList* params, int, const char* name, float r, float g, float b, float a) {
    declare(params, name, ParamValue::makeRGBA(r, g, b, a));
}
void AiNodeParamVec(ParamList* params, int, const char* name, float x, float y, float z) {
    declare(params, name, ParamValue::makeVector(x, y, z));
}

bool AiShaderEvalParamFuncBool(ShaderGlobals* sg, const Node* node, int index) {
    return host::evaluateParam(sg, node, index, kTypeBoolean).boolean;
}
int AiShaderEvalParamFuncInt(ShaderGlobals* sg, const Node* node, int index) {
    return host::evaluateParam(sg, node, index, kTypeInt).integer;
}
float AiShaderEvalParamFuncFlt(ShaderGlobals* sg, const Node* node, int index) {
    return host::evaluateParam(sg, node, index, kTypeFloat).flt;
}
RGB AiShaderEvalParamFuncRGB(ShaderGlobals* sg, const Node* node, int index) {
    return host::evaluateParam(sg, node, index, kTypeRGB).rgb;
}
RGBA AiShaderEvalParamFuncRGBA(ShaderGlobals* sg, const Node* node, int index) {
    return host::evaluateParam(sg, node, index, kTypeRGBA).rgba;
}
Vector AiShaderEvalParamFuncVec(ShaderGlobals* sg, const Node* node, int index) {
    return host::evaluateParam(sg, node, index, kTypeVector).vec;
}

}  // extern "C"
