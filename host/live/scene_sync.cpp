#include "live/scene_sync.h"

#include <cstring>
#include <unordered_map>
#include <vector>

#include "universe/node_kinds.h"

namespace host {

namespace {

/// `value` of the fresh scene as the live universe holds it: nodes by name, strings interned.
ParamValue carried(const ParamValue& value, Universe& live) {
    ParamValue out = value;
    if (value.type == kTypeNode) out.node = value.node ? live.findNode(value.node->name) : nullptr;
    if (value.type == kTypeString) out.str = value.str ? live.intern(value.str) : nullptr;
    return out;
}

/// Copies what differs of `from` (fresh) onto `to` (live); true when anything did.
bool copyNode(const Node& from, Node& to, Universe& live) {
    bool changed = false;
    for (size_t i = 0; i < from.values.size(); ++i) {
        const ParamValue value = carried(from.values[i], live);
        if (!sameValue(value, to.values[i])) {
            to.values[i] = value;
            changed = true;
        }
        Node* source = from.links[i] ? live.findNode(from.links[i]->name) : nullptr;
        if (source != to.links[i]) {
            to.links[i] = source;
            changed = true;
        }
    }
    bool userSame = from.userParams.size() == to.userParams.size();
    for (size_t i = 0; userSame && i < from.userParams.size(); ++i)
        userSame = from.userParams[i].name == to.userParams[i].name &&
                   sameValue(carried(from.userParams[i].value, live), to.userParams[i].value);
    if (!userSame) {
        to.userIndex.clear();
        to.userParams.clear();
        for (const UserParamEntry& user : from.userParams)
            to.addUserParam(user.name, carried(user.value, live));
        changed = true;
    }
    if (changed) to.needsUpdate = true;
    return changed;
}

}  // namespace

bool sameValue(const ParamValue& a, const ParamValue& b) {
    if (a.type != b.type) return false;
    switch (a.type) {
        case kTypeBoolean:
            return a.boolean == b.boolean;
        case kTypeByte:
        case kTypeInt:
        case kTypeUInt:
            return a.integer == b.integer;
        case kTypeFloat:
            return std::memcmp(&a.flt, &b.flt, sizeof a.flt) == 0;
        case kTypeRGB:
            return std::memcmp(&a.rgb, &b.rgb, sizeof a.rgb) == 0;
        case kTypeRGBA:
            return std::memcmp(&a.rgba, &b.rgba, sizeof a.rgba) == 0;
        case kTypeVector:
            return std::memcmp(&a.vec, &b.vec, sizeof a.vec) == 0;
        case kTypeNode:
            return a.node == b.node;
        case kTypeString:
            return a.str == b.str || (a.str && b.str && std::strcmp(a.str, b.str) == 0);
        default:
            return std::memcmp(&a.rgba, &b.rgba, sizeof a.rgba) == 0;
    }
}

SceneChanges syncScene(Scene& live, const Scene& fresh) {
    SceneChanges changes;
    Universe& universe = *live.universe;
    const Universe& from = *fresh.universe;

    std::vector<Node*> gone;
    for (const auto& node : universe.nodes()) {
        if (node.get() == universe.options()) continue;
        const Node* match = from.findNode(node->name);
        if (!match || match->type->name != node->type->name) gone.push_back(node.get());
    }
    for (Node* node : gone) {
        if (node->type->kind == kNodeShape) changes.objects = true;
        if (node->type->kind == kNodeLight) changes.lights = true;
        if (node->type->kind == kNodeCamera) changes.camera = true;
        changes.changed.erase(node);
        universe.removeNode(node);
        changes.order = true;
    }
    for (const auto& node : from.nodes())
        if (!universe.findNode(node->name)) {
            universe.createNode(node->type->name, node->name);
            changes.order = true;
        }

    std::vector<Node*> order;
    order.reserve(from.nodes().size());
    for (const auto& node : from.nodes()) {
        Node* mine =
            node.get() == from.options() ? universe.options() : universe.findNode(node->name);
        order.push_back(mine);
        if (!copyNode(*node, *mine, universe)) continue;
        changes.changed.insert(mine);
        const int32_t kind = mine->type->kind;
        if (kind == kNodeShape) changes.objects = true;
        if (kind == kNodeLight) changes.lights = true;
        if (kind == kNodeCamera) changes.camera = true;
        if (kind == kNodeOptions) changes.options = true;
    }
    universe.reorder(order);

    std::vector<Node*> objects;
    for (const Node* object : fresh.objects) objects.push_back(universe.findNode(object->name));
    if (objects != live.objects) changes.objects = changes.objectList = true;
    live.objects = std::move(objects);

    std::vector<SceneLight> lights;
    for (const SceneLight& light : fresh.lights) {
        SceneLight mine{universe.findNode(light.node->name), {}};
        for (const Node* filter : light.filters)
            mine.filters.push_back(universe.findNode(filter->name));
        lights.push_back(std::move(mine));
    }
    bool sameLights = lights.size() == live.lights.size();
    for (size_t i = 0; sameLights && i < lights.size(); ++i)
        sameLights =
            lights[i].node == live.lights[i].node && lights[i].filters == live.lights[i].filters;
    if (!sameLights) changes.lights = true;
    live.lights = std::move(lights);

    Node* camera = universe.findNode(fresh.camera->name);
    if (camera != live.camera) changes.camera = true;
    live.camera = camera;
    return changes;
}

}  // namespace host
