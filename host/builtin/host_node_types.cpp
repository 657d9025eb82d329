#include "builtin/host_node_types.h"

#include "builtin/builtin_methods.h"
#include "geometry/object_types.h"

namespace host {

namespace {

struct BuiltinRow {
    const char* name;
    int32_t kind;
    uint8_t outputType;
    const NodeMethods* methods;
};

const BuiltinRow kBuiltins[] = {
    {"lambert", kNodeShader, kTypeRGB, &kLambertMethods},
    {"flat", kNodeShader, kTypeRGB, &kFlatMethods},
    {"checker", kNodeShader, kTypeRGB, &kCheckerMethods},
    {"state", kNodeShader, kTypeVector, &kStateMethods},
    {"environment", kNodeShader, kTypeRGB, &kEnvironmentMethods},
    {"perspective_camera", kNodeCamera, kTypeNone, &kCameraMethods},
    {"point_light", kNodeLight, kTypeNone, &kPointLightMethods},
    {"spot_light", kNodeLight, kTypeNone, &kSpotLightMethods},
};

}  // namespace

void noInitialize(Node*, void*) {}
void noUpdate(Node*, void*) {}
void noFinish(Node*) {}
void noEvaluate(Node*, ShaderGlobals*) {}

void registerHostNodeTypes(NodeTypeRegistry& registry) {
    for (const BuiltinRow& row : kBuiltins) {
        NodeDescriptor descriptor{};
        descriptor.nodeKind = row.kind;
        descriptor.outputType = row.outputType;
        descriptor.name = row.name;
        descriptor.methods = row.methods;
        registry.add(descriptor, "built-in");
    }
    registerObjectTypes(registry);
}

}  // namespace host
