// orv_blocker: a light filter that multiplies a light sample's intensity by a filter colour
// inside a placed shape, blending back to the unfiltered light out to a larger copy of it.
#include <new>

#include "blocker/falloff.h"
#include "plugin/float3.h"
#include "plugin/nodes.h"
#include "plugin/parameter_table.h"
#include "plugin/renderer.h"

namespace orv {
namespace {

/// The parameters in declaration order, which is part of the node's interface: the index of a
/// row is the index evaluation reads it back by.
constexpr ParamTableEntry kBlockerParams[] = {
    boolParam("mute", false).once().help("lets all light through unchanged"),
    rgbParam("bFilter", 0.0f, 0.0f, 0.0f)
        .help("the colour light in the blocked zone is multiplied by; may be linked"),
    intParam("bType", 0)
        .once()
        .named("0 card, 1 sphere, 2 box, 3 cylinder",
               "every point is inside both shapes: with bPositive the light is filtered "
               "everywhere, without it the light passes everywhere")
        .help("the unit shape that blocks the light"),
    vectorParam("bScale", 1.0f, 1.0f, 1.0f)
        .once()
        .help("scales the shape along its X, Y and Z (card and box of side 1, sphere and "
              "cylinder of radius 1)"),
    vectorParam("bRot", 0.0f, 0.0f, 0.0f)
        .once()
        .help("turns the shape, in degrees about X, then Y, then Z"),
    vectorParam("bTransl", 0.0f, 0.0f, 0.0f)
        .once()
        .help("places the shape's centre in world space"),
    boolParam("bPositive", true)
        .once()
        .help("filters the light inside the shape; off, the light outside it"),
    floatParam("bExtraScale", 1.0f)
        .once()
        .help("the size of the outer copy of the shape, as a multiple of the shape, where the "
              "ramp ends"),
    intParam("bDecayPower", 1)
        .once()
        .range(0.0f, kNoLimit, "takes the linear ramp, as 1 does")
        .help("the ramp between the shape and its outer copy: 0 a hard edge, 1 linear, 2 and "
              "above an s-curve"),
};

constexpr int kParamMute = paramIndex(kBlockerParams, "mute", kTypeBoolean);
constexpr int kParamFilter = paramIndex(kBlockerParams, "bFilter", kTypeRGB);
constexpr int kParamType = paramIndex(kBlockerParams, "bType", kTypeInt);
constexpr int kParamScale = paramIndex(kBlockerParams, "bScale", kTypeVector);
constexpr int kParamRot = paramIndex(kBlockerParams, "bRot", kTypeVector);
constexpr int kParamTransl = paramIndex(kBlockerParams, "bTransl", kTypeVector);
constexpr int kParamPositive = paramIndex(kBlockerParams, "bPositive", kTypeBoolean);
constexpr int kParamExtraScale = paramIndex(kBlockerParams, "bExtraScale", kTypeFloat);
constexpr int kParamDecayPower = paramIndex(kBlockerParams, "bDecayPower", kTypeInt);

/// One instance's local data. `field` is written only by the set-up, under `lock`, before
/// `ready` is set; evaluations that find `ready` set only read it.
struct BlockerData {
    SetupFlag ready{0};      ///< set up since the last initialize or update
    CritSec lock = nullptr;  ///< taken by the set-up only
    BlockerField field;      ///< the shapes and zone of the last set-up
};

/// The set-up's reads: mute, and unless it is set bType, bScale, bRot, bTransl, bPositive,
/// bExtraScale and bDecayPower, evaluated in that order. Nothing else is evaluated.
BlockerParams readBlockerSetupParams(const Node* node, ShaderGlobals* sg) {
    BlockerParams params;
    params.mute = AiShaderEvalParamFuncBool(sg, node, kParamMute);
    if (params.mute) return params;
    params.bType = AiShaderEvalParamFuncInt(sg, node, kParamType);
    params.bScale.setFromVectorParam(sg, node, kParamScale);
    params.bRot.setFromVectorParam(sg, node, kParamRot);
    params.bTransl.setFromVectorParam(sg, node, kParamTransl);
    params.bPositive = AiShaderEvalParamFuncBool(sg, node, kParamPositive);
    params.bExtraScale = AiShaderEvalParamFuncFlt(sg, node, kParamExtraScale);
    params.bDecayPower = AiShaderEvalParamFuncInt(sg, node, kParamDecayPower);
    return params;
}

void parameters(ParamList* params, NodeEntry*) {
    declareParams(params, kBlockerParams);
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

/// The set-up, for an evaluation that found it not done. Out of line, so that the evaluations
/// that find it done keep node and sg in registers, with nothing in memory for the set-up to
/// reach: for speed (bench/README.md).
__attribute__((noinline, cold)) void setUp(Node* node, ShaderGlobals* sg, BlockerData* data) {
    OneTimeSetup(
        data->ready, data->lock, [&] { return readBlockerSetupParams(node, sg); },
        [&](const BlockerParams& snapshot) { data->field.setUp(snapshot); });
}

/// Reads bFilter, as every evaluation does (it may be driven per sample), and gives the light
/// the blocker's value v there. Where the light passes or is fully filtered it is not blended,
/// so that a NaN or infinite intensity passes through untouched and is not turned into NaN by a
/// product with 0.
inline void filterLight(Node* node, ShaderGlobals* sg, float v) {
    const Float3 filter(AiShaderEvalParamFuncRGB(sg, node, kParamFilter));
    if (v == 1.0f) return;
    const Float3 light(sg->lightIntensity);
    const Float3 filtered = mul(light, filter);
    sg->lightIntensity = (v == 0.0f ? filtered : lerp(filtered, light, v)).toRGB();
}

// The rest of an evaluation at a point inside the outer shape, in the ramp of shapes that share
// their placement (at `local` in the inner shape's space) or anywhere for shapes that do not
// (at `outerLocal` in the outer one's). Out of line, so that the evaluations outside the outer
// shape, most of them, keep no more than node, sg and the local data in registers: for speed
// (bench/README.md).
ORV_OUT_OF_LINE void evaluateInRamp(Node* node, ShaderGlobals* sg, const BlockerField& field,
                                    Float3 local) {
    filterLight(node, sg, field.zone.rampValueAt(field.inner, field.outer, sg->point, local));
}
ORV_OUT_OF_LINE void evaluateWithinOuter(Node* node, ShaderGlobals* sg, const BlockerField& field,
                                         Float3 outerLocal) {
    filterLight(node, sg,
                field.zone.valueWithinOuter(field.inner, field.outer, sg->point, outerLocal));
}

void evaluate(Node* node, ShaderGlobals* sg) {
    auto* data = static_cast<BlockerData*>(AiNodeGetLocalData(node));
    if (!data) return;
    if (data->ready.load(std::memory_order_acquire) == 0) setUp(node, sg, data);
    // The steps of FalloffZone::value, taken here so that a point outside the outer shape,
    // where the light passes with bPositive, ends the evaluation on the bFilter read, a tail
    // call: for speed (bench/README.md). The shapes answer through pure matrix calls, so the
    // value comes before bFilter is read and nothing has to be kept across them. A muted
    // blocker passes the light.
    const BlockerField& field = data->field;
    if (!field.muted) {
        const FalloffZone& zone = field.zone;
        if (!field.outer.isUnitShape()) return filterLight(node, sg, 1.0f - zone.passing);
        Vector outerLocal;
        // Most samples of a light fall outside its blockers.
        if (__builtin_expect(field.outer.unitShapeContains(sg->point, &outerLocal), 0)) {
            // FalloffZone::valueWithinOuter, the inner shape's test inline where one transform
            // serves both shapes.
            if (!zone.sharedPlacement)
                return evaluateWithinOuter(node, sg, field, Float3(outerLocal));
            const Float3 local = zone.innerLocal(field.inner, sg->point, Float3(outerLocal));
            if (BlockerShape::insideUnitShape(field.inner.kind, local))
                return filterLight(node, sg, 1.0f - zone.passing);
            if (!zone.ramp) return filterLight(node, sg, zone.passing);
            return evaluateInRamp(node, sg, field, local);
        }
        if (!zone.positive) return filterLight(node, sg, zone.passing);
    }
    static_cast<void>(AiShaderEvalParamFuncRGB(sg, node, kParamFilter));
}

const CommonNodeMethods kCommon = {parameters, initialize, update, finish};
const ShaderNodeMethods kShader = {evaluate};

}  // namespace

const NodeMethods kBlockerMethods = {&kCommon, &kShader};

}  // namespace orv
