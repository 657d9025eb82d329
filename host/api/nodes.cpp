// Local data, the options node and stored parameter queries.
#include "plugin/renderer.h"
#include "universe/node.h"
#include "universe/universe.h"

namespace {
/// The stored value of a declared parameter, else of a user parameter, else null.
const host::ParamValue* storedValue(const Node* node, const char* name) {
    if (!node || !name) return nullptr;
    const int index = node->type->findParam(name);
    if (index >= 0) return &node->values[index];
    const UserParamEntry* user = node->findUserParam(name);
    return user ? &user->value : nullptr;
}
}  // namespace

extern "C" {

void AiNodeSetLocalData(Node* node, void* data) {
    node->localData = data;
}
void* AiNodeGetLocalData(const Node* node) {
    return node->localData;
}

Node* AiUniverseGetOptions(void) {
    host::Universe* universe = host::activeUniverse();
    return universe ? universe->options() : nullptr;
}

int AiNodeGetInt(const Node* node, const char* name) {
    const host::ParamValue* value = storedValue(node, name);
    if (!value) return 0;
    if (value->type == kTypeInt) return value->integer;
    if (value->type == kTypeBoolean) return value->boolean ? 1 : 0;
    return 0;
}

void* AiNodeGetPtr(const Node* node, const char* name) {
    const host::ParamValue* value = storedValue(node, name);
    return value && value->type == kTypeNode ? value->node : nullptr;
}

const UserParamEntry* AiNodeLookUpUserParameter(const Node* node, const char* name) {
    return node && name ? node->findUserParam(name) : nullptr;
}

}  // extern "C"
