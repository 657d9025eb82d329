// Everything wrong with a scene file, found in one pass before anything renders.
#pragma once

#include <string>
#include <vector>

#include "universe/host_error.h"

namespace host {

/// what() is the problems kept, one line each, each starting with the file name.
struct SceneError : HostError {
    /// `count`: every problem found, of which `found` holds the first few (and a line counting
    /// the rest); at least found.size().
    explicit SceneError(std::vector<std::string> found, size_t count = 0);
    std::vector<std::string> problems;
    size_t count;
};

}  // namespace host
