#include "scene/environment_loop.h"

#include <algorithm>
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

/// Node types that light the shaded point through every light of the scene, with its filters.
const char* const kLitTypes[] = {"lambert"};

/// The row that makes `node` look up the environment, or null.
const EnvironmentLookup* lookupRow(const Node* node) {
    for (const EnvironmentLookup& lookup : kEnvironmentLookups) {
        if (node->type->name != lookup.type) continue;
        const int index = node->type->findParam(lookup.param);
        if (index < 0 || node->links[index]) continue;
        const ParamValue& v = node->values[index];
        if (v.type == kTypeInt && v.integer == lookup.value) return &lookup;
    }
    return nullptr;
}

}  // namespace

bool looksUpEnvironment(const Node* node) {
    return lookupRow(node) != nullptr;
}

bool lightsThroughLights(const Node* node) {
    for (const char* type : kLitTypes)
        if (node->type->name == type) return true;
    return false;
}

const Node* environmentOf(const Node* object) {
    const UserParamEntry* environment = object->findUserParam("environment");
    return environment && environment->value.type == kTypeNode ? environment->value.node : nullptr;
}

std::vector<EnvironmentMismatch> differingEnvironments(
    const std::vector<std::unique_ptr<Node>>& nodes, const std::vector<Node*>& objects) {
    std::vector<EnvironmentMismatch> found;
    if (std::none_of(nodes.begin(), nodes.end(),
                     [](const auto& node) { return lookupRow(node.get()) != nullptr; }))
        return found;
    // Per node, the distinct environments of the objects whose networks reach it, each with the
    // first such object, in scene order, at most kKept. A node that already has an environment
    // passed it on to all it reaches, and one that has kKept passed on kKept to all it reaches,
    // so the walk stops at both: each node is entered at most kKept times in all.
    constexpr size_t kKept = 5;
    struct Heard {
        const Node* environment;
        const Node* object;
    };
    std::unordered_map<const Node*, std::vector<Heard>> heard;
    std::vector<const Node*> pending;
    for (const Node* object : objects) {
        const Node* environment = environmentOf(object);
        const int shader = object->type->findParam("shader");
        if (shader >= 0 && object->values[shader].type == kTypeNode)
            pending.push_back(object->values[shader].node);
        for (const UserParamEntry& user : object->userParams)
            if (user.value.type == kTypeNode) pending.push_back(user.value.node);
        while (!pending.empty()) {
            const Node* node = pending.back();
            pending.pop_back();
            if (!node) continue;
            std::vector<Heard>& known = heard[node];
            if (known.size() >= kKept ||
                std::any_of(known.begin(), known.end(),
                            [&](const Heard& h) { return h.environment == environment; }))
                continue;
            known.push_back({environment, object});
            for (const Node* source : node->links)
                if (source) pending.push_back(source);
        }
    }
    for (const auto& node : nodes) {
        const EnvironmentLookup* row = lookupRow(node.get());
        const auto known = heard.find(node.get());
        if (!row || known == heard.end() || known->second.size() < 2) continue;
        EnvironmentMismatch mismatch{
            node.get(), row->param, row->value, known->second.front().object, {}, false};
        for (size_t i = 1; i < known->second.size(); ++i)
            mismatch.differing.push_back(known->second[i].object);
        mismatch.perhapsMore = known->second.size() == kKept;
        found.push_back(std::move(mismatch));
    }
    return found;
}

const Node* NetworkFinder::find(const Node* root) {
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
        const Node* answer = matches_(node) ? node : nullptr;
        for (const Node* source : node->links)
            if (!answer && source) answer = found_[source];
        found_[node] = answer;
    }
    return found_[root];
}

}  // namespace host
