// Evaluating nodes and their parameter networks for one sample.
#pragma once

#include "plugin/renderer.h"
#include "universe/param_value.h"

namespace host {

/// Runs `node`'s evaluate on `sg`; its result is left in sg->out.
void evaluateNode(Node* node, ShaderGlobals* sg);

/// This sample's value of parameter `index`, as the parameter's declared type. A linked
/// parameter runs its upstream node with the same ShaderGlobals and reads its output, keeping
/// the caller's output slot. An index the node does not have gives a zero value of `type`.
ParamValue evaluateParam(ShaderGlobals* sg, const Node* node, int index, uint8_t type);

}  // namespace host
