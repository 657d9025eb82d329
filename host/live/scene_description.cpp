#include "live/scene_description.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "universe/node_kinds.h"
#include "universe/value_types.h"

namespace host {

namespace {

using nlohmann::json;

/// A float as the shortest decimal that reads back as the same float: 0.1, not
/// 0.10000000149011612.
json tidy(float value) {
    if (!std::isfinite(value)) return nullptr;
    char text[32];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, double(value));
        if (std::strtof(text, nullptr) == value) break;
    }
    return std::strtod(text, nullptr);
}

json valueJson(const ParamValue& value) {
    if (value.type == kTypeNode) return value.node ? json(value.node->name) : json(nullptr);
    if (value.type == kTypeString) return value.str ? json(value.str) : json("");
    const ValueType& row = valueType(value.type);
    return row.toJson ? row.toJson(value, tidy) : json(nullptr);
}

json describeNode(const Node& node, const char* section) {
    json params = json::array();
    for (size_t i = 0; i < node.type->params.size(); ++i) {
        const ParamDecl& decl = node.type->params[i];
        json param = {{"name", decl.name},
                      {"type", typeName(decl.defaultValue.type)},
                      {"value", valueJson(node.values[i])},
                      {"link", node.links[i] ? json(node.links[i]->name) : json(nullptr)},
                      {"oncePerUpdate", decl.oncePerUpdate}};
        if (!std::isnan(decl.min)) param["min"] = decl.min;
        if (!std::isnan(decl.max)) param["max"] = decl.max;
        if (!decl.values.empty()) {
            json values = json::array();
            for (const NamedValue& named : decl.values)
                values.push_back({{"value", named.value}, {"meaning", named.meaning}});
            param["values"] = values;
        }
        if (!decl.otherwise.empty()) param["otherwise"] = decl.otherwise;
        if (!decl.help.empty()) param["help"] = decl.help;
        params.push_back(param);
    }
    return {
        {"name", node.name}, {"type", node.type->name}, {"section", section}, {"params", params}};
}

}  // namespace

json describeScene(const Scene& scene) {
    json nodes = json::array();
    nodes.push_back(describeNode(*scene.universe->options(), "options"));
    if (scene.camera) nodes.push_back(describeNode(*scene.camera, "camera"));
    for (const Node* object : scene.objects) {
        json entry = describeNode(*object, "objects");
        json user = json::object();
        for (const UserParamEntry& param : object->userParams)
            user[param.name] = valueJson(param.value);
        entry["user"] = user;
        nodes.push_back(entry);
    }
    for (const SceneLight& light : scene.lights) {
        json entry = describeNode(*light.node, "lights");
        json filters = json::array();
        for (const Node* filter : light.filters) filters.push_back(filter->name);
        entry["filters"] = filters;
        nodes.push_back(entry);
    }
    for (const auto& node : scene.universe->nodes())
        if (node->type->kind == kNodeShader) nodes.push_back(describeNode(*node, "nodes"));
    return {{"nodes", nodes}};
}

}  // namespace host
