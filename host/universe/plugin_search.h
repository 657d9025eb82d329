// Where the host finds its plug-ins and data: beside its own library, and on ORV_PLUGIN_PATH.
//
// Nothing of the source or build tree is compiled in. An installed tree (and the build tree,
// which has the same layout) keeps the host library and the bundled module together in
// <prefix>/lib/orv_shaders and the data in <prefix>/share/orv_shaders, so the whole prefix may
// be moved anywhere.
#pragma once

#include <string>
#include <vector>

#include "universe/node_type.h"

namespace host {

/// The folder of the loaded host library, resolved at run time.
std::string hostLibraryDir();

/// The bundled data folder (scenes, the node reference), relative to the host library.
std::string dataDir();

/// Every regular file named *.so in the folders of `pathList` (separated by ':'), folder by
/// folder in the given order and by name within a folder. Empty entries and folders that do not
/// exist are passed over.
std::vector<std::string> modulesOnPath(const std::string& pathList);

/// Loads into `registry` each plug-in on $ORV_PLUGIN_PATH (see loadPlugin): a file already
/// loaded is passed over; one that is not a plug-in module (checked before it is loaded, so no
/// other library's code runs) or that fails to load is skipped, with a warning in the
/// diagnostics sink naming its path and the reason. Throws PluginConflict naming both modules
/// when one offers a node type that another has registered. Returns the modules loaded.
std::vector<std::string> loadSearchPathPlugins(NodeTypeRegistry& registry);

}  // namespace host
