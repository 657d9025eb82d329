// A scene read from a file: a universe holding every node, and the roles the file gave them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "universe/universe.h"

namespace host {

struct SceneLight {
    Node* node;                  ///< a point_light or spot_light node
    std::vector<Node*> filters;  ///< light filters, in the order they apply
};

struct Scene {
    std::string path;  ///< the file as the user named it, for messages
    std::unique_ptr<Universe> universe;
    Node* camera = nullptr;      ///< always set: the file's camera or a default one
    std::vector<Node*> objects;  ///< kind kNodeShape, in file order
    std::vector<SceneLight> lights;
};

}  // namespace host
