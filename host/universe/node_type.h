// Node types: what a plug-in or the host offers, with the parameters its callback declared.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/renderer.h"
#include "universe/param_value.h"

namespace host {

struct ParamDecl {
    std::string name;
    ParamValue defaultValue;  ///< its type is the parameter's type
};

struct NodeType {
    std::string name;
    int32_t kind = kNodeShader;
    uint8_t outputType = kTypeNone;
    const NodeMethods* methods = nullptr;
    std::string version;            ///< as the plug-in wrote it
    std::string source;             ///< plug-in path, or "built-in"
    std::vector<ParamDecl> params;  ///< index = declaration order

    /// Index of the parameter called `name`, or -1.
    int findParam(std::string_view name) const;
};

/// All registered node types, by name. Type names are unique.
class NodeTypeRegistry {
  public:
    /// Registers a type from a loader's descriptor and runs its parameters callback once.
    /// Throws HostError for a duplicate name or an incomplete descriptor.
    const NodeType& add(const NodeDescriptor& descriptor, const std::string& source);
    const NodeType* find(std::string_view name) const;
    /// Forgets every type registered after the first `count`: a module refused whole takes
    /// back what it had registered. No node may use them yet.
    void removeAfter(size_t count);
    /// In registration order.
    const std::vector<const NodeType*>& all() const { return order_; }

  private:
    std::map<std::string, std::unique_ptr<NodeType>, std::less<>> types_;
    std::vector<const NodeType*> order_;
};

}  // namespace host

/// The renderer-side parameter list a parameters callback fills.
struct ParamList {
    host::NodeType* type;
    /// Set by a declaration that found no memory; the type is then refused.
    bool outOfMemory = false;
};
