// One node type, orv_test_tint: its colour times its gain.
#include <orv/renderer.h>

namespace {

void parameters(ParamList* params, NodeEntry*) {
    AiNodeParamRGB(params, -1, "color", 0.25f, 0.5f, 0.75f);
    AiNodeParamFlt(params, -1, "gain", 2.0f);
}
void nothing(Node*, void*) {}
void finish(Node*) {}
void evaluate(Node* node, ShaderGlobals* sg) {
    const RGB color = AiShaderEvalParamFuncRGB(sg, node, 0);
    const float gain = AiShaderEvalParamFuncFlt(sg, node, 1);
    sg->out.rgb = RGB{color.r * gain, color.g * gain, color.b * gain};
}

const CommonNodeMethods kCommon = {parameters, nothing, nothing, finish};
const ShaderNodeMethods kShader = {evaluate};
const NodeMethods kMethods = {&kCommon, &kShader};

}  // namespace

extern "C" bool NodeLoader(int index, NodeDescriptor* descriptor) {
    for (unsigned i = 0; i < sizeof(kRendererVersion); ++i)
        descriptor->version[i] = kRendererVersion[i];
    if (index != 0) return false;
    descriptor->nodeKind = kNodeShader;
    descriptor->outputType = kTypeRGB;
    descriptor->name = "orv_test_tint";
    descriptor->methods = &kMethods;
    return true;
}
