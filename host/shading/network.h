// Evaluating nodes and their parameter networks for one sample.
#pragma once

#include "plugin/renderer.h"
#include "shading/sample_state.h"
#include "universe/node.h"
#include "universe/param_value.h"

namespace host {

/// Evaluations that may be under way at once in one sample, one inside the other, counting
/// linked parameters and shaders evaluated through renderer calls. A ray traced from inside a
/// sample shades its hit in a new sample, so the stack is bounded by this times the ray depth.
constexpr int kMaxNestedEvaluations = 64;

/// evaluateNode for a sample without host state, one nested too deep, one being explained, or
/// one of a render asked to stop.
/// Out of line, so that the common case compiles into its callers.
void evaluateNodeRarely(Node* node, ShaderGlobals* sg);

/// Runs `node`'s evaluate on `sg`; its result is left in sg->out. An evaluation nested deeper
/// than kMaxNestedEvaluations (a network that reaches itself through a renderer call, or a
/// link chain that long) is not run: it answers opaque black, and the node's first such
/// evaluation prints one warning. Once the thread's stop is raised no evaluation runs (each
/// answers opaque black), so that a network of any size unwinds at once. No lock, no allocation.
/// Inline for speed: every evaluation, filter, shader and link is dispatched through here.
inline void evaluateNode(Node* node, ShaderGlobals* sg) {
    HostSample* const sample = sg->host;
    // A sample scope always has its thread.
    if (sample && sample->evaluations < kMaxNestedEvaluations && !sample->thread->explain &&
        !sample->thread->stop->load(std::memory_order_relaxed)) {
        ++sample->evaluations;
        node->evaluate(node, sg);
        --sample->evaluations;
        return;
    }
    evaluateNodeRarely(node, sg);
}

/// This sample's value of parameter `index`, as the parameter's declared type. A linked
/// parameter runs its upstream node with the same ShaderGlobals and reads its output, keeping
/// the caller's output slot. An index the node does not have gives a zero value of `type`.
ParamValue evaluateParam(ShaderGlobals* sg, const Node* node, int index, uint8_t type);

}  // namespace host
