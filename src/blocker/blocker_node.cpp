// orv_blocker: a light filter that multiplies a light sample's intensity by a filter colour
// inside a placed shape, blending back to the unfiltered light out to a larger copy of it.
#include <new>

#include "blocker/blocker_data.h"
#include "blocker/blocker_params.h"
#include "plugin/float3.h"
#include "plugin/node_methods.h"
#include "plugin/one_time_setup.h"

namespace {

void parameters(ParamList* params, NodeEntry*) {
    declareBlockerParams(params);
}

void initialize(Node* node, void*) {
    // Without memory the node stays inert: its evaluations leave the light as it is.
    BlockerData* data = new (std::nothrow) BlockerData;
    AiNodeSetLocalData(node, data);
    if (data) AiCritSecInit(&data->lock);
}

void update(Node* node, void*) {
    auto* data = static_cast<BlockerData*>(AiNodeGetLocalData(node));
    if (data) invalidateSetup(data->ready);
}

void finish(Node* node) {
    auto* data = static_cast<BlockerData*>(AiNodeGetLocalData(node));
    if (!data) return;
    AiCritSecClose(&data->lock);
    delete data;
    AiNodeSetLocalData(node, nullptr);
}

void evaluate(Node* node, ShaderGlobals* sg) {
    auto* data = static_cast<BlockerData*>(AiNodeGetLocalData(node));
    if (!data) return;
    OneTimeSetup(
        data->ready, data->lock,
        [&] {
            BlockerParams snapshot;
            readBlockerSetupParams(node, sg, &snapshot);
            return snapshot;
        },
        [&](const BlockerParams& snapshot) { data->setUp(snapshot); });
    // The shapes answer through pure matrix calls, so the value comes before bFilter is read
    // and nothing has to be kept across them. A muted blocker passes the light.
    const float v = data->muted ? 1.0f : data->value(sg->point);
    // bFilter may be driven per sample, so it is read on every evaluation, muted or not.
    const Float3 filter = readBlockerFilter(node, sg);
    // Where the light passes or is fully filtered it is not blended, so that a NaN or infinite
    // intensity passes through untouched and is not turned into NaN by a product with 0.
    if (v == 1.0f) return;
    const Float3 light(sg->lightIntensity);
    const Float3 filtered = mul(light, filter);
    sg->lightIntensity = (v == 0.0f ? filtered : lerp(filtered, light, v)).toRGB();
}

const CommonNodeMethods kCommon = {parameters, initialize, update, finish};
const ShaderNodeMethods kShader = {evaluate};

}  // namespace

const NodeMethods kBlockerMethods = {&kCommon, &kShader};
