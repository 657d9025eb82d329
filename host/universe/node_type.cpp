#include "universe/node_type.h"

#include <cstring>

#include "universe/host_error.h"

namespace host {

int NodeType::findParam(std::string_view wanted) const {
    for (size_t i = 0; i < params.size(); ++i)
        if (params[i].name == wanted) return static_cast<int>(i);
    return -1;
}

const NodeType& NodeTypeRegistry::add(const NodeDescriptor& descriptor, const std::string& source) {
    if (!descriptor.name || !*descriptor.name)
        throw HostError(source + ": a node type without a name");
    const std::string name = descriptor.name;
    if (!descriptor.methods || !descriptor.methods->common || !descriptor.methods->shader)
        throw HostError(source + ": node type '" + name + "' has no callbacks");
    // The other callbacks may be left out; every evaluation calls this one.
    if (!descriptor.methods->shader->evaluate)
        throw HostError(source + ": node type '" + name + "' has no evaluate callback");
    if (auto it = types_.find(name); it != types_.end())
        throw HostError(source + ": node type '" + name + "' is already registered by " +
                        it->second->source);
    auto type = std::make_unique<NodeType>();
    type->name = name;
    type->kind = descriptor.nodeKind;
    type->outputType = descriptor.outputType;
    type->methods = descriptor.methods;
    type->version.assign(descriptor.version,
                         strnlen(descriptor.version, sizeof(descriptor.version)));
    type->source = source;
    ParamList list{type.get()};
    if (auto declare = descriptor.methods->common->parameters) declare(&list, nullptr);
    if (list.outOfMemory)
        throw HostError(source + ": node type '" + name +
                        "': out of memory while declaring its parameters");
    const NodeType& added = *type;
    order_.push_back(type.get());
    types_.emplace(name, std::move(type));
    return added;
}

void NodeTypeRegistry::removeAfter(size_t count) {
    while (order_.size() > count) {
        types_.erase(types_.find(order_.back()->name));
        order_.pop_back();
    }
}

const NodeType* NodeTypeRegistry::find(std::string_view name) const {
    auto it = types_.find(name);
    return it == types_.end() ? nullptr : it->second.get();
}

}  // namespace host
