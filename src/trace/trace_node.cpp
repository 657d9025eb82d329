// orv_trace: casts a ray, or a glossy family of rays in a cone, from the shading point or a
// custom origin, and reports what it finds: a fixed hit or miss colour, the traced colour, or an
// environment shader's colour in that direction.
#include <cstdint>
#include <new>

#include "plugin/float3.h"
#include "plugin/nodes.h"
#include "plugin/parameter_table.h"
#include "plugin/renderer.h"
#include "trace/direction_sampling.h"

namespace orv {
namespace {

// The declaration order is the node's interface: evaluation reads each parameter back by the
// index it was declared at.
constexpr ParamTableEntry kTraceParams[] = {
    intParam("rayType", 0)
        .once()
        .named("0 probe, 1 traced (ray type 4), 2 traced (ray type 8), 3 environment",
               "casts nothing and gives onNoHitColor")
        .help("what is cast: a probe for any hit, a traced ray whose colour comes back, or a "
              "lookup of the object's environment"),
    boolParam("onHitOverride", false)
        .once()
        .help("a traced ray that hits gives onHitColor instead of the colour it brings back"),
    // Read per sample, as the other colours.
    rgbParam("onHitColor", 0.0f, 1.0f, 0.0f)
        .help("the colour of a probe that hits, and of a traced ray that hits with "
              "onHitOverride"),
    boolParam("onNoHitOverride", false)
        .once()
        .help("a traced ray that misses gives onNoHitColor instead of the background"),
    rgbParam("onNoHitColor", 1.0f, 0.0f, 0.0f)
        .help("the colour of a miss: a probe's, a traced ray's with onNoHitOverride, or a "
              "lookup with no environment"),
    intParam("origin", 0)
        .once()
        .named("0 shading point, 1 customOrigin", "takes the shading point, as 0 does")
        .help("where the rays start"),
    vectorParam("customOrigin", 0.0f, 0.0f, 0.0f)
        .help("the rays' start in world space, with origin 1"),
    intParam("direction", 0)
        .once()
        .named("0 incoming, 1 mirror, 2 refraction, 3 customDirection",
               "takes the incoming direction, as 0 does")
        .help("which way the rays go, from the incoming direction or customDirection"),
    vectorParam("customDirection", 0.0f, 0.0f, 0.0f)  // normalised
        .help("the rays' direction in world space, with direction 3"),
    floatParam("ior", 1.0f)
        .help("index of refraction of the side refracted into, with direction 2"),
    boolParam("glossy", false)
        .once()
        .help("averages a family of samples rays spread over a cone around the direction"),
    intParam("samples", 4)  // also sizes the sampler at every update
        .once()
        .help("rays in a glossy family; below 1, one ray as without glossy"),
    // The family test reads it once per update; a family reads it again at every sample.
    floatParam("spread", 0.1f)
        .once()
        .help("the glossy cone's half-angle, 1 being 90 degrees; below 0.001, one ray"),
};

constexpr int kTraceRayType = paramIndex(kTraceParams, "rayType", kTypeInt);
constexpr int kTraceOnHitOverride = paramIndex(kTraceParams, "onHitOverride", kTypeBoolean);
constexpr int kTraceOnHitColor = paramIndex(kTraceParams, "onHitColor", kTypeRGB);
constexpr int kTraceOnNoHitOverride = paramIndex(kTraceParams, "onNoHitOverride", kTypeBoolean);
constexpr int kTraceOnNoHitColor = paramIndex(kTraceParams, "onNoHitColor", kTypeRGB);
constexpr int kTraceOrigin = paramIndex(kTraceParams, "origin", kTypeInt);
constexpr int kTraceCustomOrigin = paramIndex(kTraceParams, "customOrigin", kTypeVector);
constexpr int kTraceDirection = paramIndex(kTraceParams, "direction", kTypeInt);
constexpr int kTraceCustomDirection = paramIndex(kTraceParams, "customDirection", kTypeVector);
constexpr int kTraceIor = paramIndex(kTraceParams, "ior", kTypeFloat);
constexpr int kTraceGlossy = paramIndex(kTraceParams, "glossy", kTypeBoolean);
constexpr int kTraceSamples = paramIndex(kTraceParams, "samples", kTypeInt);
constexpr int kTraceSpread = paramIndex(kTraceParams, "spread", kTypeFloat);

/// One instance's local data: the modes its last set-up read, the environment and the sampler.
struct TraceData {
    /// Set once the set-up has run since the last initialize or update; update clears it.
    SetupFlag ready{0};
    uint8_t onHitOverride = 0;
    uint8_t onNoHitOverride = 0;
    /// Cleared by the set-up when `samples` is below 1 or `spread` below 0.001.
    uint8_t glossy = 0;
    int32_t rayType = 0;
    int32_t origin = 0;
    int32_t direction = 0;
    /// What rayType 3 evaluates: the "environment" user parameter of the object shaded first
    /// after the last update; null when that object had none.
    Node* environment = nullptr;
    /// Made by update from the stored `samples`; shared read-only by all threads. Owned.
    Sampler* sampler = nullptr;
    /// Guards the set-up only; evaluations never take it.
    CritSec lock = nullptr;
};

/// The mode settings as one set-up reads them, before any of it is stored.
struct TraceSettings {
    int32_t rayType;
    bool onHitOverride;
    bool onNoHitOverride;
    int32_t origin;
    int32_t direction;
    bool glossy;  ///< already cleared when the family test failed
};

/// Evaluates, for the sample `sg`, rayType, onHitOverride, onNoHitOverride, origin, direction
/// and glossy, in that order, then the family test: samples, and spread only when samples
/// passed, only when glossy is set.
TraceSettings readTraceSettings(ShaderGlobals* sg, const Node* node) {
    TraceSettings s;
    s.rayType = AiShaderEvalParamFuncInt(sg, node, kTraceRayType);
    s.onHitOverride = AiShaderEvalParamFuncBool(sg, node, kTraceOnHitOverride);
    s.onNoHitOverride = AiShaderEvalParamFuncBool(sg, node, kTraceOnNoHitOverride);
    s.origin = AiShaderEvalParamFuncInt(sg, node, kTraceOrigin);
    s.direction = AiShaderEvalParamFuncInt(sg, node, kTraceDirection);
    s.glossy = AiShaderEvalParamFuncBool(sg, node, kTraceGlossy);
    if (s.glossy) {
        if (AiShaderEvalParamFuncInt(sg, node, kTraceSamples) < 1)
            s.glossy = false;
        else if (AiShaderEvalParamFuncFlt(sg, node, kTraceSpread) < 0.001f)
            s.glossy = false;
    }
    return s;
}

/// Stores the settings and looks up the "environment" of the object `sg` shades.
void applyTraceSettings(TraceData& data, const TraceSettings& settings, const ShaderGlobals* sg) {
    data.rayType = settings.rayType;
    data.onHitOverride = settings.onHitOverride;
    data.onNoHitOverride = settings.onNoHitOverride;
    data.origin = settings.origin;
    data.direction = settings.direction;
    data.glossy = settings.glossy;
    if (AiNodeLookUpUserParameter(sg->object, "environment"))
        data.environment = static_cast<Node*>(AiNodeGetPtr(sg->object, "environment"));
}

/// Every ray reaches as far as 1e12 taken to single precision and widened back.
constexpr double kTraceMaxDistance = 999999995904.0;
static_assert(static_cast<double>(static_cast<float>(1.0e12)) == kTraceMaxDistance,
              "the maximum distance is the float nearest 1e12");

bool traceAlong(ShaderGlobals* sg, uint32_t code, const Vector& origin, const Vector& direction,
                const TraceData& data, const Float3& onHitColor, const Float3& onNoHitColor,
                Float3* color) {
    Ray ray;
    AiMakeRay(&ray, code, &origin, &direction, kTraceMaxDistance, sg);
    TraceResult result;
    const bool hit = AiTrace(&ray, &result);
    color->set(result.color);
    if (hit && data.onHitOverride) *color = onHitColor;
    if (!hit && data.onNoHitOverride) *color = onNoHitColor;
    return hit;
}

/// One environment lookup under way in a sample, on the stack of the node making it. The
/// sample's message under kLookupMessage points at the innermost, each at the one it is inside.
struct EnvironmentLookup {
    const Node* environment;
    const EnvironmentLookup* outer;
};
constexpr const char* kLookupMessage = "orv_trace:environment";

/// Evaluates `environment` on sg unless this sample is already inside a lookup of it: the same
/// shader on the same sample would reach this lookup again, for ever. A traced ray's hit is a
/// sample of its own, so nesting through rays is never taken for a loop.
bool evaluateEnvironment(ShaderGlobals* sg, Node* environment) {
    void* found = nullptr;
    AiMessageGetPtrFunc(sg, kLookupMessage, &found);
    const auto* outer = static_cast<const EnvironmentLookup*>(found);
    for (const EnvironmentLookup* l = outer; l; l = l->outer)
        if (l->environment == environment) return false;
    EnvironmentLookup lookup{environment, outer};
    AiMessageSetPtrFunc(sg, kLookupMessage, &lookup);
    AiShaderEvaluate(environment, sg);
    AiMessageSetPtrFunc(sg, kLookupMessage, const_cast<EnvironmentLookup*>(outer));
    return true;
}

/// castTraceRay for rayType 0. Out of line and apart from the other modes, for speed
/// (bench/README.md).
ORV_OUT_OF_LINE bool castProbeRay(ShaderGlobals* sg, const Float3& origin, const Float3& direction,
                                  const Float3& onHitColor, const Float3& onNoHitColor,
                                  Float3* color) {
    const Vector o = origin.toVector();
    const Vector d = direction.toVector();
    Ray ray;
    AiMakeRay(&ray, kRayReflected, &o, &d, kTraceMaxDistance, sg);
    ProbeHit scratch;
    const bool hit = AiTraceProbe(&ray, &scratch);
    *color = hit ? onHitColor : onNoHitColor;
    return hit;
}

/// castTraceRay for every rayType but 0; out of line as the probe, for speed.
ORV_OUT_OF_LINE bool castOtherRay(ShaderGlobals* sg, const Float3& origin, const Float3& direction,
                                  const TraceData& data, const Float3& onHitColor,
                                  const Float3& onNoHitColor, Float3* color) {
    const Vector o = origin.toVector();
    const Vector d = direction.toVector();
    switch (data.rayType) {
        case kTraceReflected:
            return traceAlong(sg, kRayReflected, o, d, data, onHitColor, onNoHitColor, color);
        case kTraceRefracted:
            return traceAlong(sg, kRayRefracted, o, d, data, onHitColor, onNoHitColor, color);
        case kTraceEnvironment: {
            // Never hand the renderer a null node: no environment found is a miss.
            if (!data.environment) {
                *color = onNoHitColor;
                return false;
            }
            const Vector kept = sg->rayDirection;
            AiReflect(&d, &sg->normal, &sg->rayDirection);
            const bool looked = evaluateEnvironment(sg, data.environment);
            sg->rayDirection = kept;
            // A lookup that would loop is answered as one with no environment.
            *color = looked ? Float3(sg->out.rgb) : onNoHitColor;
            return false;
        }
        default:
            *color = onNoHitColor;
            return false;
    }
}

/// Casts from `origin` along `direction` (neither changed) as `data.rayType` says and writes the
/// colour it finds to *color; answers whether something was hit.
///  0: a probe (code 4): onHitColor on a hit, else onNoHitColor.
///  1, 2: a traced ray (code 4, code 8): the colour it brings back, replaced by onHitColor on
///     a hit when onHitOverride is set and by onNoHitColor on a miss when onNoHitOverride is.
///  3: the environment node evaluated on sg with its incoming direction, for that evaluation
///     only, set to the mirror of `direction` about the shading normal; always false. With no
///     environment node, or inside an evaluation of the same node on the same sample (a
///     network that reaches itself), nothing is evaluated and the colour is onNoHitColor.
///  Any other value casts nothing: onNoHitColor, false.
inline bool castTraceRay(ShaderGlobals* sg, const Float3& origin, const Float3& direction,
                         const TraceData& data, const Float3& onHitColor,
                         const Float3& onNoHitColor, Float3* color) {
    if (data.rayType == kTraceProbe)
        return castProbeRay(sg, origin, direction, onHitColor, onNoHitColor, color);
    return castOtherRay(sg, origin, direction, data, onHitColor, onNoHitColor, color);
}

void parameters(ParamList* params, NodeEntry*) {
    declareParams(params, kTraceParams);
}

void initialize(Node* node, void*) {
    // Without memory the node stays inert: its evaluations give black.
    TraceData* data = new (std::nothrow) TraceData;
    AiNodeSetLocalData(node, data);
    if (data) AiCritSecInit(&data->lock);
}

void update(Node* node, void*) {
    // Never called during an evaluation of the node, so no lock is needed.
    auto* data = static_cast<TraceData*>(AiNodeGetLocalData(node));
    if (!data) return;
    if (data->sampler) AiSamplerDestroy(data->sampler);
    data->sampler = AiSampler(AiNodeGetInt(node, "samples"), 2);
    data->environment = nullptr;
    invalidateSetup(data->ready);
}

void finish(Node* node) {
    auto* data = static_cast<TraceData*>(AiNodeGetLocalData(node));
    if (data) {
        if (data->sampler) AiSamplerDestroy(data->sampler);
        AiCritSecClose(&data->lock);
        delete data;
    }
    AiNodeSetLocalData(node, nullptr);
}

/// The family: one ray per sampler point, each weighted by the iterator's inverse count.
Float3 castFamily(ShaderGlobals* sg, const Node* node, const TraceData& data, const Float3& origin,
                  const Float3& d, const Float3& onHitColor, const Float3& onNoHitColor) {
    const Cone cone = coneFromSpread(AiShaderEvalParamFuncFlt(sg, node, kTraceSpread));
    const Frame frame = frameAround(d);
    SamplerIterator* iterator = AiSamplerIterator(data.sampler, sg);
    Float3 sum(0.0f, 0.0f, 0.0f);
    bool any = false;
    // The directions of a batch are worked out before any of its rays is cast, so that their
    // arithmetic overlaps rather than waiting between ray casts (bench/README.md).
    constexpr int kBatch = 16;
    Float3 directions[kBatch];
    for (bool more = true; more;) {
        int count = 0;
        float u[2];
        while (count < kBatch && (more = AiSamplerGetSample(iterator, u)))
            directions[count++] = familyDirection(frame, d, sampleCone(u[0], u[1], cone.cosMax));
        for (int i = 0; i < count; ++i) {
            Float3 color;
            castTraceRay(sg, origin, directions[i], data, onHitColor, onNoHitColor, &color);
            sum += color;
            any = true;
        }
    }
    // An iterator that handed out nothing leaves black, whatever inverse count it reports.
    if (!any) return sum;
    return sum * AiSamplerGetSampleInvCount(iterator);
}

/// Whether a sample's colour can be onHitColor, or onNoHitColor, under the set-up's modes
/// (castTraceRay): a colour that cannot be the result is not evaluated. The environment mode
/// and a rayType outside the table can end in the no-hit colour, never in the hit colour.
bool usesHitColor(const TraceData& data) {
    switch (data.rayType) {
        case kTraceProbe:
            return true;
        case kTraceReflected:
        case kTraceRefracted:
            return data.onHitOverride;
        default:
            return false;
    }
}
bool usesNoHitColor(const TraceData& data) {
    switch (data.rayType) {
        case kTraceReflected:
        case kTraceRefracted:
            return data.onNoHitOverride;
        default:
            return true;
    }
}

void evaluate(Node* node, ShaderGlobals* sg) {
    auto* data = static_cast<TraceData*>(AiNodeGetLocalData(node));
    if (!data) {  // never initialised, or no memory for it: nothing to cast with
        sg->out.rgb = RGB{0.0f, 0.0f, 0.0f};
        return;
    }
    OneTimeSetup(
        data->ready, data->lock, [&] { return readTraceSettings(sg, node); },
        [&](const TraceSettings& settings) { applyTraceSettings(*data, settings, sg); });

    // Per sample, only the inputs that the modes use; the others keep values nothing reads.
    Float3 onHitColor(0.0f, 0.0f, 0.0f), onNoHitColor(0.0f, 0.0f, 0.0f);
    Float3 customOrigin(0.0f, 0.0f, 0.0f), customDirection(0.0f, 0.0f, 0.0f);
    float ior = 1.0f;
    if (usesHitColor(*data)) onHitColor.setFromColorParam(sg, node, kTraceOnHitColor);
    if (usesNoHitColor(*data)) onNoHitColor.setFromColorParam(sg, node, kTraceOnNoHitColor);
    if (data->origin == 1) customOrigin.setFromVectorParam(sg, node, kTraceCustomOrigin);
    if (data->direction == 3) customDirection.setFromVectorParam(sg, node, kTraceCustomDirection);
    if (data->direction == 2) ior = AiShaderEvalParamFuncFlt(sg, node, kTraceIor);

    const Float3 origin = data->origin == 1 ? customOrigin : Float3(sg->point);
    const Float3 d = chooseDirection(sg, data->direction, data->rayType, ior, customDirection);
    Float3 color;
    if (!data->glossy)
        castTraceRay(sg, origin, d, *data, onHitColor, onNoHitColor, &color);
    else
        color = castFamily(sg, node, *data, origin, d, onHitColor, onNoHitColor);
    sg->out.rgb = color.toRGB();
}

const CommonNodeMethods kCommon = {parameters, initialize, update, finish};
const ShaderNodeMethods kShader = {evaluate};

}  // namespace

const NodeMethods kTraceMethods = {&kCommon, &kShader};

}  // namespace orv
