#include "support/test_nodes.h"

#include <atomic>

namespace test {

std::vector<std::string>& recorderEvents() {
    static std::vector<std::string> events;
    return events;
}

std::atomic<int>& constantEvaluations() {
    static std::atomic<int> count{0};
    return count;
}

namespace {

void log(const char* what, const Node* node) {
    recorderEvents().push_back(std::string(what) + ":" + node->name);
}

void recorderParameters(ParamList* params, NodeEntry*) {
    AiNodeParamFlt(params, -1, "value", 0.5f);
    AiNodeParamInt(params, -1, "count", 3);
    AiNodeParamRGB(params, -1, "tint", 1, 0.5f, 0.25f);
}
void recorderInitialize(Node* node, void*) {
    log("initialize", node);
}
void recorderUpdate(Node* node, void*) {
    log("update", node);
}
void recorderFinish(Node* node) {
    log("finish", node);
}
void recorderEvaluate(Node* node, ShaderGlobals* sg) {
    log("evaluate", node);
    sg->out.flt = AiShaderEvalParamFuncFlt(sg, node, 0);
}

void constantParameters(ParamList* params, NodeEntry*) {
    AiNodeParamRGBA(params, -1, "color", 0.25f, 0.5f, 0.75f, 1.0f);
}
void nothing(Node*, void*) {}
void finishNothing(Node*) {}
void constantEvaluate(Node* node, ShaderGlobals* sg) {
    ++constantEvaluations();
    sg->out.rgba = AiShaderEvalParamFuncRGBA(sg, node, 0);
}

void writerParameters(ParamList*, NodeEntry*) {}
void writerEvaluate(Node* node, ShaderGlobals* sg) {
    void* found = nullptr;
    const bool already = AiMessageGetPtrFunc(sg, "probe", &found);
    AiMessageSetPtrFunc(sg, "probe", node);
    sg->out.integer = already ? 1 : 0;
}

const CommonNodeMethods kRecorderCommon = {recorderParameters, recorderInitialize, recorderUpdate,
                                           recorderFinish};
const ShaderNodeMethods kRecorderShader = {recorderEvaluate};
const NodeMethods kRecorder = {&kRecorderCommon, &kRecorderShader};
const CommonNodeMethods kConstantCommon = {constantParameters, nothing, nothing, finishNothing};
const ShaderNodeMethods kConstantShader = {constantEvaluate};
const NodeMethods kConstant = {&kConstantCommon, &kConstantShader};
const CommonNodeMethods kWriterCommon = {writerParameters, nothing, nothing, finishNothing};
const ShaderNodeMethods kWriterShader = {writerEvaluate};
const NodeMethods kWriter = {&kWriterCommon, &kWriterShader};

void add(host::Universe& universe, const char* name, uint8_t output, const NodeMethods* methods) {
    NodeDescriptor d{};
    d.nodeKind = kNodeShader;
    d.outputType = output;
    d.name = name;
    d.methods = methods;
    universe.registry().add(d, "test");
}

}  // namespace

void registerTestNodes(host::Universe& universe) {
    add(universe, "test_recorder", kTypeFloat, &kRecorder);
    add(universe, "test_constant", kTypeRGB, &kConstant);
    add(universe, "test_message_writer", kTypeInt, &kWriter);
}

}  // namespace test
