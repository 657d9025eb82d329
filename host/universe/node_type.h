// Node types: what a plug-in or the host offers, with the parameters its callback declared.
#pragma once

#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/renderer.h"
#include "universe/param_value.h"

namespace host {

/// A limit that is not set.
constexpr double kUnbounded = std::numeric_limits<double>::quiet_NaN();

/// A value of an integer parameter that the node gives a meaning, from the type's metadata.
struct NamedValue {
    int32_t value;
    std::string meaning;  ///< "card"
};

struct ParamDecl {
    std::string name;
    ParamValue defaultValue;  ///< its type is the parameter's type
    // From the metadata the parameters callback gave (AiMetaDataSet*): the scene check and the
    // reference are built from these.
    bool oncePerUpdate = false;  ///< read at the node's set-up, not per sample
    double min = kUnbounded;     ///< NaN when the metadata sets no limit
    double max = kUnbounded;
    std::vector<NamedValue> values = {};  ///< empty when any value in min .. max is meant
    std::string otherwise = {};           ///< what the node does with another value
    std::string help = {};                ///< one line: what the parameter does; may be empty

    /// Whether the node means `value` (one of `values`, within `min` .. `max`). Values of types
    /// the metadata says nothing about are all meant.
    bool means(const ParamValue& value) const;
    /// The meant values for people: "0 card, 1 sphere", "0 to 10", "0 or more"; empty for any.
    std::string meantValues() const;
};

struct LightModel;  // tracing/light_models.h

struct NodeType {
    std::string name;
    int32_t kind = kNodeShader;
    uint8_t outputType = kTypeNone;
    const NodeMethods* methods = nullptr;
    std::string version;            ///< as the plug-in wrote it
    std::string source;             ///< plug-in path, or "built-in"
    std::vector<ParamDecl> params;  ///< index = declaration order
    /// A light type's kind, as the host registered it; null for every other type, and for a
    /// light type the renderer cannot place.
    const LightModel* light = nullptr;

    /// Index of the parameter called `name`, or -1.
    int findParam(std::string_view name) const;
};

/// Applies metadata `key` to parameter `param` of `type` (the keys of AiMetaDataSet*). A key or
/// parameter it does not know, a value of another kind than the key's, or a "values" list that
/// is not "integer meaning, ..." is ignored.
void setParamMetadata(NodeType& type, std::string_view param, std::string_view key, bool flag);
void setParamMetadata(NodeType& type, std::string_view param, std::string_view key, float number);
void setParamMetadata(NodeType& type, std::string_view param, std::string_view key,
                      std::string_view text);

/// All registered node types, by name. Type names are unique.
class NodeTypeRegistry {
  public:
    /// Registers a type from a loader's descriptor and runs its parameters callback once.
    /// Throws HostError for a duplicate name or an incomplete descriptor. `light` is the kind
    /// of a host light type.
    const NodeType& add(const NodeDescriptor& descriptor, const std::string& source,
                        const LightModel* light = nullptr);
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
