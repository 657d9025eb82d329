// Nodes that look up the shaded object's "environment". A network, evaluated as an object's
// environment, that holds a node looking up that same environment again: nothing bounds that
// recursion but the stack, so the scene check refuses it, as it refuses link cycles. And one
// lookup node shaded on objects of different environments, which the scene check warns of.
// Likewise a light filter whose network lights through the lights, and so evaluates the filter
// again, which the scene check refuses.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "universe/node.h"

namespace host {

/// Whether evaluating `node` looks up the shaded object's "environment" user parameter and
/// evaluates that node in the same sample: its type is one that can, and the parameter that
/// chooses it holds the choosing value as it stands, not linked.
bool looksUpEnvironment(const Node* node);

/// The node an object's "environment" user parameter names, or null (none, or not a node).
const Node* environmentOf(const Node* object);

/// A node that looks up the environment and is shaded on objects naming different ones. It
/// reads the environment once per update, from its first sample, which the host takes on the
/// first object (in scene order) whose networks reach it: every object shows that one's.
struct EnvironmentMismatch {
    const Node* lookup;
    const char* param;  ///< the parameter that makes it look up, e.g. "rayType"
    int32_t value;      ///< and the value that does
    const Node* first;  ///< the first object whose shader or user parameters' networks reach it
    /// Later such objects, the first for each other environment (or none), in scene order.
    std::vector<const Node*> differing;
    bool perhapsMore;  ///< other environments may be shown there too, beyond those counted
};

/// Every lookup node among `nodes` (in that order) shaded on `objects` whose environments
/// differ. Linear in objects, nodes and links.
std::vector<EnvironmentMismatch> differingEnvironments(
    const std::vector<std::unique_ptr<Node>>& nodes, const std::vector<Node*>& objects);

/// Whether evaluating `node` lights the shaded point through the scene's lights, and so
/// evaluates every light's filters in the same sample.
bool lightsThroughLights(const Node* node);

/// Finds the node of a network that `matches`, remembering every node walked so that a whole
/// scene's worth of questions costs one pass over its nodes and links.
class NetworkFinder {
  public:
    explicit NetworkFinder(bool (*matches)(const Node*)) : matches_(matches) {}
    /// The first node of `root`'s network (`root`, then what feeds it, inputs in parameter
    /// order) that matches, or null. Never recurses; a cycle of links is walked once and not
    /// followed round.
    const Node* find(const Node* root);

  private:
    bool (*matches_)(const Node*);
    std::unordered_map<const Node*, const Node*> found_;  ///< per node walked; null for none
};

/// Finds the node of a network that looks up the environment.
class EnvironmentLookupFinder : public NetworkFinder {
  public:
    EnvironmentLookupFinder() : NetworkFinder(looksUpEnvironment) {}
};

}  // namespace host
