// The callback tables of the host's own node types. Each is defined in the file named for it and
// registered by registerHostNodeTypes, exactly as a plug-in's NodeLoader rows are.
#pragma once

#include "plugin/renderer.h"
#include "universe/param_table.h"

namespace host {

extern const NodeMethods kLambertMethods;      // lambert_node.cpp
extern const NodeMethods kFlatMethods;         // flat_node.cpp
extern const NodeMethods kCheckerMethods;      // checker_node.cpp
extern const NodeMethods kStateMethods;        // state_node.cpp
extern const NodeMethods kEnvironmentMethods;  // environment_node.cpp
extern const NodeMethods kCameraMethods;       // camera_node.cpp
extern const NodeMethods kPointLightMethods;   // light_nodes.cpp
extern const NodeMethods kSpotLightMethods;    // light_nodes.cpp

/// Callbacks for node types that keep no local data and need no set-up.
void noInitialize(Node* node, void* reserved);
void noUpdate(Node* node, void* reserved);
void noFinish(Node* node);
/// Evaluate of node types that are not shaded (cameras, lights): writes nothing.
void noEvaluate(Node* node, ShaderGlobals* sg);

}  // namespace host
