#include "scene/environment_loop.h"

#include <vector>

namespace host {

namespace {

/// Node types that, shaded on an object, evaluate the node its "environment" user parameter
/// names, and the integer parameter and value that make them do so. A type that gains such a
/// mode belongs here, and nowhere else needs to know.
struct EnvironmentLookup {
    const char* type;
    const char* param;
    int32_t value;
};
const EnvironmentLookup kEnvironmentLookups[] = {
    {"orv_trace", "rayType", 3},  // environment evaluation along the trace direction
};

}  // namespace

bool looksUpEnvironment(const Node* node) {
    for (const EnvironmentLookup& lookup : kEnvironmentLookups) {
        if (node->type->name != lookup.type) continue;
        const int index = node->type->findParam(lookup.param);
        if (index < 0 || node->links[index]) continue;
        const ParamValue& v = node->values[index];
        if (v.type == kTypeInt && v.integer == lookup.value) return true;
    }
    return false;
}

const Node* EnvironmentLookupFinder::find(const Node* root) {
    if (const auto known = found_.find(root); known != found_.end()) return known->second;
    // Post-order: a node's answer is itself, or the first answer among its inputs. A node on
    // the path is entered with no answer yet, so a cycle ends there instead of going round.
    struct Step {
        const Node* node;
        size_t nextInput;
    };
    std::vector<Step> path{{root, 0}};
    found_[root] = nullptr;
    while (!path.empty()) {
        Step& step = path.back();
        if (step.nextInput < step.node->links.size()) {
            const Node* source = step.node->links[step.nextInput++];
            if (source && found_.emplace(source, nullptr).second) path.push_back({source, 0});
            continue;
        }
        const Node* node = step.node;
        path.pop_back();
        const Node* answer = looksUpEnvironment(node) ? node : nullptr;
        for (const Node* source : node->links)
            if (!answer && source) answer = found_[source];
        found_[node] = answer;
    }
    return found_[root];
}

}  // namespace host
