#include "universe/node.h"

#include "universe/host_error.h"

namespace {
/// Up to this many user parameters a scan finds one faster than a hash would.
constexpr size_t kScannedUserParams = 8;
}  // namespace

const UserParamEntry* Node::findUserParam(std::string_view paramName) const {
    return const_cast<Node*>(this)->findUserParam(paramName);
}

UserParamEntry* Node::findUserParam(std::string_view paramName) {
    if (userIndex.empty()) {
        for (UserParamEntry& entry : userParams)
            if (entry.name == paramName) return &entry;
        return nullptr;
    }
    const auto found = userIndex.find(paramName);
    return found == userIndex.end() ? nullptr : found->second;
}

UserParamEntry& Node::addUserParam(std::string_view paramName, const host::ParamValue& value) {
    userParams.push_back({std::string(paramName), value});
    UserParamEntry& entry = userParams.back();
    if (userParams.size() > kScannedUserParams) {
        if (userIndex.empty())
            for (UserParamEntry& each : userParams) userIndex.emplace(each.name, &each);
        else
            userIndex.emplace(entry.name, &entry);
    }
    return entry;
}

namespace host {

const ParamValue& storedValue(const Node& node, std::string_view name) {
    const int index = node.type->findParam(name);
    if (index < 0)
        throw HostError("node '" + node.name + "' (" + node.type->name + ") has no parameter '" +
                        std::string(name) + "'");
    return node.values[static_cast<size_t>(index)];
}

}  // namespace host
