#include "builtin/host_node_types.h"

#include "builtin/builtin_methods.h"
#include "geometry/object_types.h"
#include "tracing/light_models.h"

namespace host {

namespace {

struct BuiltinRow {
    const char* name;
    int32_t kind;
    uint8_t outputType;
    const NodeMethods* methods;
    const LightModel* light;  ///< a light type's kind
};

const BuiltinRow kBuiltins[] = {
    {"lambert", kNodeShader, kTypeRGB, &kLambertMethods, nullptr},
    {"flat", kNodeShader, kTypeRGB, &kFlatMethods, nullptr},
    {"checker", kNodeShader, kTypeRGB, &kCheckerMethods, nullptr},
    {"state", kNodeShader, kTypeVector, &kStateMethods, nullptr},
    {"environment", kNodeShader, kTypeRGB, &kEnvironmentMethods, nullptr},
    {"perspective_camera", kNodeCamera, kTypeNone, &kCameraMethods, nullptr},
    {"point_light", kNodeLight, kTypeNone, &kPointLightMethods, &kPointLight},
    {"spot_light", kNodeLight, kTypeNone, &kSpotLightMethods, &kSpotLight},
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
        registry.add(descriptor, "built-in", row.light);
    }
    registerObjectTypes(registry);
}

}  // namespace host
