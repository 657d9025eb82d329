// Placeholder until the node lands: no parameters, writes black.
#include "plugin/node_methods.h"

namespace {
void parameters(ParamList*, NodeEntry*) {}
void initialize(Node*, void*) {}
void update(Node*, void*) {}
void finish(Node*) {}
void evaluate(Node*, ShaderGlobals* sg) {
    sg->out.rgba = RGBA{0, 0, 0, 1};
}
const CommonNodeMethods kCommon = {parameters, initialize, update, finish};
const ShaderNodeMethods kShader = {evaluate};
}  // namespace

const NodeMethods kBlockerMethods = {&kCommon, &kShader};
