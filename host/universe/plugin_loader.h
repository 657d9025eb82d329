// Loading shader plug-in modules.
#pragma once

#include <string>
#include <vector>

#include "plugin/renderer.h"
#include "universe/node_type.h"

namespace host {

/// The renderer version this host implements, the interface's; plug-ins built for another major
/// version are refused.
constexpr const char* kHostVersion = kRendererVersion;

/// dlopens `path`, asks its NodeLoader for node types 0, 1, 2, ... until it answers false, and
/// registers each. Throws HostError naming the path for a module that will not load, one
/// without NodeLoader, a version mismatch or a duplicate type name. Modules stay loaded for the
/// life of the process. Returns the names registered.
std::vector<std::string> loadPlugin(NodeTypeRegistry& registry, const std::string& path);

/// The bundled module: orv_shaders.so beside the host library (see plugin_search.h).
std::string defaultPluginPath();

}  // namespace host
