// Reading JSON files strictly: the one parser behind scene files and orv-shade's point files.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace host {

/// Arrays and objects may nest this deep; no scene needs a tenth of it, and a limit keeps
/// hostile files from costing stack in whoever walks the value afterwards.
constexpr size_t kMaxJsonDepth = 256;

/// Parses `text` as one JSON value. Besides malformed text it refuses a number outside the
/// range of a double, nesting deeper than kMaxJsonDepth, a key given twice in one object and a
/// NUL byte anywhere (named by its byte offset).
/// Throws HostError "FILE:LINE:COLUMN: what", naming the key the problem sits under and, for a
/// repeated key, both places. Never recurses, so any input is safe to give it.
nlohmann::json parseJsonText(std::string_view text, const std::string& fileName);

}  // namespace host
