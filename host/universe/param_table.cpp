#include "universe/param_table.h"

#include <cmath>

#include "universe/node_kinds.h"
#include "universe/node_type.h"
#include "universe/value_types.h"

namespace host {

void declareParams(ParamList* params, const HostParam* rows, size_t count) {
    NodeType& type = *params->type;
    for (size_t i = 0; i < count; ++i) {
        const HostParam& row = rows[i];
        ParamValue value;
        value.type = row.type;
        if (const auto fill = valueType(row.type).fromComponents)
            fill(row.values, row.text, &value);
        type.params.push_back({row.name, value});
        if (!std::isnan(row.min)) setParamMetadata(type, row.name, "min", row.min);
        if (!std::isnan(row.max)) setParamMetadata(type, row.name, "max", row.max);
        if (row.names) setParamMetadata(type, row.name, "values", std::string_view(row.names));
        if (row.otherwise)
            setParamMetadata(type, row.name, "otherwise", std::string_view(row.otherwise));
        if (row.helpText) setParamMetadata(type, row.name, "help", std::string_view(row.helpText));
    }
}

std::pair<const HostParam*, size_t> kindParams(int32_t kind) {
    if (kind == kNodeCamera) return {kCameraParams.data(), kCameraParams.size()};
    if (kind == kNodeLight) return {kLightParams.data(), kLightParams.size()};
    if (kind == kNodeShape) return {kObjectParams.data(), kObjectParams.size()};
    return {nullptr, 0};
}

namespace param_table_detail {
int parameterNotInTable() {
    return -1;
}
int parameterDeclaredWithAnotherType() {
    return -1;
}
}  // namespace param_table_detail

}  // namespace host
