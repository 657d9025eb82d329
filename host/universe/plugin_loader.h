// Loading shader plug-in modules.
#pragma once

#include <string>
#include <vector>

#include "plugin/renderer.h"
#include "universe/host_error.h"
#include "universe/node_type.h"

namespace host {

/// The renderer version this host implements, the interface's; plug-ins built for another major
/// version are refused.
constexpr const char* kHostVersion = kRendererVersion;

/// A module offering a node type that another module has registered: the two cannot be used
/// together, whichever is skipped.
class PluginConflict : public HostError {
  public:
    using HostError::HostError;
};

/// Loads the module at `path`, a file path always (a relative one from the current folder, never
/// a name for the dynamic loader to search for), asks its NodeLoader for node types 0, 1, 2, ...
/// until it answers false, and registers each. A file that is already loaded into `registry`
/// (the same file, however named) is skipped, and nothing returned. Before the module is loaded
/// its file is read (module_file.h): anything but a shared object of this machine's kind that
/// exports NodeLoader is refused unloaded. Throws HostError naming the path for a module that
/// will not load, a version mismatch, or a parameter table with a duplicate, empty or reserved
/// name; PluginConflict for a type name already registered. A module refused registers none of
/// its types. Modules stay loaded for the life of the process. Returns the names registered.
std::vector<std::string> loadPlugin(NodeTypeRegistry& registry, const std::string& path);

/// The bundled module: orv_shaders.so beside the host library (see plugin_search.h).
std::string defaultPluginPath();

}  // namespace host
