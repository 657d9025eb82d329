// Environment lookups that reach themselves: a network, evaluated as an object's environment,
// that holds a node looking up that same environment again. Nothing bounds that recursion but
// the stack, so the scene check refuses it, as it refuses link cycles.
#pragma once

#include <unordered_map>

#include "universe/node.h"

namespace host {

/// Whether evaluating `node` looks up the shaded object's "environment" user parameter and
/// evaluates that node in the same sample: its type is one that can, and the parameter that
/// chooses it holds the choosing value as it stands, not linked.
bool looksUpEnvironment(const Node* node);

/// Finds the node of a network that looks up the environment, remembering every node walked so
/// that a whole scene's worth of questions costs one pass over its nodes and links.
class EnvironmentLookupFinder {
  public:
    /// The first node of `root`'s network (`root`, then what feeds it, inputs in parameter
    /// order) that looks up the environment, or null. Never recurses; a cycle of links is
    /// walked once and not followed round.
    const Node* find(const Node* root);

  private:
    std::unordered_map<const Node*, const Node*> found_;  ///< per node walked; null for none
};

}  // namespace host
