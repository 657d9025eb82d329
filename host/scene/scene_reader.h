// Reading a scene file into a universe, validating all of it before anything renders.
//
// A scene file is one JSON object with these sections, all optional:
//   "options": parameters of the options node (xres, yres, samples, threads, rayDepth,
//              backgroundColor, background)
//   "camera":  parameters of a perspective_camera (position, lookAt, up, fov)
//   "objects": [{"type": "sphere", "name": ..., params..., "user": {"environment": "sky"}}]
//   "lights":  [{"type": "spot", "name": ..., params..., "filters": ["blocker1", ...]}]
//   "nodes":   [{"type": "orv_trace", "name": "t", params...}]
//   "plugins": ["relative/or/absolute/module.so"], loaded after the library's own module
// Every parameter is looked up in the declared parameter table of its node's type: there is no
// parsing code per node type. A value is a literal of the parameter's type, the name of a node
// (node parameters), or, on shader nodes, {"link": "otherNode"} to feed it from that node's
// output. String parameters called "file" or ending in "File" name files, found relative to the
// scene file's folder.
#pragma once

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "scene/scene.h"

namespace host {

struct SceneReadOptions {
    /// Registers the node types every scene may use in the new universe, before any plug-in
    /// loads: the host's own come from registerHostNodeTypes (builtin/), which the reader does
    /// not know of. Empty: only the plug-ins' types.
    std::function<void(NodeTypeRegistry& registry)> registerTypes;
    /// Load the library's module (host::defaultPluginPath) and then the modules on
    /// $ORV_PLUGIN_PATH before the scene's own plug-ins.
    bool loadDefaultPlugin = true;
    /// Further modules to load, after the default one and before the scene's.
    std::vector<std::string> plugins;
};

/// Reads and validates `path`. Throws SceneError listing every problem found (each message
/// names the file, the node or object, the parameter and what was expected), or for a file
/// that cannot be read or is not well-formed JSON (with line and column).
std::unique_ptr<Scene> readSceneFile(const std::string& path, const SceneReadOptions& options = {});

/// As readSceneFile, from text already in memory. `fileName` is used in messages; relative
/// paths in the scene are taken from `baseDir`.
std::unique_ptr<Scene> readSceneText(const std::string& text, const std::string& fileName,
                                     const std::string& baseDir,
                                     const SceneReadOptions& options = {});

/// True for the string parameters that name files ("file", or ending in "File"): the reader
/// takes them relative to the scene's folder.
bool isFileParameter(const std::string& name);

/// What setCheckedParam made of an edit.
enum class ParamEdit {
    Applied,  ///< the node holds the new value; a read of the edited file would accept it and
              ///< report nothing other than a read of the file before
    Whole,    ///< nothing changed: the edit may change what the reader says of other entries, or
              ///< what it warns of, so the whole edited file is to be read
};

/// Sets parameter `param` of `node`, an entry of `scene` (which the reader accepted from
/// `fileName`, with relative paths from `baseDir`), to `value` written as in a scene file, or
/// back to its default when `value` is null (the key removed). The parameter and its entry go
/// through the reader's own checks, so a refusal throws SceneError with the very messages a read
/// of the edited file gives, and leaves the node as it was. Links, node names and keys that are
/// not parameters are left to a whole read (Whole). Nothing is reported to the diagnostics sink.
ParamEdit setCheckedParam(Scene& scene, Node& node, const std::string& param,
                          const nlohmann::json* value, const std::string& fileName,
                          const std::string& baseDir);

}  // namespace host
