// A small fluent builder for shading networks in tests, driven as the renderer drives them:
// the plug-in is loaded with dlopen, nodes are declared and linked by name, and evaluating runs
// the lifecycle (initialize, update) before opening a fresh sample.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "plugin/renderer.h"
#include "shading/sample_state.h"
#include "universe/param_value.h"
#include "universe/universe.h"

namespace test {

/// Values for Network::set.
host::ParamValue value(bool v);
host::ParamValue value(int v);
host::ParamValue value(float v);
host::ParamValue value(double v);
host::ParamValue value(RGB v);
host::ParamValue value(RGBA v);
host::ParamValue value(Vector v);

class Network {
  public:
    /// A universe with the library's plug-in loaded (or none, for host-only tests).
    explicit Network(bool loadPlugin = true);

    host::Universe& universe() { return universe_; }
    Node* add(const std::string& type, const std::string& name);
    Node* node(const std::string& name) const;
    /// "node.param" = value.
    template <typename T>
    Network& set(const std::string& nodeDotParam, T v) {
        return setValue(nodeDotParam, value(v));
    }
    Network& setValue(const std::string& nodeDotParam, const host::ParamValue& v);
    /// "node.param" fed by the output of node `source`.
    Network& link(const std::string& nodeDotParam, const std::string& source);
    Network& setThreads(int threads);
    /// The world that evaluated samples see (rays then hit its geometry); none by default. The
    /// world must outlive the evaluations.
    Network& setWorld(const host::World* world) {
        world_ = world;
        return *this;
    }

    /// Runs the lifecycle, then evaluates `name` in a fresh sample on thread `thread`.
    ShaderValue evaluate(const std::string& name, ShaderGlobals sg = host::blankShaderGlobals(),
                         int thread = 0);
    /// As evaluate, but hands back the whole ShaderGlobals (for light filters).
    ShaderGlobals evaluateGlobals(const std::string& name,
                                  ShaderGlobals sg = host::blankShaderGlobals(), int thread = 0);
    /// Initialises new nodes and updates changed ones, as before a render.
    void prepare() { universe_.prepare(); }
    host::ThreadContext& thread(int index);

  private:
    host::Universe universe_;
    std::vector<std::unique_ptr<host::ThreadContext>> threads_;
    const host::World* world_ = nullptr;
};

}  // namespace test
