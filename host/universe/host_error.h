// The one exception type of the host: a message the user can act on.
#pragma once

#include <stdexcept>
#include <string>

namespace host {

/// Thrown while loading plug-ins, building a scene or reading files; never while shading.
struct HostError : std::runtime_error {
    explicit HostError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace host
