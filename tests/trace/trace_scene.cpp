#include "trace_scene.h"

#include "geometry/object_types.h"
#include "shading/network.h"
#include "shading/sample_state.h"

namespace test {

ShadedSample& lastShaded() {
    static ShadedSample sample;
    return sample;
}

namespace {

void shaderParameters(ParamList* params, NodeEntry*) {
    AiNodeParamRGB(params, -1, "color", 1.0f, 1.0f, 1.0f);
}
void nothing(Node*, void*) {}
void finishNothing(Node*) {}
void shaderEvaluate(Node* node, ShaderGlobals* sg) {
    ShadedSample& seen = lastShaded();
    ++seen.evaluations;
    seen.rayType = sg->host ? sg->host->rayType : 0;
    seen.rayDepth = sg->host ? sg->host->rayDepth : 0;
    seen.rayDirection = sg->rayDirection;
    seen.normal = sg->normal;
    seen.alternateNormal = sg->alternateNormal;
    seen.object = sg->object;
    if (seen.directionLog) seen.directionLog->push_back(sg->rayDirection);
    sg->out.rgb = AiShaderEvalParamFuncRGB(sg, node, 0);
}
const CommonNodeMethods kShaderCommon = {shaderParameters, nothing, nothing, finishNothing};
const ShaderNodeMethods kShaderShader = {shaderEvaluate};
const NodeMethods kShaderMethods = {&kShaderCommon, &kShaderShader};

}  // namespace

TraceScene::TraceScene() {
    host::registerObjectTypes(net.universe().registry());
    NodeDescriptor d{};
    d.nodeKind = kNodeShader;
    d.outputType = kTypeRGB;
    d.name = "trace_test_shader";
    d.methods = &kShaderMethods;
    net.universe().registry().add(d, "test");
    lastShaded() = ShadedSample{};
    world.backgroundColor = RGB{0.1f, 0.2f, 0.3f};
}

Node* TraceScene::shader(const std::string& name, RGB color) {
    Node* node = net.add("trace_test_shader", name);
    net.set(name + ".color", color);
    return node;
}

void TraceScene::setNode(const std::string& nodeDotParam, const std::string& target) {
    net.setValue(nodeDotParam, host::ParamValue::makeNode(net.node(target)));
}

Node* TraceScene::sphere(const std::string& name, Vector centre, float radius,
                         const std::string& shaderName) {
    Node* node = net.add("sphere", name);
    net.set(name + ".translate", centre).set(name + ".radius", radius);
    if (!shaderName.empty()) setNode(name + ".shader", shaderName);
    return node;
}

Node* TraceScene::plane(const std::string& name, Vector translate, Vector rotate, float size,
                        const std::string& shaderName) {
    Node* node = net.add("plane", name);
    net.set(name + ".translate", translate).set(name + ".rotate", rotate).set(name + ".size", size);
    if (!shaderName.empty()) setNode(name + ".shader", shaderName);
    return node;
}

void TraceScene::build() {
    geometry_ = std::make_unique<host::GeometryScene>(net.universe());
    world.geometry = geometry_.get();
    net.setWorld(&world);
}

ShaderGlobals TraceScene::sampleAt(Vector point, Vector direction, Node* object) {
    ShaderGlobals sg = host::blankShaderGlobals();
    sg.point = point;
    sg.rayDirection = direction;
    sg.object = object;
    return sg;
}

RGB TraceScene::color(const std::string& node, const ShaderGlobals& sg) {
    return net.evaluate(node, sg).rgb;
}

RGB TraceScene::colorWithoutUpdate(const std::string& node, ShaderGlobals sg, int rayDepth) {
    host::SampleScope scope(net.thread(0), sg, &world, rayDepth);
    host::evaluateNode(net.node(node), &sg);
    return sg.out.rgb;
}

}  // namespace test
