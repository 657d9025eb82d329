// The page's files (HTML, CSS, JavaScript), read once at start from share/orv_shaders/live/:
// a fixed list served from memory, so no request names a path on disk.
#pragma once

#include <string>
#include <vector>

namespace tools::live {

struct PageFile {
    std::string route;        ///< "/", "/live.css", ...
    std::string contentType;  ///< with its charset
    std::string text;
};

/// The page's files in `folder`. Throws std::runtime_error naming the one that cannot be read.
std::vector<PageFile> readPageFiles(const std::string& folder);

}  // namespace tools::live
