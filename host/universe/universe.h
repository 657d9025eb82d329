// The universe: node types, node instances and their links, and the lifecycle that drives them.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "universe/node.h"
#include "universe/node_type.h"
#include "universe/param_table.h"

namespace host {

/// The node whose initialize or update callback runs on this thread now, or null: for renderer
/// calls made during a set-up to name the node in what they report.
const Node* nodeBeingSetUp();

/// The options node's parameters: the render's settings and what a missed ray sees.
inline constexpr std::array kOptionsParams{
    intParam("threads", 0).help("render threads; 0 as many as the machine has"),
    intParam("xres", 320).help("the image's width in pixels"),
    intParam("yres", 240).help("the image's height in pixels"),
    intParam("samples", 4).help("camera samples per pixel"),
    intParam("rayDepth", 4).help("how many bounces deep traced rays may go"),
    rgbParam("backgroundColor", 0.0f, 0.0f, 0.0f)
        .help("what a ray that leaves the scene sees, without a background shader"),
    nodeParam("background").help("a shader for rays that leave the scene, in place of the colour"),
    stringParam("aovs", "")
        .help("the film's channels beside the beauty: lights, "
              "unfiltered, albedo, N, Z, id, comma-separated, or all"),
};
inline constexpr int kOptionThreads = paramIndex(kOptionsParams, "threads", kTypeInt);
inline constexpr int kOptionXres = paramIndex(kOptionsParams, "xres", kTypeInt);
inline constexpr int kOptionYres = paramIndex(kOptionsParams, "yres", kTypeInt);
inline constexpr int kOptionSamples = paramIndex(kOptionsParams, "samples", kTypeInt);
inline constexpr int kOptionRayDepth = paramIndex(kOptionsParams, "rayDepth", kTypeInt);
inline constexpr int kOptionBackgroundColor =
    paramIndex(kOptionsParams, "backgroundColor", kTypeRGB);
inline constexpr int kOptionBackground = paramIndex(kOptionsParams, "background", kTypeNode);
inline constexpr int kOptionAovs = paramIndex(kOptionsParams, "aovs", kTypeString);

/// Owns every node of one scene. One universe is active at a time (the renderer calls that take
/// no universe, such as AiUniverseGetOptions, answer from it): the newest one alive. Universes
/// nest: destroying one makes the one active before it active again. Built on one thread;
/// during a render only the plug-ins' own local data changes.
class Universe {
  public:
    Universe();   ///< registers the options type and becomes the active universe
    ~Universe();  ///< finishes every initialised node; the previous universe is active again
    Universe(const Universe&) = delete;
    Universe& operator=(const Universe&) = delete;

    NodeTypeRegistry& registry() { return registry_; }
    const NodeTypeRegistry& registry() const { return registry_; }
    /// Loads a plug-in module into this universe's registry (see loadPlugin).
    std::vector<std::string> loadPlugin(const std::string& path);

    /// A new node with every parameter at its default. Throws for an unknown type or a name
    /// already in use.
    Node* createNode(std::string_view typeName, const std::string& nodeName);
    /// The node of that name, or null; in constant time.
    Node* findNode(std::string_view nodeName) const;
    /// Finishes `node` if it was initialised and deletes it. No other node may still link to
    /// it or name it in a value. Never the options node.
    void removeNode(Node* node);
    /// Puts the nodes in the order given, which holds each of them once: the order the
    /// lifecycle and the set-up pass walk them in, as a fresh read of the scene would make it.
    void reorder(const std::vector<Node*>& order);
    Node* options() const { return options_; }
    const std::vector<std::unique_ptr<Node>>& nodes() const { return nodes_; }

    /// Sets a parameter by name, widening where allowed (an int to a float, a float to a
    /// colour). Throws for an unknown name or a type that does not fit. Marks the node for update.
    void setParam(Node* node, std::string_view param, const ParamValue& value);
    /// Feeds `param` of `target` from `source`'s output. Throws for an unknown parameter, an
    /// output type that does not fit, or, when `checkCycle`, a link that would close a cycle
    /// (found by walking what feeds `source`, each node once). Many links are checked faster
    /// all at once: make them with `checkCycle` false, then call cutCycles.
    void link(Node* target, std::string_view param, Node* source, bool checkCycle = true);
    /// A link that cutCycles removed: parameter `param` (by index) of `target` fed by `source`.
    struct CutLink {
        Node* target;
        int param;
        Node* source;
    };
    /// Removes links until none is left on a cycle, and answers the ones removed: each link
    /// that leads back to a node whose inputs are still being walked, walking nodes in creation
    /// order and inputs in parameter order. Linear in nodes and links; never recurses.
    std::vector<CutLink> cutCycles();
    /// A copy of `text` that lives as long as the universe, for string parameter values.
    const char* intern(const std::string& text);
    /// Adds or replaces a user parameter.
    void setUserParam(Node* node, const std::string& name, const ParamValue& value);

    /// Before a render: initialises new nodes, then updates every node that changed since its
    /// last update, every node fed (directly or not) by one that changed, and all nodes when the
    /// options changed.
    void prepare();
    /// As prepare(), over `nodes` alone (in the universe's order): for a change that marked
    /// none but these, and where no other node is fed by one of them. A change of the options
    /// concerns every node: it is prepared whole.
    void prepare(const std::vector<Node*>& nodes);
    /// Finishes every initialised node (also run by the destructor).
    void finish();

    /// Render threads for the options' "threads": 0 or below means the machine's core count;
    /// always within 1 .. 255 so that thread indices fit their byte.
    int renderThreads() const;

  private:
    void prepareOver(const std::vector<Node*>& nodes);
    int paramIndexOrThrow(const Node* node, std::string_view param) const;
    bool dependsOn(const Node* node, const Node* upstream) const;

    NodeTypeRegistry registry_;
    std::vector<std::unique_ptr<Node>> nodes_;
    std::unordered_map<std::string, Node*> names_;
    Node* options_ = nullptr;
    std::unordered_set<std::string> strings_;  ///< elements never move, so c_str() stays put
    Universe* previous_ = nullptr;             ///< active before this one was made
};

/// The universe most recently constructed and not yet destroyed, or null.
Universe* activeUniverse();

}  // namespace host
