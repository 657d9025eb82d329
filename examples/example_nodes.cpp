// Two node types written from <orv/renderer.h> alone:
//   example_tint   a shader: the colour linked into `color`, times `tint`
//   example_dimmer a light filter: light reaching points below the height `below` is dimmed by
//                  `stops` photographic stops, a factor worked out once per update
#include <orv/renderer.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

// --- example_tint ---------------------------------------------------------------------------

// Parameters are read by index, in the order they are declared.
enum TintParam { kTintColor, kTintTint };

void tintParameters(ParamList* params, NodeEntry*) {
    AiNodeParamRGB(params, -1, "color", 1.0f, 1.0f, 1.0f);
    AiNodeParamRGB(params, -1, "tint", 1.0f, 0.5f, 0.25f);
}

void nothing(Node*, void*) {}
void finishNothing(Node*) {}

void tintEvaluate(Node* node, ShaderGlobals* sg) {
    // A linked `color` runs the upstream node on this very sample; the read hands back its
    // output and leaves ours alone, so sg->out is written last.
    const RGB color = AiShaderEvalParamFuncRGB(sg, node, kTintColor);
    const RGB tint = AiShaderEvalParamFuncRGB(sg, node, kTintTint);
    sg->out.rgb = RGB{color.r * tint.r, color.g * tint.g, color.b * tint.b};
}

const CommonNodeMethods kTintCommon = {tintParameters, nothing, nothing, finishNothing};
const ShaderNodeMethods kTintShader = {tintEvaluate};
const NodeMethods kTintMethods = {&kTintCommon, &kTintShader};

// --- example_dimmer -------------------------------------------------------------------------

enum DimmerParam { kDimmerStops, kDimmerBelow };

void dimmerParameters(ParamList* params, NodeEntry*) {
    AiNodeParamFlt(params, -1, "stops", 1.0f);  // read once per update
    AiNodeParamFlt(params, -1, "below", 0.0f);  // read once per update
}

/// The node's local data. Written only by the set-up, under `lock`, before `ready` is set;
/// evaluations that find `ready` set only read it.
struct DimmerData {
    std::atomic<uint8_t> ready{0};
    CritSec lock = nullptr;
    float factor = 1.0f;  ///< 2^-stops
    float below = 0.0f;
};

void dimmerInitialize(Node* node, void*) {
    // No exception may leave a callback: without memory the node stays inert.
    auto* data = new (std::nothrow) DimmerData;
    if (data) AiCritSecInit(&data->lock);
    AiNodeSetLocalData(node, data);
}

void dimmerUpdate(Node* node, void*) {
    // No evaluation runs during an update, so clearing the flag needs no lock. The next
    // evaluation sets up again with the new settings.
    auto* data = static_cast<DimmerData*>(AiNodeGetLocalData(node));
    if (data) data->ready.store(0, std::memory_order_release);
}

void dimmerFinish(Node* node) {
    auto* data = static_cast<DimmerData*>(AiNodeGetLocalData(node));
    if (!data) return;
    AiCritSecClose(&data->lock);
    delete data;
    AiNodeSetLocalData(node, nullptr);
}

/// Reads the settings with the first sample after an update, once for every thread.
void setUp(DimmerData& data, Node* node, ShaderGlobals* sg) {
    if (data.ready.load(std::memory_order_acquire) != 0) return;  // the common case: no lock
    AiCritSecEnter(&data.lock);
    if (data.ready.load(std::memory_order_acquire) == 0) {
        const float stops = AiShaderEvalParamFuncFlt(sg, node, kDimmerStops);
        const float below = AiShaderEvalParamFuncFlt(sg, node, kDimmerBelow);
        // Reading a linked parameter may have reached this node again on this thread (the
        // section is recursive) and finished the set-up: test again before writing.
        if (data.ready.load(std::memory_order_acquire) == 0) {
            data.factor = std::isfinite(stops) ? std::exp2(-stops) : 1.0f;
            data.below = below;
            data.ready.store(1, std::memory_order_release);  // publishes factor and below
        }
    }
    AiCritSecLeave(&data.lock);
}

void dimmerEvaluate(Node* node, ShaderGlobals* sg) {
    auto* data = static_cast<DimmerData*>(AiNodeGetLocalData(node));
    if (!data) return;  // inert: the light passes unchanged
    setUp(*data, node, sg);
    // A filter works on the light sample in place; the renderer does not read sg->out.
    if (!(sg->point.y < data->below)) return;
    sg->lightIntensity.r *= data->factor;
    sg->lightIntensity.g *= data->factor;
    sg->lightIntensity.b *= data->factor;
}

const CommonNodeMethods kDimmerCommon = {dimmerParameters, dimmerInitialize, dimmerUpdate,
                                         dimmerFinish};
const ShaderNodeMethods kDimmerShader = {dimmerEvaluate};
const NodeMethods kDimmerMethods = {&kDimmerCommon, &kDimmerShader};

}  // namespace

// The module's one export. Renderers ask for index 0, 1, 2, ... until it answers false. A
// light filter is registered as a shader; what makes it a filter is a light naming it.
extern "C" bool NodeLoader(int index, NodeDescriptor* descriptor) {
    std::memcpy(descriptor->version, kRendererVersion, sizeof(kRendererVersion));
    descriptor->nodeKind = kNodeShader;
    descriptor->outputType = kTypeRGB;
    switch (index) {
        case 0:
            descriptor->name = "example_tint";
            descriptor->methods = &kTintMethods;
            return true;
        case 1:
            descriptor->name = "example_dimmer";
            descriptor->methods = &kDimmerMethods;
            return true;
        default:
            return false;
    }
}
