// Reading a text file whole, as scene, points and document files are read.
#pragma once

#include <cstddef>
#include <string>

namespace host {

/// The most of a file that readTextFile reads, unless told otherwise: 1 GiB.
constexpr size_t kMaxTextFileBytes = size_t{1} << 30;

/// The whole of the file `path`. Throws HostError naming the path when it is missing, is a
/// folder, cannot be read or holds more than `maxBytes`.
std::string readTextFile(const std::string& path, size_t maxBytes = kMaxTextFileBytes);

}  // namespace host
