#include "universe/node.h"

const UserParamEntry* Node::findUserParam(const std::string& paramName) const {
    for (const UserParamEntry& entry : userParams)
        if (entry.name == paramName) return &entry;
    return nullptr;
}
