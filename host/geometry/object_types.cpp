#include "geometry/object_types.h"

namespace host {

namespace {

/// Node parameters have no AiNodeParam call; the host declares them on the type directly.
void declareCommon(ParamList* params) {
    params->type->params.push_back({"shader", ParamValue::makeNode(nullptr)});
    AiNodeParamVec(params, -1, "translate", 0.0f, 0.0f, 0.0f);
    AiNodeParamVec(params, -1, "rotate", 0.0f, 0.0f, 0.0f);
    AiNodeParamVec(params, -1, "scale", 1.0f, 1.0f, 1.0f);
}

void sphereParameters(ParamList* params, NodeEntry*) {
    declareCommon(params);
    AiNodeParamFlt(params, -1, "radius", 1.0f);
}
void planeParameters(ParamList* params, NodeEntry*) {
    declareCommon(params);
    AiNodeParamFlt(params, -1, "size", 100.0f);
}
void boxParameters(ParamList* params, NodeEntry*) {
    declareCommon(params);
}
void meshParameters(ParamList* params, NodeEntry*) {
    declareCommon(params);
    params->type->params.push_back({"file", ParamValue::makeString("")});
}

// Objects keep no local data: GeometryScene reads their stored parameters when it is built.
void noInitialize(Node*, void*) {}
void noUpdate(Node*, void*) {}
void noFinish(Node*) {}
void noEvaluate(Node*, ShaderGlobals*) {}

const ShaderNodeMethods kObjectShader = {noEvaluate};
const CommonNodeMethods kSphereCommon = {sphereParameters, noInitialize, noUpdate, noFinish};
const CommonNodeMethods kPlaneCommon = {planeParameters, noInitialize, noUpdate, noFinish};
const CommonNodeMethods kBoxCommon = {boxParameters, noInitialize, noUpdate, noFinish};
const CommonNodeMethods kMeshCommon = {meshParameters, noInitialize, noUpdate, noFinish};
const NodeMethods kSphereMethods = {&kSphereCommon, &kObjectShader};
const NodeMethods kPlaneMethods = {&kPlaneCommon, &kObjectShader};
const NodeMethods kBoxMethods = {&kBoxCommon, &kObjectShader};
const NodeMethods kMeshMethods = {&kMeshCommon, &kObjectShader};

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
