// Everything wrong with a scene file, found in one pass before anything renders.
#pragma once

#include <string>
#include <vector>

#include "universe/host_error.h"

namespace host {

/// what() is every problem, one line each, each starting with the file name.
struct SceneError : HostError {
    explicit SceneError(std::vector<std::string> found);
    std::vector<std::string> problems;
};

}  // namespace host
