// Parameter declaration and per-sample parameter evaluation.
#include <cstdio>
#include <cstdlib>
#include <new>

#include "plugin/renderer.h"
#include "shading/network.h"
#include "universe/node.h"

using host::ParamValue;

namespace {
void declare(ParamList* params, const char* name, const ParamValue& value) {
    // Positions other than -1 are not used by any plug-in; parameters go in declaration order.
    // No exception may reach the plug-in: a failure is kept for the registration to report.
    // A null name is kept as an empty one, which the plug-in loader refuses.
    try {
        params->type->params.push_back({name ? name : "", value});
    } catch (const std::bad_alloc&) {
        params->outOfMemory = true;
    }
}

#ifdef ORV_CHECK_PARAM_READS
/// Checked builds stop at a read that cannot be what the node meant: an index the node does not
/// have, or a call of a type the declared one does not widen to (a float read of a colour). A
/// parameter index that drifts from its declaration then fails the test that reaches it, where
/// the plain build would quietly shade with a zero.
void checkRead(const Node* node, int index, uint8_t type, const char* call) {
    if (!node) return;
    const auto& declared = node->type->params;
    if (index < 0 || static_cast<size_t>(index) >= declared.size()) {
        std::fprintf(stderr, "%s: node '%s' (%s) has no parameter %d: it declares %zu\n", call,
                     node->name.c_str(), node->type->name.c_str(), index, declared.size());
        std::abort();
    }
    const host::ParamDecl& param = declared[static_cast<size_t>(index)];
    if (host::canConvert(param.defaultValue.type, type)) return;
    std::fprintf(stderr, "%s: parameter '%s' (%d) of node '%s' (%s) is declared %s, read as %s\n",
                 call, param.name.c_str(), index, node->name.c_str(), node->type->name.c_str(),
                 host::typeName(param.defaultValue.type), host::typeName(type));
    std::abort();
}
#else
inline void checkRead(const Node*, int, uint8_t, const char*) {}
#endif

/// The stored value itself when the read needs neither an upstream evaluation nor a conversion,
/// as for a constant parameter read at every sample; null otherwise (evaluateParam's general
/// path, which gives the same value for it).
inline const ParamValue* storedAs(const Node* node, int index, uint8_t type) {
    // Bounded by the links, one per parameter as the values are, for speed (bench/README.md).
    if (!node || index < 0 || static_cast<size_t>(index) >= node->links.size()) return nullptr;
    const ParamValue& value = node->values[static_cast<size_t>(index)];
    if (value.type != type || node->links[static_cast<size_t>(index)]) return nullptr;
    return &value;
}

/// The general path of a read, out of line for the stored-value path's speed (bench/README.md).
template <typename T, T ParamValue::*Field>
[[gnu::noinline]] T evaluated(ShaderGlobals* sg, const Node* node, int index, uint8_t type) {
    return host::evaluateParam(sg, node, index, type).*Field;
}

}  // namespace

extern "C" {

void AiNodeParamBool(ParamList* params, int, const char* name, bool value) {
    declare(params, name, ParamValue::makeBool(value));
}
void AiNodeParamInt(ParamList* params, int, const char* name, int value) {
    declare(params, name, ParamValue::makeInt(value));
}
void AiNodeParamFlt(ParamList* params, int, const char* name, float value) {
    declare(params, name, ParamValue::makeFloat(value));
}
void AiNodeParamRGB(ParamList* params, int, const char* name, float r, float g, float b) {
    declare(params, name, ParamValue::makeRGB(r, g, b));
}
void AiNodeParamRGBA(ParamList* params, int, const char* name, float r, float g, float b, float a) {
    declare(params, name, ParamValue::makeRGBA(r, g, b, a));
}
void AiNodeParamVec(ParamList* params, int, const char* name, float x, float y, float z) {
    declare(params, name, ParamValue::makeVector(x, y, z));
}

// Metadata is advice to the renderer: any failure, even of memory, drops it rather than the type.
void AiMetaDataSetBool(ParamList* params, const char* param, const char* key, bool value) {
    if (!params || !param || !key) return;
    try {
        host::setParamMetadata(*params->type, param, key, value);
    } catch (...) {
    }
}
void AiMetaDataSetFlt(ParamList* params, const char* param, const char* key, float value) {
    if (!params || !param || !key) return;
    try {
        host::setParamMetadata(*params->type, param, key, value);
    } catch (...) {
    }
}
void AiMetaDataSetStr(ParamList* params, const char* param, const char* key, const char* value) {
    if (!params || !param || !key || !value) return;
    try {
        host::setParamMetadata(*params->type, param, key, std::string_view(value));
    } catch (...) {
    }
}

bool AiShaderEvalParamFuncBool(ShaderGlobals* sg, const Node* node, int index) {
    checkRead(node, index, kTypeBoolean, __func__);
    if (const ParamValue* stored = storedAs(node, index, kTypeBoolean)) return stored->boolean;
    return evaluated<bool, &ParamValue::boolean>(sg, node, index, kTypeBoolean);
}
int AiShaderEvalParamFuncInt(ShaderGlobals* sg, const Node* node, int index) {
    checkRead(node, index, kTypeInt, __func__);
    if (const ParamValue* stored = storedAs(node, index, kTypeInt)) return stored->integer;
    return evaluated<int32_t, &ParamValue::integer>(sg, node, index, kTypeInt);
}
float AiShaderEvalParamFuncFlt(ShaderGlobals* sg, const Node* node, int index) {
    checkRead(node, index, kTypeFloat, __func__);
    if (const ParamValue* stored = storedAs(node, index, kTypeFloat)) return stored->flt;
    return evaluated<float, &ParamValue::flt>(sg, node, index, kTypeFloat);
}
RGB AiShaderEvalParamFuncRGB(ShaderGlobals* sg, const Node* node, int index) {
    checkRead(node, index, kTypeRGB, __func__);
    // Built from its floats for speed (bench/README.md).
    if (const ParamValue* stored = storedAs(node, index, kTypeRGB))
        return RGB{stored->rgb.r, stored->rgb.g, stored->rgb.b};
    return evaluated<RGB, &ParamValue::rgb>(sg, node, index, kTypeRGB);
}
RGBA AiShaderEvalParamFuncRGBA(ShaderGlobals* sg, const Node* node, int index) {
    checkRead(node, index, kTypeRGBA, __func__);
    if (const ParamValue* stored = storedAs(node, index, kTypeRGBA)) return stored->rgba;
    return evaluated<RGBA, &ParamValue::rgba>(sg, node, index, kTypeRGBA);
}
Vector AiShaderEvalParamFuncVec(ShaderGlobals* sg, const Node* node, int index) {
    checkRead(node, index, kTypeVector, __func__);
    if (const ParamValue* stored = storedAs(node, index, kTypeVector))
        return Vector{stored->vec.x, stored->vec.y, stored->vec.z};  // for speed
    return evaluated<Vector, &ParamValue::vec>(sg, node, index, kTypeVector);
}

}  // extern "C"
