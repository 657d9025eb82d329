// A plug-in module of two shaders, orv_test_table_good and then orv_test_table_flawed, whose
// parameter table has the flaw named by ORV_TEST_TABLE_FLAW when the module's types register:
// "duplicate", "empty", "null", "type" or "name"; or, for "light", the flawed type is a light,
// whose parameters do not begin with every light's. Unset, both tables are sound.
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "plugin/renderer.h"

namespace {

void goodParameters(ParamList* params, NodeEntry*) {
    AiNodeParamFlt(params, -1, "gain", 1.0f);
}

void flawedParameters(ParamList* params, NodeEntry*) {
    const char* flaw = std::getenv("ORV_TEST_TABLE_FLAW");
    const std::string_view which = flaw ? flaw : "";
    AiNodeParamFlt(params, -1, "gain", 1.0f);
    if (which == "duplicate") AiNodeParamInt(params, -1, "gain", 2);
    if (which == "empty") AiNodeParamInt(params, -1, "", 0);
    if (which == "null") AiNodeParamInt(params, -1, nullptr, 0);
    if (which == "type" || which == "name") AiNodeParamInt(params, -1, flaw, 0);
}

void nothing(Node*, void*) {}
void finish(Node*) {}
void evaluate(Node*, ShaderGlobals* sg) {
    sg->out.rgb = RGB{0.5f, 0.5f, 0.5f};
}

const CommonNodeMethods kGoodCommon = {goodParameters, nothing, nothing, finish};
const CommonNodeMethods kFlawedCommon = {flawedParameters, nothing, nothing, finish};
const ShaderNodeMethods kShader = {evaluate};
const NodeMethods kGood = {&kGoodCommon, &kShader};
const NodeMethods kFlawed = {&kFlawedCommon, &kShader};

}  // namespace

extern "C" bool NodeLoader(int index, NodeDescriptor* descriptor) {
    if (index > 1) return false;
    std::strncpy(descriptor->version, kRendererVersion, sizeof(descriptor->version));
    const char* flaw = std::getenv("ORV_TEST_TABLE_FLAW");
    const bool light = index == 1 && flaw && std::string_view(flaw) == "light";
    descriptor->nodeKind = light ? kNodeLight : kNodeShader;
    descriptor->outputType = kTypeRGB;
    descriptor->name = index == 0 ? "orv_test_table_good" : "orv_test_table_flawed";
    descriptor->methods = index == 0 ? &kGood : &kFlawed;
    return true;
}
