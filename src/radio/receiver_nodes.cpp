// The five receivers: each returns the value of its kind that the station around it broadcasts
// on its channel, or its own value when nothing of that kind is broadcast there.
#include "plugin/nodes.h"
#include "plugin/parameter_table.h"
#include "radio/channel_record.h"

namespace orv {
namespace {

// Each kind's table holds its own value and then the channel's frequency; the reads below find
// their indices in it by name and type.
constexpr ParamTableEntry kFrequency =
    intParam("frequency", 0)
        .range(0.0f, 10.0f, "tunes to no channel: the receiver gives its own value, as at 0")
        .help("the channel, 1 to 10, heard from a station around the node; 0 hears none");

struct ColorKind {
    using Value = RGBA;
    static constexpr ParamTableEntry params[] = {
        rgbaParam("color", 1.0f, 1.0f, 1.0f, 1.0f).help("the colour given when nothing is heard"),
        kFrequency};
    static constexpr int valueParam = paramIndex(params, "color", kTypeRGBA);
    static Value read(ShaderGlobals* sg, const Node* n) {
        return AiShaderEvalParamFuncRGBA(sg, n, valueParam);
    }
    static bool carried(const ChannelRecord& r) { return r.hasColor != 0; }
    static Value field(const ChannelRecord& r) { return r.color; }
    // Registered as RGB; all four components are written and the alpha lands beside r, g, b.
    static void write(ShaderGlobals* sg, const Value& v) { sg->out.rgba = v; }
};

struct ScalarKind {
    using Value = float;
    static constexpr ParamTableEntry params[] = {
        floatParam("scalar", 0.0f).help("the float given when nothing is heard"), kFrequency};
    static constexpr int valueParam = paramIndex(params, "scalar", kTypeFloat);
    static Value read(ShaderGlobals* sg, const Node* n) {
        return AiShaderEvalParamFuncFlt(sg, n, valueParam);
    }
    static bool carried(const ChannelRecord& r) { return r.hasScalar != 0; }
    static Value field(const ChannelRecord& r) { return r.scalar; }
    static void write(ShaderGlobals* sg, Value v) { sg->out.flt = v; }
};

struct IntegerKind {
    using Value = int32_t;
    static constexpr ParamTableEntry params[] = {
        intParam("integer", 0).help("the integer given when nothing is heard"), kFrequency};
    static constexpr int valueParam = paramIndex(params, "integer", kTypeInt);
    static Value read(ShaderGlobals* sg, const Node* n) {
        return AiShaderEvalParamFuncInt(sg, n, valueParam);
    }
    static bool carried(const ChannelRecord& r) { return r.hasInteger != 0; }
    static Value field(const ChannelRecord& r) { return r.integer; }
    static void write(ShaderGlobals* sg, Value v) { sg->out.integer = v; }
};

struct BooleanKind {
    using Value = bool;
    static constexpr ParamTableEntry params[] = {
        boolParam("boolean", false).help("the boolean given when nothing is heard"), kFrequency};
    static constexpr int valueParam = paramIndex(params, "boolean", kTypeBoolean);
    static Value read(ShaderGlobals* sg, const Node* n) {
        return AiShaderEvalParamFuncBool(sg, n, valueParam);
    }
    static bool carried(const ChannelRecord& r) { return r.hasBoolean != 0; }
    // Any nonzero byte reads as true, so the output byte is always 0 or 1.
    static Value field(const ChannelRecord& r) { return r.boolean != 0; }
    static void write(ShaderGlobals* sg, Value v) { sg->out.boolean = v; }
};

struct VectorKind {
    using Value = Vector;
    static constexpr ParamTableEntry params[] = {
        vectorParam("vector", 1.0f, 1.0f, 1.0f).help("the vector given when nothing is heard"),
        kFrequency};
    static constexpr int valueParam = paramIndex(params, "vector", kTypeVector);
    static Value read(ShaderGlobals* sg, const Node* n) {
        return AiShaderEvalParamFuncVec(sg, n, valueParam);
    }
    static bool carried(const ChannelRecord& r) { return r.hasVector != 0; }
    static Value field(const ChannelRecord& r) { return r.vector; }
    static void write(ShaderGlobals* sg, const Value& v) { sg->out.vec = v; }
};

template <typename Kind>
void parameters(ParamList* params, NodeEntry*) {
    declareParams(params, Kind::params);
}

void nothing(Node*, void*) {}
void finishNothing(Node*) {}

template <typename Kind>
void evaluate(Node* node, ShaderGlobals* sg) {
    // Both reads on every call, so networks behind either run whatever the channel carries.
    constexpr int kFrequencyParam = paramIndex(Kind::params, "frequency", kTypeInt);
    const int frequency = AiShaderEvalParamFuncInt(sg, node, kFrequencyParam);
    const typename Kind::Value own = Kind::read(sg, node);
    // 0 is untuned; frequencies outside 1 .. 10 name no channel and are treated alike.
    if (const char* name = channelName(frequency)) {
        void* found = nullptr;
        if (AiMessageGetPtrFunc(sg, name, &found) && found) {
            const ChannelRecord& record = *static_cast<const ChannelRecord*>(found);
            if (Kind::carried(record)) return Kind::write(sg, Kind::field(record));
        }
    }
    // Written apart from the channel's value, never merged into one variable: for speed
    // (bench/README.md).
    Kind::write(sg, own);
}

template <typename Kind>
struct Methods {
    static constexpr CommonNodeMethods common = {parameters<Kind>, nothing, nothing, finishNothing};
    static constexpr ShaderNodeMethods shader = {evaluate<Kind>};
};

}  // namespace

const NodeMethods kRadioColorMethods = {&Methods<ColorKind>::common, &Methods<ColorKind>::shader};
const NodeMethods kRadioScalarMethods = {&Methods<ScalarKind>::common,
                                         &Methods<ScalarKind>::shader};
const NodeMethods kRadioIntegerMethods = {&Methods<IntegerKind>::common,
                                          &Methods<IntegerKind>::shader};
const NodeMethods kRadioBooleanMethods = {&Methods<BooleanKind>::common,
                                          &Methods<BooleanKind>::shader};
const NodeMethods kRadioVectorMethods = {&Methods<VectorKind>::common,
                                         &Methods<VectorKind>::shader};

}  // namespace orv
