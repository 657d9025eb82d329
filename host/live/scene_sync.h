// Bringing a live scene in line with a fresh read of its edited document, node by node, so that
// only what differs is touched and the universe's lifecycle updates only those nodes.
#pragma once

#include <unordered_set>

#include "scene/scene.h"

namespace host {

/// What bringing a scene in line changed.
struct SceneChanges {
    std::unordered_set<const Node*> changed;  ///< nodes of the live scene given other values
    bool objects = false;     ///< an object was changed, added or removed: the geometry is stale
    bool objectList = false;  ///< objects were added, removed or put in another order
    bool lights = false;      ///< a light, or which filters it has, changed
    bool camera = false;
    bool options = false;
    bool order = false;  ///< a node was added or removed: the nodes were put in the new order
    bool any() const { return !changed.empty() || objects || lights || camera || order; }
};

/// Whether two values of a parameter are the same, bit for bit.
bool sameValue(const ParamValue& a, const ParamValue& b);

/// Makes `live` hold what `fresh` holds, matching nodes by name: a node `fresh` lacks, or has
/// with another type, is removed (finished); one it adds is created (and initialised by the
/// next prepare); every parameter, link and user parameter that differs is copied and marks its
/// node for update. The nodes are then put in `fresh`'s order and the roles (objects, lights
/// and their filters, camera) taken from it, so that the live scene walks as a fresh read of
/// the same document would. `fresh` must have been read and accepted by the scene reader.
SceneChanges syncScene(Scene& live, const Scene& fresh);

}  // namespace host
