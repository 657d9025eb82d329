#include "plugin/parameter_table.h"

void declareParam(ParamList* params, const ParamTableEntry& entry, const char* name) {
    if (!name) name = entry.name;
    const float* v = entry.values;
    switch (entry.type) {
        case kTypeBoolean:
            AiNodeParamBool(params, -1, name, entry.integer != 0);
            break;
        case kTypeInt:
            AiNodeParamInt(params, -1, name, entry.integer);
            break;
        case kTypeFloat:
            AiNodeParamFlt(params, -1, name, v[0]);
            break;
        case kTypeRGB:
            AiNodeParamRGB(params, -1, name, v[0], v[1], v[2]);
            break;
        case kTypeRGBA:
            AiNodeParamRGBA(params, -1, name, v[0], v[1], v[2], v[3]);
            break;
        case kTypeVector:
            AiNodeParamVec(params, -1, name, v[0], v[1], v[2]);
            break;
        default:
            return;
    }
    if (entry.oncePerUpdate) AiMetaDataSetBool(params, name, "oncePerUpdate", true);
    if (entry.min == entry.min) AiMetaDataSetFlt(params, name, "min", entry.min);
    if (entry.max == entry.max) AiMetaDataSetFlt(params, name, "max", entry.max);
    if (entry.names) AiMetaDataSetStr(params, name, "values", entry.names);
    if (entry.otherwise) AiMetaDataSetStr(params, name, "otherwise", entry.otherwise);
}

namespace parameter_table_detail {
int parameterNotInTable() {
    return -1;
}
int parameterDeclaredWithAnotherType() {
    return -1;
}
}  // namespace parameter_table_detail
