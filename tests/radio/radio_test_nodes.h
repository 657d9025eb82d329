// Test scaffolding for radio tests: hook node types whose evaluation runs a test's code inside a
// shading network, and helpers to shade and inspect samples without the lifecycle.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "plugin/renderer.h"
#include "radio/channel_record.h"
#include "shading/sample_state.h"
#include "support/network.h"

namespace radiotest {

/// Local data of a hook node. Each evaluation reads the node's "value" parameter (running any
/// network linked to it), then calls `run` (if set) with the sample, then outputs the value.
struct Hook {
    std::function<void(ShaderGlobals*)> run;
    std::atomic<int> evaluations{0};
};

/// A network with the plug-in loaded and the hook types registered:
/// "test_hook_color" (rgba output), "test_hook_float", "test_hook_int", "test_hook_bool",
/// "test_hook_vector", each with one parameter "value" of its output type.
class RadioNet : public test::Network {
  public:
    RadioNet();
    /// The hook node `name`; initialises new nodes first so that its local data exists.
    Hook& hook(const std::string& name);
    /// Evaluates `name` in a fresh sample on `thread` without running the lifecycle, as the
    /// renderer does between updates.
    ShaderValue shade(const std::string& name, int thread = 0);
};

/// Evaluates `node` within the running sample `sg`, keeping the caller's output slot.
ShaderValue evaluateWithin(ShaderGlobals* sg, Node* node);

/// The record published for channel `c` (0 .. 9) in the sample, or null.
const orv::ChannelRecord* publishedChannel(ShaderGlobals* sg, int c);

}  // namespace radiotest
