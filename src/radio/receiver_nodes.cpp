// Placeholder until the receivers land: no parameters, writes zero.
#include "plugin/node_methods.h"

namespace {
void parameters(ParamList*, NodeEntry*) {}
void initialize(Node*, void*) {}
void update(Node*, void*) {}
void finish(Node*) {}
void evaluate(Node*, ShaderGlobals* sg) {
    sg->out.rgba = RGBA{0, 0, 0, 0};
}
const CommonNodeMethods kCommon = {parameters, initialize, update, finish};
const ShaderNodeMethods kShader = {evaluate};
}  // namespace

const NodeMethods kRadioColorMethods = {&kCommon, &kShader};
const NodeMethods kRadioScalarMethods = {&kCommon, &kShader};
const NodeMethods kRadioIntegerMethods = {&kCommon, &kShader};
const NodeMethods kRadioBooleanMethods = {&kCommon, &kShader};
const NodeMethods kRadioVectorMethods = {&kCommon, &kShader};
