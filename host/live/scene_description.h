// A scene's entities and their parameters as a page builds its editors from them: each
// parameter with its type, value or link, and what its type's table says of it.
#pragma once

#include <nlohmann/json.hpp>

#include "scene/scene.h"

namespace host {

/// {"nodes":[{"name","type","section","params":[{"name","type","value","link","min","max",
/// "values":[{"value","meaning"}],"otherwise","help","oncePerUpdate"}]}]}: the options, the camera,
/// the objects (with their "user" parameters), the lights (with their "filters") and the
/// shader nodes, each in scene order. A value is written as a scene file writes it (a node by
/// its name); "min", "max", "values", "otherwise" and "help" only where the table gives them.
nlohmann::json describeScene(const Scene& scene);

}  // namespace host
