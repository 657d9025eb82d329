// The five receivers: each returns the value of its kind that the station around it broadcasts
// on its channel, or its own value when nothing of that kind is broadcast there.
#include "plugin/node_methods.h"
#include "radio/channel_names.h"
#include "radio/channel_record.h"

namespace {

// Parameter indices, shared by the five: the own value, then the channel's frequency.
constexpr int kValueParam = 0;
constexpr int kFrequencyParam = 1;

struct ColorKind {
    using Value = RGBA;
    static void declare(ParamList* p) { AiNodeParamRGBA(p, -1, "color", 1.0f, 1.0f, 1.0f, 1.0f); }
    static Value read(ShaderGlobals* sg, const Node* n) {
        return AiShaderEvalParamFuncRGBA(sg, n, kValueParam);
    }
    static bool carried(const ChannelRecord& r) { return r.hasColor != 0; }
    static Value field(const ChannelRecord& r) { return r.color; }
    // Registered as RGB; all four components are written and the alpha lands beside r, g, b.
    static void write(ShaderGlobals* sg, const Value& v) { sg->out.rgba = v; }
};

struct ScalarKind {
    using Value = float;
    static void declare(ParamList* p) { AiNodeParamFlt(p, -1, "scalar", 0.0f); }
    static Value read(ShaderGlobals* sg, const Node* n) {
        return AiShaderEvalParamFuncFlt(sg, n, kValueParam);
    }
    static bool carried(const ChannelRecord& r) { return r.hasScalar != 0; }
    static Value field(const ChannelRecord& r) { return r.scalar; }
    static void write(ShaderGlobals* sg, Value v) { sg->out.flt = v; }
};

struct IntegerKind {
    using Value = int32_t;
    static void declare(ParamList* p) { AiNodeParamInt(p, -1, "integer", 0); }
    static Value read(ShaderGlobals* sg, const Node* n) {
        return AiShaderEvalParamFuncInt(sg, n, kValueParam);
    }
    static bool carried(const ChannelRecord& r) { return r.hasInteger != 0; }
    static Value field(const ChannelRecord& r) { return r.integer; }
    static void write(ShaderGlobals* sg, Value v) { sg->out.integer = v; }
};

struct BooleanKind {
    using Value = bool;
    static void declare(ParamList* p) { AiNodeParamBool(p, -1, "boolean", false); }
    static Value read(ShaderGlobals* sg, const Node* n) {
        return AiShaderEvalParamFuncBool(sg, n, kValueParam);
    }
    static bool carried(const ChannelRecord& r) { return r.hasBoolean != 0; }
    // Any nonzero byte reads as true, so the output byte is always 0 or 1.
    static Value field(const ChannelRecord& r) { return r.boolean != 0; }
    static void write(ShaderGlobals* sg, Value v) { sg->out.boolean = v; }
};

struct VectorKind {
    using Value = Vector;
    static void declare(ParamList* p) { AiNodeParamVec(p, -1, "vector", 1.0f, 1.0f, 1.0f); }
    static Value read(ShaderGlobals* sg, const Node* n) {
        return AiShaderEvalParamFuncVec(sg, n, kValueParam);
    }
    static bool carried(const ChannelRecord& r) { return r.hasVector != 0; }
    static Value field(const ChannelRecord& r) { return r.vector; }
    static void write(ShaderGlobals* sg, const Value& v) { sg->out.vec = v; }
};

template <typename Kind>
void parameters(ParamList* params, NodeEntry*) {
    Kind::declare(params);
    AiNodeParamInt(params, -1, "frequency", 0);
}

void nothing(Node*, void*) {}
void finishNothing(Node*) {}

template <typename Kind>
void evaluate(Node* node, ShaderGlobals* sg) {
    // Both reads on every call, so networks behind either run whatever the channel carries.
    const int frequency = AiShaderEvalParamFuncInt(sg, node, kFrequencyParam);
    typename Kind::Value result = Kind::read(sg, node);
    // 0 is untuned; frequencies outside 1 .. 10 name no channel and are treated alike.
    if (const char* name = channelName(frequency)) {
        void* found = nullptr;
        if (AiMessageGetPtrFunc(sg, name, &found) && found) {
            const ChannelRecord& record = *static_cast<const ChannelRecord*>(found);
            if (Kind::carried(record)) result = Kind::field(record);
        }
    }
    Kind::write(sg, result);
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
