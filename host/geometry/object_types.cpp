#include "geometry/object_types.h"

namespace host {

namespace {

void sphereParameters(ParamList* params, NodeEntry*) {
    declareParams(params, kSphereParams);
}
void planeParameters(ParamList* params, NodeEntry*) {
    declareParams(params, kPlaneParams);
}
void boxParameters(ParamList* params, NodeEntry*) {
    declareParams(params, kObjectParams);
}
void meshParameters(ParamList* params, NodeEntry*) {
    declareParams(params, kMeshParams);
}

// Objects keep no local data: GeometryScene reads their stored parameters when it is built.
void noInitialize(Node*, void*) {}
void noUpdate(Node*, void*) {}
void noFinish(Node*) {}
void noEvaluate(Node*, ShaderGlobals*) {}

const ShaderNodeMethods kNotShaded = {noEvaluate};
const CommonNodeMethods kSphereCommon = {sphereParameters, noInitialize, noUpdate, noFinish};
const CommonNodeMethods kPlaneCommon = {planeParameters, noInitialize, noUpdate, noFinish};
const CommonNodeMethods kBoxCommon = {boxParameters, noInitialize, noUpdate, noFinish};
const CommonNodeMethods kMeshCommon = {meshParameters, noInitialize, noUpdate, noFinish};
const NodeMethods kSphereMethods = {&kSphereCommon, &kNotShaded};
const NodeMethods kPlaneMethods = {&kPlaneCommon, &kNotShaded};
const NodeMethods kBoxMethods = {&kBoxCommon, &kNotShaded};
const NodeMethods kMeshMethods = {&kMeshCommon, &kNotShaded};

struct ObjectRow {
    const char* name;
    const NodeMethods* methods;
};
const ObjectRow kObjects[] = {
    {"sphere", &kSphereMethods},
    {"plane", &kPlaneMethods},
    {"box", &kBoxMethods},
    {"mesh", &kMeshMethods},
};

}  // namespace

void registerObjectTypes(NodeTypeRegistry& registry) {
    for (const ObjectRow& row : kObjects) {
        NodeDescriptor descriptor{};
        descriptor.nodeKind = kNodeShape;
        descriptor.outputType = kTypeNone;
        descriptor.name = row.name;
        descriptor.methods = row.methods;
        registry.add(descriptor, "built-in");
    }
}

}  // namespace host
