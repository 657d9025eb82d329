#include "universe/universe.h"

#include <algorithm>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "universe/host_error.h"
#include "universe/plugin_loader.h"

namespace host {

namespace {

Universe* gActiveUniverse = nullptr;

void optionsParameters(ParamList* params, NodeEntry*) {
    declareParams(params, kOptionsParams);
}
void nothing(Node*, void*) {}
void finishNothing(Node*) {}
void evaluateNothing(Node*, ShaderGlobals*) {}
const CommonNodeMethods kOptionsCommon = {optionsParameters, nothing, nothing, finishNothing};
const ShaderNodeMethods kOptionsShader = {evaluateNothing};
const NodeMethods kOptionsMethods = {&kOptionsCommon, &kOptionsShader};

thread_local const Node* tSettingUp = nullptr;

/// Marks `node` as the one being set up for as long as it lives.
class SettingUp {
  public:
    explicit SettingUp(const Node* node) : before_(tSettingUp) { tSettingUp = node; }
    ~SettingUp() { tSettingUp = before_; }
    SettingUp(const SettingUp&) = delete;
    SettingUp& operator=(const SettingUp&) = delete;

  private:
    const Node* before_;
};

}  // namespace

Universe* activeUniverse() {
    return gActiveUniverse;
}

const Node* nodeBeingSetUp() {
    return tSettingUp;
}

Universe::Universe() {
    NodeDescriptor options{};
    options.nodeKind = kNodeOptions;
    options.outputType = kTypeNone;
    options.name = "options";
    options.methods = &kOptionsMethods;
    registry_.add(options, "built-in");
    options_ = createNode("options", "options");
    previous_ = gActiveUniverse;
    gActiveUniverse = this;
}

Universe::~Universe() {
    finish();
    // Out of the chain of live universes, wherever this one stands in it.
    if (gActiveUniverse == this) {
        gActiveUniverse = previous_;
        return;
    }
    for (Universe* later = gActiveUniverse; later; later = later->previous_)
        if (later->previous_ == this) {
            later->previous_ = previous_;
            return;
        }
}

std::vector<std::string> Universe::loadPlugin(const std::string& path) {
    return host::loadPlugin(registry_, path);
}

Node* Universe::createNode(std::string_view typeName, const std::string& nodeName) {
    const NodeType* type = registry_.find(typeName);
    if (!type) throw HostError("unknown node type '" + std::string(typeName) + "'");
    if (nodeName.empty()) throw HostError("a node of type '" + type->name + "' needs a name");
    const auto [slot, fresh] = names_.try_emplace(nodeName, nullptr);
    if (!fresh) throw HostError("a node named '" + nodeName + "' already exists");
    auto node = std::make_unique<Node>();
    node->type = type;
    node->evaluate = type->methods->shader->evaluate;
    node->name = nodeName;
    for (const ParamDecl& decl : type->params) node->values.push_back(decl.defaultValue);
    node->links.assign(type->params.size(), nullptr);
    slot->second = node.get();
    nodes_.push_back(std::move(node));
    return nodes_.back().get();
}

Node* Universe::findNode(std::string_view nodeName) const {
    const auto found = names_.find(std::string(nodeName));
    return found == names_.end() ? nullptr : found->second;
}

void Universe::removeNode(Node* node) {
    if (node == options_) throw HostError("the options node cannot be removed");
    const auto found =
        std::find_if(nodes_.begin(), nodes_.end(),
                     [&](const std::unique_ptr<Node>& each) { return each.get() == node; });
    if (found == nodes_.end()) throw HostError("no such node to remove");
    if (node->initialized)
        if (auto done = node->type->methods->common->finish) done(node);
    names_.erase(node->name);
    nodes_.erase(found);
}

void Universe::reorder(const std::vector<Node*>& order) {
    std::unordered_map<const Node*, size_t> place;
    for (size_t i = 0; i < nodes_.size(); ++i) place.emplace(nodes_[i].get(), i);
    std::unordered_set<const Node*> taken;
    for (const Node* node : order)
        if (!place.count(node) || !taken.insert(node).second)
            throw HostError("a new order of the nodes must hold each of them once");
    if (order.size() != nodes_.size())
        throw HostError("a new order of the nodes must hold each of them once");
    std::vector<std::unique_ptr<Node>> ordered;
    ordered.reserve(order.size());
    for (const Node* node : order) ordered.push_back(std::move(nodes_[place.at(node)]));
    nodes_ = std::move(ordered);
}

int Universe::paramIndexOrThrow(const Node* node, std::string_view param) const {
    const int index = node->type->findParam(param);
    if (index < 0)
        throw HostError("node '" + node->name + "' (" + node->type->name + ") has no parameter '" +
                        std::string(param) + "'");
    return index;
}

void Universe::setParam(Node* node, std::string_view param, const ParamValue& value) {
    const int index = paramIndexOrThrow(node, param);
    const uint8_t wanted = node->type->params[index].defaultValue.type;
    if (!canConvert(value.type, wanted))
        throw HostError("parameter '" + std::string(param) + "' of node '" + node->name + "' is " +
                        typeName(wanted) + ", not " + typeName(value.type));
    node->values[index] = convert(value, wanted);
    node->needsUpdate = true;
}

bool Universe::dependsOn(const Node* node, const Node* upstream) const {
    // A network may share nodes (a diamond reaches its top by 2^depth paths): each is walked once.
    std::unordered_set<const Node*> seen{node};
    std::vector<const Node*> pending{node};
    while (!pending.empty()) {
        const Node* next = pending.back();
        pending.pop_back();
        if (next == upstream) return true;
        for (const Node* source : next->links)
            if (source && seen.insert(source).second) pending.push_back(source);
    }
    return false;
}

std::vector<Universe::CutLink> Universe::cutCycles() {
    enum : uint8_t { kUnseen, kOnPath, kDone };
    std::unordered_map<const Node*, uint8_t> state;
    state.reserve(nodes_.size());
    struct Step {
        Node* node;
        size_t nextInput;
    };
    std::vector<Step> path;
    std::vector<CutLink> cut;
    for (const auto& root : nodes_) {
        if (state[root.get()] != kUnseen) continue;
        state[root.get()] = kOnPath;
        path.push_back({root.get(), 0});
        while (!path.empty()) {
            Node* node = path.back().node;
            const size_t input = path.back().nextInput++;
            if (input == node->links.size()) {
                state[node] = kDone;
                path.pop_back();
                continue;
            }
            Node* source = node->links[input];
            if (!source) continue;
            uint8_t& seen = state[source];
            if (seen == kOnPath) {
                cut.push_back({node, static_cast<int>(input), source});
                node->links[input] = nullptr;
            } else if (seen == kUnseen) {
                seen = kOnPath;
                path.push_back({source, 0});
            }
        }
    }
    return cut;
}

void Universe::link(Node* target, std::string_view param, Node* source, bool checkCycle) {
    const int index = paramIndexOrThrow(target, param);
    const uint8_t wanted = target->type->params[index].defaultValue.type;
    if (!source)
        throw HostError("link to parameter '" + std::string(param) + "' of node '" + target->name +
                        "' names no node");
    if (!canConvert(source->type->outputType, wanted))
        throw HostError("parameter '" + std::string(param) + "' of node '" + target->name +
                        "' is " + typeName(wanted) + " and cannot take the " +
                        typeName(source->type->outputType) + " output of node '" + source->name +
                        "'");
    if (checkCycle && dependsOn(source, target))
        throw HostError("linking node '" + source->name + "' into parameter '" +
                        std::string(param) + "' of node '" + target->name + "' would make a cycle");
    target->links[index] = source;
    target->needsUpdate = true;
}

const char* Universe::intern(const std::string& text) {
    return strings_.insert(text).first->c_str();
}

void Universe::setUserParam(Node* node, const std::string& name, const ParamValue& value) {
    if (UserParamEntry* entry = node->findUserParam(name))
        entry->value = value;
    else
        node->addUserParam(name, value);
    node->needsUpdate = true;
}

void Universe::prepare() {
    std::vector<Node*> all;
    all.reserve(nodes_.size());
    for (const auto& node : nodes_) all.push_back(node.get());
    prepareOver(all);
}

void Universe::prepare(const std::vector<Node*>& nodes) {
    if (options_->needsUpdate) {
        prepare();
        return;
    }
    prepareOver(nodes);
}

void Universe::prepareOver(const std::vector<Node*>& nodes) {
    for (Node* node : nodes)
        if (!node->initialized) {
            if (auto init = node->type->methods->common->initialize) {
                const SettingUp scope(node);
                init(node, nullptr);
            }
            node->initialized = true;
            node->needsUpdate = true;
        }
    const bool everything = options_->needsUpdate;
    // A node whose inputs changed is stale too: its set-up may have read them.
    bool spread = true;
    while (spread) {
        spread = false;
        for (Node* node : nodes) {
            if (node->needsUpdate) continue;
            for (const Node* source : node->links)
                if (everything || (source && source->needsUpdate)) {
                    node->needsUpdate = true;
                    spread = true;
                    break;
                }
            if (everything && !node->needsUpdate) node->needsUpdate = spread = true;
        }
    }
    for (Node* node : nodes)
        if (node->needsUpdate) {
            if (auto update = node->type->methods->common->update) {
                const SettingUp scope(node);
                update(node, nullptr);
            }
            node->needsUpdate = false;
        }
}

void Universe::finish() {
    // Downstream nodes first, in reverse creation order.
    for (auto it = nodes_.rbegin(); it != nodes_.rend(); ++it) {
        Node* node = it->get();
        if (!node->initialized) continue;
        if (auto done = node->type->methods->common->finish) done(node);
        node->initialized = false;
        node->needsUpdate = true;
    }
}

int Universe::renderThreads() const {
    int threads = options_->values[kOptionThreads].integer;
    if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return std::clamp(threads, 1, 255);
}

}  // namespace host
