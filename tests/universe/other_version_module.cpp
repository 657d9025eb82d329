// A plug-in module whose NodeLoader writes whatever version the test puts in
// orvTestModuleVersion first (the test reaches it with dlsym before the host loads the module:
// both get the same instance). Its one node type would be a plain shader.
#include "plugin/renderer.h"

namespace {

void parameters(ParamList*, NodeEntry*) {}
void nothing(Node*, void*) {}
void finish(Node*) {}
void evaluate(Node*, ShaderGlobals* sg) {
    sg->out.rgb = RGB{1, 1, 1};
}

const CommonNodeMethods kCommon = {parameters, nothing, nothing, finish};
const ShaderNodeMethods kShader = {evaluate};
const NodeMethods kMethods = {&kCommon, &kShader};

}  // namespace

extern "C" {
__attribute__((visibility("default"))) char orvTestModuleVersion[32] = "4.1.1.0";
}

extern "C" bool NodeLoader(int index, NodeDescriptor* descriptor) {
    for (unsigned i = 0; i < sizeof(descriptor->version); ++i)
        descriptor->version[i] = orvTestModuleVersion[i];
    if (index != 0) return false;
    descriptor->nodeKind = kNodeShader;
    descriptor->outputType = kTypeRGB;
    descriptor->name = "orv_test_versioned";
    descriptor->methods = &kMethods;
    return true;
}
