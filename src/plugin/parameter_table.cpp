#include "plugin/parameter_table.h"

namespace orv {
namespace {

/// What the library does with each type a parameter can be declared with.
struct ParamTypeTraits {
    uint8_t type;
    /// Declares a parameter of this type under `name`, with `entry`'s default, at position -1.
    void (*declare)(ParamList* params, const char* name, const ParamTableEntry& entry);
};

constexpr ParamTypeTraits kParamTypes[] = {
    {kTypeBoolean, [](ParamList* p, const char* name,
                      const ParamTableEntry& e) { AiNodeParamBool(p, -1, name, e.integer != 0); }},
    {kTypeInt, [](ParamList* p, const char* name,
                  const ParamTableEntry& e) { AiNodeParamInt(p, -1, name, e.integer); }},
    {kTypeFloat, [](ParamList* p, const char* name,
                    const ParamTableEntry& e) { AiNodeParamFlt(p, -1, name, e.values[0]); }},
    {kTypeRGB,
     [](ParamList* p, const char* name, const ParamTableEntry& e) {
         AiNodeParamRGB(p, -1, name, e.values[0], e.values[1], e.values[2]);
     }},
    {kTypeRGBA,
     [](ParamList* p, const char* name, const ParamTableEntry& e) {
         AiNodeParamRGBA(p, -1, name, e.values[0], e.values[1], e.values[2], e.values[3]);
     }},
    {kTypeVector,
     [](ParamList* p, const char* name, const ParamTableEntry& e) {
         AiNodeParamVec(p, -1, name, e.values[0], e.values[1], e.values[2]);
     }},
};

/// The row of `type`, or null for a type no parameter of the library is declared with.
const ParamTypeTraits* traitsOf(uint8_t type) {
    for (const ParamTypeTraits& traits : kParamTypes)
        if (traits.type == type) return &traits;
    return nullptr;
}

}  // namespace

void declareParam(ParamList* params, const ParamTableEntry& entry, const char* name) {
    if (!name) name = entry.name;
    const ParamTypeTraits* traits = traitsOf(entry.type);
    if (!traits) return;
    traits->declare(params, name, entry);
    if (entry.oncePerUpdate) AiMetaDataSetBool(params, name, "oncePerUpdate", true);
    if (entry.min == entry.min) AiMetaDataSetFlt(params, name, "min", entry.min);
    if (entry.max == entry.max) AiMetaDataSetFlt(params, name, "max", entry.max);
    if (entry.names) AiMetaDataSetStr(params, name, "values", entry.names);
    if (entry.otherwise) AiMetaDataSetStr(params, name, "otherwise", entry.otherwise);
    if (entry.helpText) AiMetaDataSetStr(params, name, "help", entry.helpText);
}

namespace parameter_table_detail {
int parameterNotInTable() {
    return -1;
}
int parameterDeclaredWithAnotherType() {
    return -1;
}
}  // namespace parameter_table_detail

}  // namespace orv
