#include "radio_test_nodes.h"

#include "radio/channel_record.h"
#include "shading/network.h"
#include "universe/node.h"

namespace radiotest {

namespace {

Hook* hookOf(const Node* node) {
    return static_cast<Hook*>(node->localData);
}

void hookInitialize(Node* node, void*) {
    node->localData = new Hook;
}
void hookUpdate(Node*, void*) {}
void hookFinish(Node* node) {
    delete hookOf(node);
    node->localData = nullptr;
}

void runHook(Node* node, ShaderGlobals* sg) {
    Hook* hook = hookOf(node);
    if (!hook) return;
    hook->evaluations.fetch_add(1, std::memory_order_relaxed);
    if (hook->run) {
        const ShaderValue kept = sg->out;
        hook->run(sg);
        sg->out = kept;
    }
}

void colorParameters(ParamList* p, NodeEntry*) {
    AiNodeParamRGBA(p, -1, "value", 0.25f, 0.5f, 0.75f, 1.0f);
}
void colorEvaluate(Node* node, ShaderGlobals* sg) {
    const auto value = AiShaderEvalParamFuncRGBA(sg, node, 0);
    runHook(node, sg);
    sg->out.rgba = value;
}
void floatParameters(ParamList* p, NodeEntry*) {
    AiNodeParamFlt(p, -1, "value", 0.0f);
}
void floatEvaluate(Node* node, ShaderGlobals* sg) {
    const auto value = AiShaderEvalParamFuncFlt(sg, node, 0);
    runHook(node, sg);
    sg->out.flt = value;
}
void intParameters(ParamList* p, NodeEntry*) {
    AiNodeParamInt(p, -1, "value", 0);
}
void intEvaluate(Node* node, ShaderGlobals* sg) {
    const auto value = AiShaderEvalParamFuncInt(sg, node, 0);
    runHook(node, sg);
    sg->out.integer = value;
}
void boolParameters(ParamList* p, NodeEntry*) {
    AiNodeParamBool(p, -1, "value", false);
}
void boolEvaluate(Node* node, ShaderGlobals* sg) {
    const auto value = AiShaderEvalParamFuncBool(sg, node, 0);
    runHook(node, sg);
    sg->out.boolean = value;
}
void vectorParameters(ParamList* p, NodeEntry*) {
    AiNodeParamVec(p, -1, "value", 0.0f, 0.0f, 0.0f);
}
void vectorEvaluate(Node* node, ShaderGlobals* sg) {
    const auto value = AiShaderEvalParamFuncVec(sg, node, 0);
    runHook(node, sg);
    sg->out.vec = value;
}

#define HOOK_TYPE(kind)                                                                      \
    const CommonNodeMethods k##kind##Common = {kind##Parameters, hookInitialize, hookUpdate, \
                                               hookFinish};                                  \
    const ShaderNodeMethods k##kind##Shader = {kind##Evaluate};                              \
    const NodeMethods k##kind##Methods = {&k##kind##Common, &k##kind##Shader};
HOOK_TYPE(color)
HOOK_TYPE(float)
HOOK_TYPE(int)
HOOK_TYPE(bool)
HOOK_TYPE(vector)
#undef HOOK_TYPE

void registerType(host::Universe& universe, const char* name, uint8_t output,
                  const NodeMethods* methods) {
    NodeDescriptor d{};
    d.nodeKind = kNodeShader;
    d.outputType = output;
    d.name = name;
    d.methods = methods;
    universe.registry().add(d, "radio tests");
}

}  // namespace

RadioNet::RadioNet() {
    registerType(universe(), "test_hook_color", kTypeRGBA, &kcolorMethods);
    registerType(universe(), "test_hook_float", kTypeFloat, &kfloatMethods);
    registerType(universe(), "test_hook_int", kTypeInt, &kintMethods);
    registerType(universe(), "test_hook_bool", kTypeBoolean, &kboolMethods);
    registerType(universe(), "test_hook_vector", kTypeVector, &kvectorMethods);
}

Hook& RadioNet::hook(const std::string& name) {
    Node* n = node(name);
    if (!n->initialized) prepare();
    return *hookOf(n);
}

ShaderValue RadioNet::shade(const std::string& name, int threadIndex) {
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(thread(threadIndex), sg);
    host::evaluateNode(node(name), &sg);
    return sg.out;
}

ShaderValue evaluateWithin(ShaderGlobals* sg, Node* node) {
    const ShaderValue kept = sg->out;
    host::evaluateNode(node, sg);
    const ShaderValue produced = sg->out;
    sg->out = kept;
    return produced;
}

const orv::ChannelRecord* publishedChannel(ShaderGlobals* sg, int c) {
    void* found = nullptr;
    if (!AiMessageGetPtrFunc(sg, orv::channelNames[c], &found)) return nullptr;
    return static_cast<const orv::ChannelRecord*>(found);
}

}  // namespace radiotest
