#include "universe/node.h"

const UserParamEntry* Node::findUserParam(std::string_view paramName) const {
    for (const UserParamEntry& entry : userParams)
        if (entry.name == paramName) return &entry;
    return nullptr;
}
