// Line and column of a byte offset in a text, for messages about malformed JSON.
#pragma once

#include <cstddef>
#include <string_view>

namespace host {

struct TextLocation {
    size_t line;    ///< from 1
    size_t column;  ///< from 1, in bytes
};

/// Where the byte at `offset` (0-based; clamped to the text) sits.
TextLocation locateOffset(std::string_view text, size_t offset);

}  // namespace host
