// "Did you mean ...?" for misspelt type and parameter names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host {

/// The candidate nearest to `name` by edit distance (case-insensitive), when it is within a
/// third of the name's length (at least 2 edits); empty otherwise.
std::string closestName(std::string_view name, const std::vector<std::string>& candidates);

}  // namespace host
