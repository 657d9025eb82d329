// Registering every node type the host itself offers.
#pragma once

#include "universe/node_type.h"

namespace host {

/// Registers the host's shaders (lambert, flat, checker, state, environment), its camera and
/// light types and the object types, under the source "built-in". Call once per registry, before
/// any plug-in whose type names might collide. Throws HostError on a duplicate name.
void registerHostNodeTypes(NodeTypeRegistry& registry);

}  // namespace host
