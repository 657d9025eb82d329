// A node instance: its type, parameter values, links and the plug-in's local data.
#pragma once

#include <atomic>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "universe/diagnostics.h"
#include "universe/node_type.h"
#include "universe/param_value.h"

/// A parameter declared on one node only (for example "environment" on an object).
struct UserParamEntry {
    std::string name;
    host::ParamValue value;
};

struct Node {
    const host::NodeType* type = nullptr;
    /// type's evaluate callback, fetched once when the node is made: evaluations reach it with
    /// one load instead of a chain of four.
    ShaderEvaluateFn evaluate = nullptr;
    std::string name;
    std::vector<host::ParamValue> values;  ///< one per declared parameter
    std::vector<Node*> links;              ///< upstream node per parameter, or null
    /// In the order set. A deque, so that entries stay where they are as more are added and the
    /// index can point into them.
    std::deque<UserParamEntry> userParams;
    /// userParams by name once there are more than a few, so that each is found in constant time
    /// however many an object has; empty while a scan is quicker.
    std::unordered_map<std::string_view, UserParamEntry*> userIndex;
    void* localData = nullptr;
    bool initialized = false;
    bool needsUpdate = true;  ///< set by any parameter change; cleared by update
    /// Given by the first evaluation refused for nesting too deep, so the warning is given once.
    host::ReportOnce nestingWarned;

    /// Builds no string: the renderer calls answer it per sample, where nothing may allocate.
    const UserParamEntry* findUserParam(std::string_view paramName) const;
    UserParamEntry* findUserParam(std::string_view paramName);
    /// Adds a user parameter that the node does not have yet.
    UserParamEntry& addUserParam(std::string_view paramName, const host::ParamValue& value);
};

namespace host {

/// The stored value of `node`'s parameter `name`, for reads that no table's index covers (a
/// spot light's own parameters, a scene check by name). Throws HostError naming the node, its
/// type and the parameter when the type declares none of that name.
const ParamValue& storedValue(const Node& node, std::string_view name);

}  // namespace host
